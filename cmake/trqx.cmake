# Library targets follow the folders under src/: "foundation/sys" becomes trqx_foundation_sys.
function(trqx_target_name folder out)
  string(REPLACE "/" "_" name ${folder})
  set(${out} trqx_${name} PARENT_SCOPE)
endfunction()

# The file the include check reads: one line per layer folder (src/...) and program folder
# (apps/...), "folder: the layers its files may include".
set(TRQX_LAYER_INCLUDES ${PROJECT_BINARY_DIR}/layer_includes.txt)

# The library targets of the layers named by user (a trqx_layer or trqx_program call, for
# the message), each declared before; the configure fails on any other name.
function(trqx_layer_targets user out)
  get_property(declared GLOBAL PROPERTY TRQX_LAYERS)
  set(targets)
  foreach(folder IN LISTS ARGN)
    if(NOT folder IN_LIST declared)
      list(JOIN declared " " names)
      message(FATAL_ERROR "${user}: \"${folder}\" is no layer declared before it "
                          "(declared: ${names})")
    endif()
    trqx_target_name(${folder} target)
    list(APPEND targets ${target})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Records that the files of folder (src/... or apps/...) may include the layers named and
# everything those may include.
function(trqx_allow_includes folder)
  set(allowed)
  foreach(layer IN LISTS ARGN)
    get_property(below GLOBAL PROPERTY TRQX_ALLOWED_src/${layer})
    list(APPEND allowed ${layer} ${below})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY TRQX_ALLOWED_${folder} ${allowed})
  set_property(GLOBAL APPEND PROPERTY TRQX_INCLUDE_FOLDERS ${folder})
endfunction()

# trqx_layer(folder [lower folders...] [LIBS external libraries...]): one static library of
# the folder's own sources (an interface library while it has none), linking the layers
# below it, each declared before, and the external libraries it uses.
function(trqx_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBS")
  trqx_layer_targets("trqx_layer(${folder})" lowers ${arg_UNPARSED_ARGUMENTS})
  trqx_target_name(${folder} target)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${lowers} ${arg_LIBS} Threads::Threads)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${lowers} ${arg_LIBS} Threads::Threads)
  endif()
  if(folder MATCHES "^gui" AND sources)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
  trqx_allow_includes(src/${folder} ${folder} ${arg_UNPARSED_ARGUMENTS})
  set_property(GLOBAL APPEND PROPERTY TRQX_LAYERS ${folder})
endfunction()

# trqx_program(name layers...): the program of apps/name/ from its sources, linking the
# layers it uses (and with them the layers below those), nothing else.
function(trqx_program name)
  trqx_layer_targets("trqx_program(${name})" layers ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/apps/${name}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "trqx_program(${name}): apps/${name}/ holds no sources")
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${layers})
  trqx_allow_includes(apps/${name} ${ARGN})
endfunction()

# A program with a console front-end and, when TRQX_GUI is on, a window (main.cpp then sees
# TRQX_GUI defined).
function(trqx_windowed_program name console_layer gui_layer)
  if(TRQX_GUI)
    trqx_program(${name} ${console_layer} ${gui_layer})
    target_compile_definitions(${name} PRIVATE TRQX_GUI)
  else()
    trqx_program(${name} ${console_layer})
  endif()
endfunction()

# Every folder under apps/ with a main.cpp must have its trqx_program line.
function(trqx_check_programs)
  file(GLOB mains CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/apps/*/main.cpp)
  foreach(main IN LISTS mains)
    get_filename_component(dir ${main} DIRECTORY)
    get_filename_component(name ${dir} NAME)
    if(NOT TARGET ${name})
      message(FATAL_ERROR "apps/${name}/ has no trqx_program(${name} layers...) line "
                          "in apps/CMakeLists.txt")
    endif()
  endforeach()
endfunction()

# Writes TRQX_LAYER_INCLUDES from every trqx_layer and trqx_program call so far.
function(trqx_write_layer_includes)
  get_property(folders GLOBAL PROPERTY TRQX_INCLUDE_FOLDERS)
  set(lines)
  foreach(folder IN LISTS folders)
    get_property(allowed GLOBAL PROPERTY TRQX_ALLOWED_${folder})
    list(JOIN allowed " " allowedText)
    string(APPEND lines "${folder}: ${allowedText}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${TRQX_LAYER_INCLUDES} CONTENT "${lines}")
endfunction()

# Links target with the layers the quoted includes of source name, following the includes
# of headers beside it: the layers a benchmark or fuzz target uses and no others.
function(trqx_link_included_layers target source)
  get_property(declared GLOBAL PROPERTY TRQX_LAYERS)
  set(pending ${source})
  set(seen ${source})
  set(layers)
  while(pending)
    list(POP_FRONT pending file)
    get_filename_component(dir ${file} DIRECTORY)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" path "${line}")
      trqx_layer_of("${path}" "${declared}" layer)
      if(layer)
        list(APPEND layers ${layer})
      elseif(EXISTS ${dir}/${path} AND NOT ${dir}/${path} IN_LIST seen)
        list(APPEND pending ${dir}/${path})
        list(APPEND seen ${dir}/${path})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES layers)
  trqx_layer_targets("${target}" targets ${layers})
  target_link_libraries(${target} PRIVATE ${targets})
endfunction()

# The layer an include path names: the longest declared layer folder it lies in; empty for
# none.
function(trqx_layer_of path declared out)
  set(found)
  foreach(layer IN LISTS declared)
    string(LENGTH "${layer}" length)
    string(LENGTH "${found}" foundLength)
    string(FIND "${path}" "${layer}/" at)
    if(at EQUAL 0 AND length GREATER foundLength)
      set(found ${layer})
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
