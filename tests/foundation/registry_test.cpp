#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/scratch_folder.h"

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
  long Exists(const std::string& key) {
    return Registry::KeyExists(RegistryHive::kCurrentUser, key);
  }

  const std::string m_old = std::getenv("TRQX_REGISTRY") ? std::getenv("TRQX_REGISTRY") : "";
  ScratchFolder m_folder;
  std::string m_hive = m_folder.File("HKEY_CURRENT_USER");
  std::string m_value;
};

TEST_F(RegistryTest, MissingHiveKeyOrValueIsCodeTwo) {
  EXPECT_EQ(Exists(kUserInfo), Registry::kNotFound);
  EXPECT_EQ(Read(kUserInfo, "USERUUID"), Registry::kNotFound);
  WriteWholeFile(m_hive,
                 "USERUUID=root\n[Software\\Norvane L.P.]\nUSERUUID=parent\n"
                 "  [software\\norvane l.p.\\user info]  \r\n  userUUID =  4711 \r\n"
                 "USERUUID=second\nLong=" +
                     std::string(31, '7') + "\n[Other]\nX=o\n");
  EXPECT_EQ(Read(kUserInfo, "X"), Registry::kNotFound);
  EXPECT_EQ(Read("Software\\VEXO_PATH", "ApplicationPath", 199), Registry::kNotFound);
  EXPECT_EQ(Registry::ReadString(RegistryHive::kLocalMachine, kUserInfo, "USERUUID", 30, m_value),
            Registry::kNotFound);
  for (const std::string key : {"Software", "SOFTWARE\\norvane l.p.\\USER INFO", ""}) {
    EXPECT_EQ(Exists(key), Registry::kSuccess) << key;
  }
  for (const std::string key : {"Soft", "Software\\Norvane", "Software\\VEXO_PATH"}) {
    EXPECT_EQ(Exists(key), Registry::kNotFound) << key;
  }
  // Each key's own section counts, the first of repeated names, within the caller's limit.
  ASSERT_EQ(Read(kUserInfo, "USERUUID"), Registry::kSuccess);
  EXPECT_EQ(m_value, "  4711 ");
  ASSERT_EQ(Read("Software\\Norvane L.P.", "USERUUID"), Registry::kSuccess);
  EXPECT_EQ(m_value, "parent");
  EXPECT_EQ(Read(kUserInfo, "Long"), Registry::kMoreData);
  EXPECT_EQ(m_value, "");
  EXPECT_EQ(Read(kUserInfo, "Long", 31), Registry::kSuccess);
  // A hive that cannot be read is not taken as missing.
  std::filesystem::remove(m_hive);
  std::filesystem::create_directory(m_hive);
  EXPECT_EQ(Read(kUserInfo, "USERUUID"), Registry::kAccessDenied);
}

TEST_F(RegistryTest, WriteKeepsEveryOtherLineAndRefusesWhatALineCannotHold) {
  WriteWholeFile(m_hive, "# mine\n[Software\\Norvane L.P.\\User Info]\nserial number=OLD\n\n");
  const auto write = [](const std::string& key, const std::string& name, const std::string& value) {
    return Registry::WriteString(RegistryHive::kCurrentUser, key, name, value);
  };
  ASSERT_EQ(write(kUserInfo, "Serial Number", "NEW"), Registry::kSuccess);
  ASSERT_EQ(write("Software\\New", "X", " a b "), Registry::kSuccess);
  const std::string written =
      "# mine\n[Software\\Norvane L.P.\\User Info]\nserial number=NEW\n\n[Software\\New]\nX= a b "
      "\n";
  EXPECT_EQ(ReadWholeFile(m_hive), written);
  EXPECT_EQ(write("K]", "A", "v"), Registry::kInvalidParameter);
  EXPECT_EQ(write("K", "A=B", "v"), Registry::kInvalidParameter);
  EXPECT_EQ(write("K", "A", "two\nlines"), Registry::kInvalidParameter);
  EXPECT_EQ(ReadWholeFile(m_hive), written);
}

}  // namespace
}  // namespace trqx
