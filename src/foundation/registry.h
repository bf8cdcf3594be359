#pragma once

#include <cstddef>
#include <string>

namespace trqx {

enum class RegistryHive { kLocalMachine, kCurrentUser };

// Registry stand-in over INI text files named HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER,
// in the folder $TRQX_REGISTRY, else /etc/trqx/registry/ and
// $XDG_CONFIG_HOME/trqx/registry/ (default ~/.config). Results are Windows codes:
// 0 on success, 2 for a missing hive file, key or value.
//
// A hive file holds "[Software\Norvane L.P.\User Info]" section lines, each followed by
// its "NAME=value" lines; lines before the first section belong to the hive's root (key
// ""), blank lines and lines starting with ';' or '#' are ignored. Key and value names
// compare without regard to ASCII case, as on Windows; the case first written is kept.
// Where a hand-edited file repeats a section or a name, the first one counts.
class Registry {
 public:
  static constexpr long kSuccess = 0;
  static constexpr long kNotFound = 2;
  static constexpr long kAccessDenied = 5;       // no permission for the file or folder
  static constexpr long kWriteFault = 29;        // writing the hive file failed otherwise
  static constexpr long kReadFault = 30;         // reading the hive file failed otherwise
  static constexpr long kInvalidParameter = 87;  // a key, name or value a line cannot hold
  static constexpr long kMoreData = 234;         // value longer than maxLength
  static constexpr long kBadDatabase = 1009;     // a hive file too large to be one

  // A key exists when its own section or a section below it exists ("Software" exists
  // when "[Software\Norvane L.P.\User Info]" does); the root exists with the hive file.
  static long KeyExists(RegistryHive hive, const std::string& key);
  // Reads the value's text. maxLength is the most characters the caller takes (no
  // terminator counted). A longer value gives kMoreData and, like every failure, leaves
  // value empty.
  static long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                         std::size_t maxLength, std::string& value);
  // Creates the hive's folder, file and key as needed and sets the value, keeping every
  // other line of the file as it was. The file is replaced whole by a rename, so a reader
  // sees the old or the new file, never a part. Keys holding '[', ']' or a line break,
  // an empty key, names holding '=' or a line break or starting or ending in white space
  // or starting with '[', ';' or '#', and values holding a line break give
  // kInvalidParameter.
  static long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                          const std::string& value);
  // The hive's file path.
  static std::string HiveFile(RegistryHive hive);
};

}  // namespace trqx
