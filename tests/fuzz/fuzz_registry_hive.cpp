// Reads any text as a registry hive file, then writes a value into it and checks that the
// write changed nothing else that could be read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/registry.h"

namespace {

using trqx::Registry;
using trqx::RegistryHive;

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// A folder of its own on a memory file system, holding the hive files.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = "/dev/shm/trqx-registry-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

trqx::IniRegistry& Hives() {
  static trqx::IniRegistry registry(Folder());
  return registry;
}

void RemoveFolder() {
  ::unlink((Folder() + "/HKEY_CURRENT_USER").c_str());
  ::rmdir(Folder().c_str());
}

struct Reading {
  long m_code;
  std::string m_value;
  bool operator==(const Reading&) const = default;
};

Reading Read(const std::string& key, const std::string& name) {
  Reading reading;
  reading.m_code = Hives().ReadString(RegistryHive::kCurrentUser, key, name, 16, reading.m_value);
  Check(reading.m_code == Registry::kSuccess || reading.m_value.empty());
  Check(reading.m_value.size() <= 16);
  return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Registered after the folder's name exists, so it runs before the name is destroyed.
  static const bool cleanup = (Folder(), std::atexit(RemoveFolder) == 0);
  (void)cleanup;
  const std::string path = Folder() + "/HKEY_CURRENT_USER";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  } else {
    std::abort();
  }

  const Reading parentValue = Read("K", "A");
  const Reading rootValue = Read("", "A");
  const long parentKey = Hives().KeyExists(RegistryHive::kCurrentUser, "K");
  Check(parentKey == Registry::kSuccess || parentKey == Registry::kNotFound);

  Check(Hives().WriteString(RegistryHive::kCurrentUser, "K\\Sub", "B", "xyz") ==
        Registry::kSuccess);
  const Reading written = Read("k\\sub", "b");
  Check(written.m_code == Registry::kSuccess && written.m_value == "xyz");
  Check(Hives().KeyExists(RegistryHive::kCurrentUser, "K") == Registry::kSuccess);
  Check(Read("K", "A") == parentValue);
  Check(Read("", "A") == rootValue);

  // Writing the same value again leaves the file as it is.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  Check(file != nullptr);
  std::string first;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    first.push_back(static_cast<char>(c));
  }
  std::fclose(file);
  Check(Hives().WriteString(RegistryHive::kCurrentUser, "K\\Sub", "B", "xyz") ==
        Registry::kSuccess);
  file = std::fopen(path.c_str(), "rb");
  Check(file != nullptr);
  std::string second;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    second.push_back(static_cast<char>(c));
  }
  std::fclose(file);
  Check(first == second);
  return 0;
}
