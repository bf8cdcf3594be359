#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "foundation/archive.h"

namespace trqx::bench {

// One "--name=" flag of a benchmark program: a number above 0, or a text.
struct Flag {
  std::string_view m_name;  // with "--" and "="
  int* m_number = nullptr;
  std::string* m_text = nullptr;
};

// Reads the flags that Google Benchmark left (call after benchmark::Initialize). False, with
// the argument and usage on standard error, for an unknown flag or a number not above 0.
inline bool ParseFlags(int argc, char** argv, std::initializer_list<Flag> flags,
                       const char* usage) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    bool known = false;
    for (const Flag& flag : flags) {
      if (!argument.starts_with(flag.m_name)) {
        continue;
      }
      const std::string_view value = argument.substr(flag.m_name.size());
      if (flag.m_text != nullptr) {
        *flag.m_text = value;
      }
      known = flag.m_text != nullptr || (*flag.m_number = ParseInt(value)) > 0;
    }
    if (!known) {
      std::fprintf(stderr, "bad argument %s\nusage: %s\n", argv[i], usage);
      return false;
    }
  }
  return true;
}

// A program of this build tree: bench/ and apps/ are siblings, the programs lie in apps/.
inline std::string BuildTreeProgram(std::string_view name) {
  std::error_code error;
  return (std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path() /
          "apps" / name)
      .string();
}

}  // namespace trqx::bench
