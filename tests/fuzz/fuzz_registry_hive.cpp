// Reads any text as a registry hive file, then writes a value into it and checks that the
// write changed nothing else that could be read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/registry.h"
#include "support/fuzz_target.h"

namespace {

using trqx::Registry;
using trqx::RegistryHive;
using trqx::fuzz::Check;

// The hive files lie in the fuzz folder.
trqx::IniRegistry& Hives() {
  static trqx::IniRegistry registry(trqx::fuzz::FuzzFolder().Path());
  return registry;
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
  const std::string path = trqx::fuzz::FuzzFolder().File("HKEY_CURRENT_USER");
  Check(trqx::WriteWholeFile(path, trqx::fuzz::Bytes(data, size)));

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
  const std::string first = trqx::ReadWholeFile(path);
  Check(Hives().WriteString(RegistryHive::kCurrentUser, "K\\Sub", "B", "xyz") ==
        Registry::kSuccess);
  Check(trqx::ReadWholeFile(path) == first);
  return 0;
}
