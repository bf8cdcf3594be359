#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace trqx {
namespace {

const std::string kUserInfo = "Software\\Norvane L.P.\\User Info";

// Each test gets hive files of its own; the variable is put back afterwards.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override { setenv("TRQX_REGISTRY", m_folder.Path().c_str(), 1); }
  void TearDown() override {
    m_old.empty() ? unsetenv("TRQX_REGISTRY") : setenv("TRQX_REGISTRY", m_old.c_str(), 1);
  }
  long Read(const std::string& key, const std::string& name, std::size_t max = 30) {
    return Registry::ReadString(RegistryHive::kCurrentUser, key, name, max, m_value);
  }

  const std::string m_old = std::getenv("TRQX_REGISTRY") ? std::getenv("TRQX_REGISTRY") : "";
  ScratchFolder m_folder;
  std::string m_hive = m_folder.File("HKEY_CURRENT_USER");
  std::string m_value;
};

TEST_F(RegistryTest, MissingHiveKeyOrValueIsCodeTwo) {
  EXPECT_EQ(Read(kUserInfo, "USERUUID"), Registry::kNotFound);
  WriteWholeFile(m_hive,
                 "USERUUID=root\n[Software\\Norvane L.P.]\nUSERUUID=parent\n"
                 "  [software\\norvane l.p.\\user info]  \r\n  userUUID =  4711 \r\n"
                 "USERUUID=second\nLong=" +
                     std::string(31, '7') + "\n[Other]\nX=o\n");
  EXPECT_EQ(Read(kUserInfo, "X"), Registry::kNotFound);
  for (const std::string key : {"Software", "SOFTWARE\\norvane l.p.\\USER INFO", ""}) {
    EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, key), Registry::kSuccess) << key;
  }
  for (const std::string key : {"Soft", "Software\\Norvane", "Software\\VEXO_PATH"}) {
    EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, key), Registry::kNotFound) << key;
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
