#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/scratch_folder.h"

namespace trqx {
namespace {

const std::string kUserInfo = "Software\\Norvane L.P.\\User Info";

// Each test gets hive files of its own.
class RegistryTest : public testing::Test {
 protected:
  long Read(const std::string& key, const std::string& name, std::size_t max = 30) {
    return m_registry.ReadString(RegistryHive::kCurrentUser, key, name, max, m_value);
  }
  long KeyExists(const std::string& key) {
    return m_registry.KeyExists(RegistryHive::kCurrentUser, key);
  }

  ScratchFolder m_folder;
  IniRegistry m_registry{m_folder.Path()};
  std::string m_hive = m_folder.File("HKEY_CURRENT_USER");
  std::string m_value;
};

// Sets an environment variable for the scope (unset when value is null), restoring it after.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_old = old;
    }
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST(IniRegistryFolders, TheVariableNamesOneFolderElseTheSystemsAndTheUsers) {
  ScopedVariable home("HOME", "/home/desk");
  ScopedVariable config("XDG_CONFIG_HOME", "relative/is/ignored");
  {
    ScopedVariable folder("TRQX_REGISTRY", "/tmp/hives");
    const IniRegistry registry;
    EXPECT_EQ(registry.HiveFile(RegistryHive::kLocalMachine), "/tmp/hives/HKEY_LOCAL_MACHINE");
    EXPECT_EQ(registry.HiveFile(RegistryHive::kCurrentUser), "/tmp/hives/HKEY_CURRENT_USER");
  }
  ScopedVariable folder("TRQX_REGISTRY", nullptr);
  EXPECT_EQ(IniRegistry().HiveFile(RegistryHive::kLocalMachine),
            "/etc/trqx/registry/HKEY_LOCAL_MACHINE");
  EXPECT_EQ(IniRegistry().HiveFile(RegistryHive::kCurrentUser),
            "/home/desk/.config/trqx/registry/HKEY_CURRENT_USER");
  ScopedVariable absolute("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(IniRegistry().HiveFile(RegistryHive::kCurrentUser),
            "/cfg/trqx/registry/HKEY_CURRENT_USER");
}

TEST_F(RegistryTest, MissingHiveKeyOrValueIsCodeTwo) {
  EXPECT_EQ(Read(kUserInfo, "USERUUID"), Registry::kNotFound);
  WriteWholeFile(m_hive,
                 "USERUUID=root\n[Software\\Norvane L.P.]\nUSERUUID=parent\n"
                 "  [software\\norvane l.p.\\user info]  \r\n  userUUID =  4711 \r\n"
                 "USERUUID=second\nLong=" +
                     std::string(31, '7') + "\n[Other]\nX=o\n");
  EXPECT_EQ(Read(kUserInfo, "X"), Registry::kNotFound);
  for (const std::string key : {"Software", "SOFTWARE\\norvane l.p.\\USER INFO", ""}) {
    EXPECT_EQ(KeyExists(key), Registry::kSuccess) << key;
  }
  for (const std::string key : {"Soft", "Software\\Norvane", "Software\\VEXO_PATH"}) {
    EXPECT_EQ(KeyExists(key), Registry::kNotFound) << key;
  }
  // Each key's own section counts, the first of repeated names, within the caller's limit.
  ASSERT_EQ(Read(kUserInfo, "USERUUID"), Registry::kSuccess);
  EXPECT_EQ(m_value, "  4711 ");
  ASSERT_EQ(Read("Software\\Norvane L.P.", "USERUUID"), Registry::kSuccess);
  EXPECT_EQ(m_value, "parent");
  EXPECT_EQ(Read(kUserInfo, "Long"), Registry::kMoreData);
  EXPECT_EQ(m_value, "");
  // A hive that cannot be read is not taken as missing.
  std::filesystem::remove(m_hive);
  std::filesystem::create_directory(m_hive);
  EXPECT_EQ(Read(kUserInfo, "USERUUID"), Registry::kAccessDenied);
}

}  // namespace
}  // namespace trqx
