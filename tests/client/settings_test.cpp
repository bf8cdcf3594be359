#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "client/internal_settings.h"
#include "client/settings_file.h"
#include "client_test_support.h"
#include "foundation/client_strings.h"

namespace trqx {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

const std::string kData = std::string(TRQX_TEST_DATA) + "/client/";

// A settings file whose only known key is the UUID.
std::string FileWithUuid(unsigned uuid) {
  return "COpenNVInternalSettings,1,UUID,Value," + std::to_string(uuid) + "\r\n\n";
}

std::vector<std::string> Texts(const test::RecordingSink& sink) {
  std::vector<std::string> texts;
  for (const auto& entry : sink.m_entries) {
    texts.push_back(entry.text);
  }
  return texts;
}

TEST(InternalSettingsTest, NewSettingsAreWrittenWithEveryDefaultInTheWritersOrder) {
  test::ScopedEnv home("HOME", "/home/desk");
  TempFolder folder;
  COpenNVInternalSettings settings("/work/desk");
  EXPECT_EQ(settings.m_cacheDirectory, "/work/desk/Upload/Cache");
  CSettingsFile file(settings, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Save(size, error));
  const std::string expected = ReadFile(kData + "default_trqx.cfg");
  EXPECT_EQ(ReadFile(folder / "trqx.cfg"), expected);
  EXPECT_EQ(size, expected.size());
}

TEST(InternalSettingsTest, EveryKeyIsReadInAnyOrderAndUnknownEntriesAreSkipped) {
  TempFolder folder;
  std::filesystem::copy_file(kData + "all_keys_trqx.cfg", folder / "trqx.cfg");
  COpenNVInternalSettings s("/work/desk");
  CSettingsFile file(s, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Load(size, error));
  EXPECT_EQ(size, std::filesystem::file_size(folder / "trqx.cfg"));
  EXPECT_EQ(s.m_copyDir, "/d/up");
  EXPECT_EQ(s.m_profileName, "@Desk.qvu");
  EXPECT_EQ(s.m_username, "jsmith");
  EXPECT_EQ(s.m_password, "plain");
  EXPECT_EQ(s.m_invokePath, "/opt/term");
  EXPECT_EQ(s.m_invokeTimeout, 1500u);
  EXPECT_TRUE(s.m_useLogin);
  EXPECT_EQ(s.m_uuid, 4000000000u);
  EXPECT_FALSE(s.m_convertDotsToSlashes);
  EXPECT_EQ(s.m_portfolioLogin, "JSMITH");
  EXPECT_EQ(s.m_portfolioSystem, "SYS");
  EXPECT_EQ(s.m_portfolioWS, "WS-3");
  EXPECT_EQ(s.m_portfolioSN, "SN-9");
  EXPECT_EQ(s.m_fileDlgDir, "/d/in");
  EXPECT_EQ(s.m_invokeName, "upl");
  EXPECT_EQ(s.m_serverAddress, "10.0.0.7");
  EXPECT_EQ(s.m_clientLogin, "desk1");
  EXPECT_EQ(s.m_clientPassword, "p,w");
  EXPECT_TRUE(s.m_clientAutoRestart);
  EXPECT_EQ(s.m_clientAutoRestartInterval, 90);
  EXPECT_EQ(s.m_serverPort, 21010);
  EXPECT_EQ(s.m_uploadMethod, kUploadClientServer);
  EXPECT_EQ(s.m_downLoadDestDir, "/d/reports");
  EXPECT_FALSE(s.m_autoIncrement);
  EXPECT_EQ(s.m_currentBasketId, "998");
  EXPECT_TRUE(s.m_betaAccount);
  EXPECT_TRUE(s.m_usePoll);
  EXPECT_EQ(s.m_pollDirectory, "/d/poll");
  EXPECT_EQ(s.m_tempDirectory, "/d/tmp");
  EXPECT_EQ(s.m_detectMethod, 5);
  EXPECT_EQ(s.m_timerInterval, 30);
  EXPECT_EQ(s.m_excelFileFormat, 2);
  EXPECT_EQ(s.m_appendUuidLogin, 1);
  EXPECT_TRUE(s.m_useUuid);
  EXPECT_FALSE(s.m_useServerSN);

  // Start-up derives the work folders from the copy folder, whatever the file said.
  s.DeriveWorkFolders();
  EXPECT_EQ(s.m_cacheDirectory, "/d/up/Cache");
  EXPECT_EQ(s.m_tempDirectory, "/d/up/Temp");
}

TEST(InternalSettingsTest, PasswordIsScrambledOnlyWhenStoredScrambledOrNew) {
  COpenNVInternalSettings settings("/w");
  TokenList tokens;
  settings.Save(tokens);
  EXPECT_EQ(tokens[1], "34");
  EXPECT_EQ(std::count(tokens.begin(), tokens.end(), "EncryptionPassword"), 0);

  settings.m_password = "secret";
  tokens.clear();
  settings.Save(tokens);
  EXPECT_EQ(tokens[1], "35");
  auto key = std::find(tokens.begin(), tokens.end(), "EncryptionPassword");
  ASSERT_NE(key, tokens.end());
  const std::string stored = *(key + 2);
  EXPECT_EQ(stored.size(), 2 * (1 + std::string("secret").size()));
  EXPECT_EQ(stored.substr(0, 2), "2C");  // the marker '*' scrambled at position 0

  COpenNVInternalSettings loaded("/w");
  std::size_t pos = 0;
  ASSERT_TRUE(loaded.Load(tokens, pos));
  EXPECT_EQ(pos, tokens.size());
  EXPECT_EQ(loaded.m_password, "secret");
  TokenList again;
  loaded.Save(again);
  EXPECT_EQ(again, tokens);

  // A password stored in plain text is written back in plain text.
  COpenNVInternalSettings plain("/w");
  TokenList plainTokens = {"COpenNVInternalSettings", "1", "EncryptionPassword", "Value",
                           "hunter2"};
  pos = 0;
  ASSERT_TRUE(plain.Load(plainTokens, pos));
  EXPECT_EQ(plain.m_password, "hunter2");
  TokenList written;
  plain.Save(written);
  EXPECT_NE(std::find(written.begin(), written.end(), "hunter2"), written.end());
}

class SettingsLoadTest : public ::testing::Test {
 protected:
  std::string Cfg() const { return m_folder / "trqx.cfg"; }
  std::string Set() const { return m_folder / "Set"; }
  std::string LoadCopy() const { return m_folder / "Load"; }

  TempFolder m_folder;
  COpenNVInternalSettings m_settings{"/work/desk"};
  CSettingsFile m_file{m_settings, m_folder.Path()};
  test::RecordingLogger m_log;
};

TEST_F(SettingsLoadTest, MissingFileIsCreatedEmptyAndDefaultsApply) {
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_TRUE(std::filesystem::exists(Cfg()));
  EXPECT_EQ(std::filesystem::file_size(Cfg()), 0u);
  EXPECT_EQ(m_settings.m_uuid, 0u);
  EXPECT_EQ(m_settings.m_currentBasketId, "1");
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  const auto& entry = m_log.sink.m_entries[0];
  EXPECT_EQ(entry.number, client_strings::kMsgFreeText);
  EXPECT_EQ(entry.level, kLogInfo);
  EXPECT_EQ(entry.category, kCategorySystem);
  EXPECT_EQ(entry.text, "New settings file created");
  EXPECT_FALSE(std::filesystem::exists(LoadCopy()));
}

TEST_F(SettingsLoadTest, ReadFileIsCopiedToLoad) {
  WriteFile(Cfg(), FileWithUuid(4711));
  WriteFile(LoadCopy(), "old");
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(m_settings.m_uuid, 4711u);
  EXPECT_EQ(Texts(m_log.sink),
            std::vector<std::string>{"Settings file successfully read. (UUID=4711,filesize=" +
                                     std::to_string(FileWithUuid(4711).size()) + ")"});
  EXPECT_EQ(ReadFile(LoadCopy()), FileWithUuid(4711));
}

TEST_F(SettingsLoadTest, ForeignClassKeepsDefaultsAndCountsAsRead) {
  const std::string foreign = "CServerSettings,1,UUID,Value,99\r\n\n";
  WriteFile(Cfg(), foreign);
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(m_settings.m_uuid, 0u);
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].text, "Settings file successfully read. (UUID=0,filesize=" +
                                              std::to_string(foreign.size()) + ")");
}

TEST_F(SettingsLoadTest, UuidZeroIsRestoredFromSetAndReadAgain) {
  WriteFile(Cfg(), FileWithUuid(0));
  WriteFile(Set(), FileWithUuid(321));
  EXPECT_FALSE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(ReadFile(Cfg()), FileWithUuid(321));
  EXPECT_EQ(ReadFile(LoadCopy()), FileWithUuid(0));
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(m_settings.m_uuid, 321u);
}

TEST_F(SettingsLoadTest, EmptyFileIsRestoredFromSetAtStartup) {
  WriteFile(Cfg(), "");
  WriteFile(Set(), FileWithUuid(55));
  LoadSettingsAtStartup(m_file, m_log.logger);
  EXPECT_EQ(m_settings.m_uuid, 55u);
  EXPECT_EQ(Texts(m_log.sink),
            (std::vector<std::string>{"New settings file created",
                                      "Settings file successfully read. (UUID=55,filesize=" +
                                          std::to_string(FileWithUuid(55).size()) + ")"}));
}

TEST_F(SettingsLoadTest, StartupLoadsAtMostTwiceWhenSetHoldsUuidZeroToo) {
  WriteFile(Cfg(), FileWithUuid(0));
  WriteFile(Set(), FileWithUuid(0));
  LoadSettingsAtStartup(m_file, m_log.logger);
  EXPECT_EQ(m_log.sink.m_entries.size(), 2u);
  EXPECT_EQ(m_settings.m_uuid, 0u);
}

TEST_F(SettingsLoadTest, UnreadableFileLeavesEveryDefault) {
  // The first entry is good, the object then runs short: nothing of it may stay.
  WriteFile(Cfg(), "COpenNVInternalSettings,3,UUID,Value,12,CopyDir,Value,/x\r\n\n");
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(m_settings.m_uuid, 0u);
  EXPECT_EQ(m_settings.m_copyDir, "/work/desk/Upload");
  EXPECT_EQ(Texts(m_log.sink), std::vector<std::string>{"Error reading\\creating settings file"});

  m_log.sink.m_entries.clear();
  WriteFile(Cfg(), "COpenNVInternalSettings,1,UUID,Value,\"12\n");  // quote open at the end
  EXPECT_TRUE(RunSettingsLoadStep(m_file, m_log.logger));
  EXPECT_EQ(m_settings.m_uuid, 0u);
  EXPECT_EQ(Texts(m_log.sink), std::vector<std::string>{"Error reading\\creating settings file"});
}

TEST_F(SettingsLoadTest, SuccessfulSavesRefreshSet) {
  m_settings.m_uuid = 9;
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kBasket));
  const std::string written = ReadFile(Cfg());
  EXPECT_EQ(ReadFile(Set()), written);
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kDownloadSettings));
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kInternalSettings));
  const std::string size = std::to_string(written.size());
  EXPECT_EQ(
      Texts(m_log.sink),
      (std::vector<std::string>{"Basket Settings file updated (filesize=" + size + ") (uuid=9)",
                                "Download Settings file updated (filesize=" + size + ") (uuid=9)",
                                "Settings file updated (filesize=" + size + ") (uuid=9)"}));
  for (const auto& entry : m_log.sink.m_entries) {
    EXPECT_EQ(entry.level, kLogInfo);
    EXPECT_EQ(entry.number, client_strings::kMsgFreeText);
  }
}

TEST_F(SettingsLoadTest, FailedSavesAreLoggedAndLeaveSetAlone) {
  std::filesystem::create_directory(Cfg());  // cannot be opened for writing
  WriteFile(Set(), "good");
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kBasket));
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kDownloadSettings));
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kInternalSettings));
  EXPECT_EQ(ReadFile(Set()), "good");
  ASSERT_EQ(m_log.sink.m_entries.size(), 3u);
  EXPECT_EQ(m_log.sink.m_entries[0].text,
            "Warning!!!: Unable to write to basket settings file 'trqx.cfg'");
  EXPECT_EQ(m_log.sink.m_entries[0].level, kLogInfo);
  EXPECT_EQ(m_log.sink.m_entries[1].text,
            "Warning!!!: Unable to write to download settings file 'trqx.cfg'");
  const auto& dialog = m_log.sink.m_entries[2];
  EXPECT_EQ(dialog.level, kLogError);
  EXPECT_EQ(dialog.number, client_strings::kMsgFileError);
  EXPECT_EQ(dialog.text, "File error, function: Error saving settings file trqx.cfg: Open (" +
                             Cfg() + "), code " + std::to_string(EISDIR) + ".");
}

}  // namespace
}  // namespace trqx
