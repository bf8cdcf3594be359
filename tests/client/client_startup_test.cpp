#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "client/client_startup.h"
#include "client/user_info.h"
#include "client_test_support.h"
#include "foundation/client_strings.h"
#include "foundation/field_format.h"
#include "settings/internal_settings.h"
#include "support/fake_registry.h"

namespace trqx {
namespace {

constexpr const char* kKeyText = "HKEY_???\\Software\\Norvane L.P\\User Info";

class UserInfoTest : public ::testing::Test {
 protected:
  void Set(RegistryHive hive, const char* name, const std::string& value) {
    ASSERT_EQ(m_registry.WriteString(hive, kUserInfoKey, name, value), Registry::kSuccess);
  }

  test::FakeRegistry m_registry;
  test::RecordingLogger m_log;
  COpenNVInternalSettings m_settings{"/w"};
};

TEST_F(UserInfoTest, MachineValuesComeFirstThenTheUsers) {
  Set(RegistryHive::kLocalMachine, "Serial Number", "SN-M");
  Set(RegistryHive::kCurrentUser, "Serial Number", "SN-U");
  Set(RegistryHive::kCurrentUser, "USERUUID", "77");
  EXPECT_EQ(ReadRegistrySerialNumber(m_registry, m_log.logger), "SN-M");
  std::string uuid = "old";
  ReadTerminalUserUuid(m_registry, m_settings, m_log.logger, uuid);
  EXPECT_EQ(uuid, "77");
  EXPECT_TRUE(m_log.sink.m_entries.empty());
}

TEST_F(UserInfoTest, UnreadableValuesAreLoggedWithTheUsersCodeAndEmpty) {
  // A serial number of more than 30 characters cannot be read either; the user's hive
  // fails in a way of its own, and its code is the one logged.
  Set(RegistryHive::kLocalMachine, "Serial Number", std::string(31, 'S'));
  m_registry.FailWith(RegistryHive::kCurrentUser, Registry::kAccessDenied);
  EXPECT_EQ(ReadRegistrySerialNumber(m_registry, m_log.logger), "");
  std::string uuid = "old";
  ReadTerminalUserUuid(m_registry, m_settings, m_log.logger, uuid);
  EXPECT_EQ(uuid, "");
  ASSERT_EQ(m_log.sink.m_entries.size(), 2u);
  for (const auto& entry : m_log.sink.m_entries) {
    EXPECT_EQ(entry.number, client_strings::kMsgRegistryReadFailed);
    EXPECT_EQ(entry.level, kLogError);
    EXPECT_EQ(entry.text, std::string("Failed reading registry key ") + kKeyText +
                              ", error code=" + std::to_string(Registry::kAccessDenied));
  }
  EXPECT_EQ(m_log.sink.m_entries[0].category, kCategorySystem);
  EXPECT_EQ(m_log.sink.m_entries[1].category, kCategoryFtp);
}

TEST_F(UserInfoTest, ServerSerialNumberModeUsesTheConstantAndSkipsTheUuid) {
  m_settings.m_uploadMethod = kUploadClientServer;
  SetPortfolioSerialNumber(m_settings, "SN-R");
  EXPECT_EQ(m_settings.m_portfolioSN, "Server    ");
  std::string uuid = "kept";
  ReadTerminalUserUuid(m_registry, m_settings, m_log.logger, uuid);
  EXPECT_EQ(uuid, "kept");
  EXPECT_TRUE(m_log.sink.m_entries.empty());

  m_settings.m_useServerSN = false;
  SetPortfolioSerialNumber(m_settings, "SN-R");
  EXPECT_EQ(m_settings.m_portfolioSN, "SN-R");
  m_settings.m_uploadMethod = kUploadTerminal;
  m_settings.m_useServerSN = true;
  SetPortfolioSerialNumber(m_settings, "SN-T");
  EXPECT_EQ(m_settings.m_portfolioSN, "SN-T");
}

TEST(ClientStartupTest, FieldFormatFailuresAreLoggedByKind) {
  ScratchFolder folder;
  test::RecordingLogger log;
  EXPECT_FALSE(ReadFieldFormatAtStartup(log.logger, folder.Path()));
  WriteWholeFile(folder.File("NVFormat.cfg"),
                 "OstraneField,4,Name,Value,X,Width,Value,1,Type,Value,42,Category,Value,0\r\n");
  EXPECT_FALSE(ReadFieldFormatAtStartup(log.logger, folder.Path()));
  ASSERT_EQ(log.sink.m_entries.size(), 2u);
  const std::string path = folder.File("NVFormat.cfg");
  EXPECT_EQ(log.sink.m_entries[0].number, client_strings::kMsgFileError);
  EXPECT_EQ(log.sink.m_entries[0].text,
            "File error, function: " + path + ", code " + std::to_string(ENOENT) + ".");
  EXPECT_EQ(log.sink.m_entries[1].number, client_strings::kMsgBadFormatFile);
  EXPECT_EQ(log.sink.m_entries[1].text,
            "The Norvane upload field format file, " + path + ", has a bad format.");
  for (const auto& entry : log.sink.m_entries) {
    EXPECT_EQ(entry.level, kLogError);
  }

  WriteWholeFile(folder.File("NVFormat.cfg"),
                 "OstraneField,4,Name,Value,X,Width,Value,1,Type,Value,2,Category,Value,0\r\n");
  EXPECT_TRUE(ReadFieldFormatAtStartup(log.logger, folder.Path()));
  EXPECT_EQ(TheFieldFormat().UploadFields().size(), 1u);
  TheFieldFormat().Clear();
}

TEST(ClientStartupTest, WorkFoldersAreCreatedComponentByComponent) {
  ScratchFolder folder;
  COpenNVInternalSettings settings(folder.Path());
  settings.m_copyDir = folder.File("a/b/Upload");
  settings.m_pollDirectory = folder.File("in/poll");
  settings.DeriveWorkFolders();
  CreateWorkFolders(settings);
  for (const char* made : {"a/b/Upload", "a/b/Upload/Cache", "a/b/Upload/Temp", "in/poll"}) {
    EXPECT_TRUE(std::filesystem::is_directory(folder.File(made))) << made;
  }
}

}  // namespace
}  // namespace trqx
