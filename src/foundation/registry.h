#pragma once

#include <cstddef>
#include <string>

namespace trqx {

enum class RegistryHive { kLocalMachine, kCurrentUser };

// Registry stand-in over INI text files named HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER,
// in the folder $TRQX_REGISTRY, else /etc/trqx/registry/ and
// $XDG_CONFIG_HOME/trqx/registry/ (default ~/.config). Results are Windows codes:
// 0 on success, 2 for a missing hive file, key or value.
class Registry {
 public:
  static constexpr long kSuccess = 0;
  static constexpr long kNotFound = 2;
  static constexpr long kMoreData = 234;  // value longer than maxLength

  // A key exists when its own section or a section below it exists.
  static long KeyExists(RegistryHive hive, const std::string& key);
  static long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                         std::size_t maxLength, std::string& value);
  // Creates the hive file and key as needed.
  static long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                          const std::string& value);
  static std::string HiveFile(RegistryHive hive);
};

}  // namespace trqx
