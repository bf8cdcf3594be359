#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "foundation/client_strings.h"
#include "settings/internal_settings.h"
#include "settings/settings_file.h"
#include "support/recording_log.h"
#include "support/scoped_env.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using Lines = std::vector<std::string>;
const std::string kData = std::string(TRQX_TEST_DATA) + "/client/";

// A settings file whose only known key is the UUID.
std::string FileWithUuid(unsigned uuid) {
  return "COpenNVInternalSettings,1,UUID,Value," + std::to_string(uuid) + "\r\n\n";
}

std::string ReadMsg(unsigned uuid, std::size_t size) {
  return "Settings file successfully read. (UUID=" + std::to_string(uuid) +
         ",filesize=" + std::to_string(size) + ")";
}

TEST(InternalSettingsTest, NewSettingsAreWrittenWithEveryDefaultInTheWritersOrder) {
  test::ScopedEnv home("HOME", "/home/desk");
  ScratchFolder folder;
  COpenNVInternalSettings settings("/work/desk");
  EXPECT_EQ(settings.m_cacheDirectory, "/work/desk/Upload/Cache");
  CSettingsFile file(settings, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Save(size, error));
  const std::string expected = ReadWholeFile(kData + "default_trqx.cfg");
  EXPECT_EQ(ReadWholeFile(folder.File("trqx.cfg")), expected);
  EXPECT_EQ(size, expected.size());
}

TEST(InternalSettingsTest, EveryKeyIsReadInAnyOrderAndUnknownEntriesAreSkipped) {
  ScratchFolder folder;
  std::filesystem::copy_file(kData + "all_keys_trqx.cfg", folder.File("trqx.cfg"));
  COpenNVInternalSettings s("/work/desk");
  CSettingsFile file(s, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Load(size, error));
  EXPECT_EQ(size, std::filesystem::file_size(folder.File("trqx.cfg")));
  std::ostringstream got;
  got << s.m_copyDir << '|' << s.m_profileName << '|' << s.m_username << '|' << s.m_password << '|'
      << s.m_invokePath << '|' << s.m_invokeTimeout << '|' << s.m_useLogin << '|' << s.m_uuid << '|'
      << s.m_convertDotsToSlashes << '|' << s.m_portfolioLogin << '|' << s.m_portfolioSystem << '|'
      << s.m_portfolioWS << '|' << s.m_portfolioSN << '|' << s.m_fileDlgDir << '|' << s.m_invokeName
      << '|' << s.m_serverAddress << '|' << s.m_clientLogin << '|' << s.m_clientPassword << '|'
      << s.m_clientAutoRestart << '|' << s.m_clientAutoRestartInterval << '|' << s.m_serverPort
      << '|' << (s.m_uploadMethod == kUploadClientServer) << '|' << s.m_downLoadDestDir << '|'
      << s.m_autoIncrement << '|' << s.m_currentBasketId << '|' << s.m_betaAccount << '|'
      << s.m_usePoll << '|' << s.m_pollDirectory << '|' << s.m_tempDirectory << '|'
      << s.m_detectMethod << '|' << s.m_timerInterval << '|' << s.m_excelFileFormat << '|'
      << s.m_appendUuidLogin << '|' << s.m_useUuid << '|' << s.m_useServerSN;
  EXPECT_EQ(
      got.str(),
      "/d/up|@Desk.qvu|jsmith|plain|/opt/term|1500|1|4000000000|0|JSMITH|SYS|WS-3|SN-9|/d/in|upl|"
      "10.0.0.7|desk1|p,w|1|90|21010|1|/d/reports|0|998|1|1|/d/poll|/d/tmp|5|30|2|1|1|0");
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
  EXPECT_EQ(*(key + 2), "2C" + (key + 2)->substr(2));  // the marker '*' scrambled at 0
  EXPECT_EQ((key + 2)->size(), 14u);

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

// The download converter's reader knows twenty keys; the client's keys it skips, whatever
// their form, and their values stay at the defaults.
TEST(InternalSettingsTest, TheConvertersReaderSkipsTheClientsOwnKeys) {
  const TokenList tokens = {"COpenNVInternalSettings",
                            "4",
                            "Use Poll Flag",
                            "Array",
                            "0",
                            "Current Basket ID",
                            "Value",
                            "77",
                            "ClientAutoRestart",
                            "Value",
                            "TRUE",
                            "DownLoad Dest Dir",
                            "Value",
                            "/r"};
  COpenNVInternalSettings client("/w");
  std::size_t pos = 0;
  EXPECT_FALSE(client.Load(tokens, pos));
  COpenNVInternalSettings converter("/w");
  pos = 0;
  ASSERT_TRUE(converter.Load(tokens, pos, SettingsReader::kConverter));
  EXPECT_EQ(pos, tokens.size());
  EXPECT_EQ(converter.m_currentBasketId, "1");
  EXPECT_TRUE(converter.m_clientAutoRestart);
  EXPECT_EQ(converter.m_downLoadDestDir, "/r");
}

class SettingsLoadTest : public ::testing::Test {
 protected:
  std::string Cfg() const { return m_folder.File("trqx.cfg"); }
  std::string Set() const { return m_folder.File("Set"); }
  bool Step() { return RunSettingsLoadStep(m_file, m_log.logger); }
  Lines Texts() const { return m_log.sink.Texts(); }

  ScratchFolder m_folder;
  COpenNVInternalSettings m_settings{"/work/desk"};
  CSettingsFile m_file{m_settings, m_folder.Path()};
  test::RecordingLogger m_log;
};

TEST_F(SettingsLoadTest, MissingFileIsCreatedEmptyAndDefaultsApply) {
  EXPECT_TRUE(Step());
  EXPECT_EQ(std::filesystem::file_size(Cfg()), 0u);
  EXPECT_EQ(m_settings.m_currentBasketId, "1");
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  const auto& entry = m_log.sink.m_entries[0];
  EXPECT_EQ(entry.number, client_strings::kMsgFreeText);
  EXPECT_EQ(entry.level, kLogInfo);
  EXPECT_EQ(entry.category, kCategorySystem);
  EXPECT_EQ(entry.text, "New settings file created");
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("Load")));
}

TEST_F(SettingsLoadTest, ReadFileIsCopiedToLoadAndForeignClassKeepsDefaults) {
  WriteWholeFile(Cfg(), FileWithUuid(4711));
  WriteWholeFile(m_folder.File("Load"), "old");
  EXPECT_TRUE(Step());
  EXPECT_EQ(m_settings.m_uuid, 4711u);
  EXPECT_EQ(ReadWholeFile(m_folder.File("Load")), FileWithUuid(4711));
  const std::string foreign = "CServerSettings,1,UUID,Value,99\r\n\n";
  WriteWholeFile(Cfg(), foreign);
  COpenNVInternalSettings fresh{"/work/desk"};
  CSettingsFile freshFile{fresh, m_folder.Path()};
  EXPECT_TRUE(RunSettingsLoadStep(freshFile, m_log.logger));
  EXPECT_EQ(fresh.m_uuid, 0u);
  EXPECT_EQ(Texts(), (Lines{ReadMsg(4711, FileWithUuid(4711).size()), ReadMsg(0, foreign.size())}));
}

TEST_F(SettingsLoadTest, UuidZeroOrEmptyFileIsRestoredFromSet) {
  WriteWholeFile(Cfg(), FileWithUuid(0));
  WriteWholeFile(Set(), FileWithUuid(321));
  EXPECT_FALSE(Step());
  EXPECT_EQ(ReadWholeFile(Cfg()), FileWithUuid(321));
  EXPECT_EQ(ReadWholeFile(m_folder.File("Load")), FileWithUuid(0));
  EXPECT_TRUE(Step());
  EXPECT_EQ(m_settings.m_uuid, 321u);
}

TEST_F(SettingsLoadTest, EmptyFileIsRestoredFromSetAtStartupAtMostTwice) {
  WriteWholeFile(Cfg(), "");
  WriteWholeFile(Set(), FileWithUuid(55));
  LoadSettingsAtStartup(m_file, m_log.logger);
  EXPECT_EQ(m_settings.m_uuid, 55u);
  EXPECT_EQ(Texts(), (Lines{"New settings file created", ReadMsg(55, FileWithUuid(55).size())}));

  // Start-up loads at most twice when "Set" holds UUID 0 too.
  m_log.sink.m_entries.clear();
  WriteWholeFile(Cfg(), FileWithUuid(0));
  WriteWholeFile(Set(), FileWithUuid(0));
  LoadSettingsAtStartup(m_file, m_log.logger);
  EXPECT_EQ(m_log.sink.m_entries.size(), 2u);
}

TEST_F(SettingsLoadTest, UnreadableFileLeavesEveryDefault) {
  // The first entry is good, the object then runs short; then a quote open at the end.
  for (const char* bad : {"COpenNVInternalSettings,3,UUID,Value,12,CopyDir,Value,/x\r\n\n",
                          "COpenNVInternalSettings,1,UUID,Value,\"12\n"}) {
    WriteWholeFile(Cfg(), bad);
    EXPECT_TRUE(Step());
    EXPECT_EQ(m_settings.m_uuid, 0u);
    EXPECT_EQ(m_settings.m_copyDir, "/work/desk/Upload");
  }
  EXPECT_EQ(Texts(), Lines(2, "Error reading\\creating settings file"));
}

TEST_F(SettingsLoadTest, SuccessfulSavesRefreshSet) {
  m_settings.m_uuid = 9;
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kBasket));
  const std::string written = ReadWholeFile(Cfg());
  EXPECT_EQ(ReadWholeFile(Set()), written);
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kDownloadSettings));
  EXPECT_TRUE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kInternalSettings));
  const std::string tail =
      " file updated (filesize=" + std::to_string(written.size()) + ") (uuid=9)";
  EXPECT_EQ(Texts(),
            (Lines{"Basket Settings" + tail, "Download Settings" + tail, "Settings" + tail}));
  for (const auto& entry : m_log.sink.m_entries) {
    EXPECT_EQ(entry.level, kLogInfo);
    EXPECT_EQ(entry.number, client_strings::kMsgFreeText);
  }
}

TEST_F(SettingsLoadTest, FailedSavesAreLoggedAndLeaveSetAlone) {
  std::filesystem::create_directory(Cfg());  // cannot be opened for writing
  WriteWholeFile(Set(), "good");
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kBasket));
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kDownloadSettings));
  EXPECT_FALSE(SaveSettingsAt(m_file, m_log.logger, SettingsSavePoint::kInternalSettings));
  EXPECT_EQ(ReadWholeFile(Set()), "good");
  EXPECT_EQ(Texts(), (Lines{"Warning!!!: Unable to write to basket settings file 'trqx.cfg'",
                            "Warning!!!: Unable to write to download settings file 'trqx.cfg'",
                            "File error, function: Error saving settings file trqx.cfg: Open (" +
                                Cfg() + "), code " + std::to_string(EISDIR) + "."}));
  EXPECT_EQ(m_log.sink.m_entries[0].level, kLogInfo);
  EXPECT_EQ(m_log.sink.m_entries[2].level, kLogError);
  EXPECT_EQ(m_log.sink.m_entries[2].number, client_strings::kMsgFileError);
}

}  // namespace
}  // namespace trqx
