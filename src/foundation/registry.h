#pragma once

#include <cstddef>
#include <string>

namespace trqx {

enum class RegistryHive { kLocalMachine, kCurrentUser };

// The registry as the programs use it: string values under keys of two hives. Results are
// Windows codes: 0 on success, 2 for a missing hive, key or value. Key and value names
// compare without regard to ASCII case, as on Windows.
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

  virtual ~Registry() = default;

  // A key exists when it or a key below it exists ("Software" exists when
  // "Software\Norvane L.P.\User Info" does); the root ("") exists with the hive.
  virtual long KeyExists(RegistryHive hive, const std::string& key) const = 0;
  // Reads the value's text. maxLength is the most characters the caller takes (no
  // terminator counted). A longer value gives kMoreData and, like every failure, leaves
  // value empty.
  virtual long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                          std::size_t maxLength, std::string& value) const = 0;
  // Creates the key as needed and sets the value. An empty key, or a key, name or value
  // that the store cannot hold, gives kInvalidParameter.
  virtual long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                           const std::string& value) = 0;
};

// The registry over INI text files named HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
//
// A hive file holds "[Software\Norvane L.P.\User Info]" section lines, each followed by
// its "NAME=value" lines; lines before the first section belong to the hive's root (key
// ""), blank lines and lines starting with ';' or '#' are ignored. The case first written
// is kept. Where a hand-edited file repeats a section or a name, the first one counts.
//
// WriteString creates the hive's folder, file and section as needed, keeping every other
// line of the file as it was. The file is replaced whole by a rename, so a reader sees the
// old or the new file, never a part. Keys holding '[', ']' or a line break, names holding
// '=' or a line break or starting or ending in white space or starting with '[', ';' or
// '#', and values holding a line break give kInvalidParameter.
class IniRegistry final : public Registry {
 public:
  // The hive files in the folder $TRQX_REGISTRY, else /etc/trqx/registry/ and
  // $XDG_CONFIG_HOME/trqx/registry/ (default ~/.config), as the environment names them now.
  IniRegistry();
  // Both hive files in folder.
  explicit IniRegistry(const std::string& folder);

  long KeyExists(RegistryHive hive, const std::string& key) const override;
  long ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                  std::size_t maxLength, std::string& value) const override;
  long WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                   const std::string& value) override;

  // The hive's file path.
  const std::string& HiveFile(RegistryHive hive) const;

 private:
  std::string m_localMachineFile;
  std::string m_currentUserFile;
};

}  // namespace trqx
