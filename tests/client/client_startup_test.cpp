#include "client/client_startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "client/user_info.h"
#include "foundation/client_strings.h"
#include "foundation/user_info.h"
#include "settings/internal_settings.h"
#include "support/client_folder.h"
#include "support/fake_registry.h"
#include "support/recording_log.h"
#include "support/scratch_folder.h"

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

class ClientStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CopyClientProgramFiles(m_folder.Path());
    m_registry.WriteString(RegistryHive::kCurrentUser, kUserInfoKey, "Serial Number", "SN-9");
  }

  ScratchFolder m_folder;
  test::FakeRegistry m_registry;
  std::ostringstream m_errors;
  ClientStartup m_startup{m_registry, m_folder.Path(), &m_errors,
                          [] { return std::time_t{1772800000}; }};
};

TEST_F(ClientStartupTest, EveryStepLeavesItsObjectsInTheWorkingFolder) {
  ASSERT_TRUE(m_startup.Run());
  EXPECT_EQ(m_startup.FailedStep(), ClientStartup::Step::kNone);
  EXPECT_EQ(m_startup.FailureMessage(), "");
  const std::size_t fields = m_startup.FieldFormat().UploadFields().size();
  ASSERT_GT(fields, 0u);
  // The profile's mappings are bound to the field format just read.
  ASSERT_GT(m_startup.Profile().MappingCount(), 0u);
  EXPECT_EQ(m_startup.Profile().GetMapping(0)->FieldCount(), fields);
  EXPECT_EQ(m_startup.Settings().m_portfolioSN, "SN-9");
  EXPECT_EQ(m_startup.RegistrySerialNumber(), "SN-9");
  for (const char* made : {"trqx.cfg", "Upload/Cache", "Upload/Temp", "qxu.log"}) {
    EXPECT_TRUE(std::filesystem::exists(m_folder.File(made))) << made;
  }
  // Only ERROR entries reach the error stream: the settings' INFO entries do not.
  EXPECT_EQ(m_errors.str(), "");
}

TEST_F(ClientStartupTest, WorkFoldersAreCreatedComponentByComponent) {
  COpenNVInternalSettings& settings = m_startup.Settings();
  settings.m_copyDir = m_folder.File("a/b/Upload");
  settings.m_pollDirectory = m_folder.File("in/poll");
  m_startup.CreateWorkFolders();
  for (const char* made : {"a/b/Upload", "a/b/Upload/Cache", "a/b/Upload/Temp", "in/poll"}) {
    EXPECT_TRUE(std::filesystem::is_directory(m_folder.File(made))) << made;
  }
}

// text with each "{dir}" replaced by folder.
std::string InFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}")) {
    text.replace(at, 5, folder);
  }
  return text;
}

TEST_F(ClientStartupTest, TheLogAndTheFieldFormatEndTheProgramWithTheirMessages) {
  const std::string kBadField =
      "OstraneField,4,Name,Value,X,Width,Value,1,Type,Value,42,Category,Value,0\r\n";
  struct Row {
    const char* what;
    std::string formatText;  // "" removes the file
    bool logIsFolder;
    ClientStartup::Step step;
    // In the working folder "{dir}": what the error stream shows (the logged entries) and
    // the message box.
    std::string errors;
    std::string message;
  };
  const Row rows[] = {
      {.what = "a log file that cannot be opened ends it before anything is logged",
       .formatText = kBadField,
       .logIsFolder = true,
       .step = ClientStartup::Step::kOpenLog,
       .errors = "",
       .message = "File error, function: {dir}/qxu.log, code 21."},
      {.what = "a missing field format file is a file error",
       .formatText = "",
       .logIsFolder = false,
       .step = ClientStartup::Step::kReadFieldFormat,
       .errors = "File error, function: {dir}/NVFormat.cfg, code 2.\n",
       .message = kTextCfgReadFailed},
      {.what = "a field of an unknown type is a bad format",
       .formatText = kBadField,
       .logIsFolder = false,
       .step = ClientStartup::Step::kReadFieldFormat,
       .errors = "The Norvane upload field format file, {dir}/NVFormat.cfg, has a bad format.\n",
       .message = kTextCfgReadFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchFolder folder;
    if (!row.formatText.empty()) {
      WriteWholeFile(folder.File("NVFormat.cfg"), row.formatText);
    }
    if (row.logIsFolder) {
      std::filesystem::create_directory(folder.File("qxu.log"));
    }
    std::ostringstream errors;
    ClientStartup startup(m_registry, folder.Path(), &errors);
    EXPECT_FALSE(startup.Run());
    EXPECT_EQ(startup.FailedStep(), row.step);
    EXPECT_EQ(startup.FailureMessage(), InFolder(row.message, folder.Path()));
    EXPECT_EQ(errors.str(), InFolder(row.errors, folder.Path()));
    EXPECT_FALSE(std::filesystem::exists(folder.File("trqx.cfg")));
  }
}

}  // namespace
}  // namespace trqx
