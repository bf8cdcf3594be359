// The server settings file: golden bytes both ways, defaults, and what loads and what does not.
#include "server/server_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_folder.h"

namespace trqx {
namespace {

const std::string kGolden = std::string(TRQX_TEST_DATA) + "/server/VEXOSvr.cfg";

// The settings the golden file holds, set field by field.
CServerSettings GoldenSettings() {
  CServerSettings settings;
  CUserSettings& user = settings.m_user;
  user.m_port = 21011;
  user.m_maxClients = 4;
  user.m_login = "Desk Login";
  user.m_password = "pa,ss";
  user.m_usePassword = true;
  user.m_acceptUnAuthorizedClients = true;
  user.m_autoRestart = true;
  user.m_restartInterval = 4294967295u;
  user.m_clientList = {"127.0.0.1", "127.0.0.2", "127.0.0.1"};
  FTPPutSettings& ftp = settings.m_ftp;
  ftp.m_primaryAddress = "primary.example:2121";
  ftp.m_backupAddress = "backup.example";
  ftp.m_password = "say \"hi\"";
  ftp.m_username = " desk ";
  ftp.m_proxyAddress = "proxy.example";
  ftp.m_bypassList = "a.example,b.example";
  ftp.m_sessionType = FTPPutSettings::kProxy;
  ftp.m_infiniteRetry = false;
  ftp.m_retryLimit = -1;
  ftp.m_retryInterval = 0;
  ftp.m_destDir = "/incoming";
  ftp.m_resetQOnStart = true;
  ftp.m_primaryIsActive = false;
  return settings;
}

// Both objects' tokens: equal tokens mean equal settings, since the writer is checked
// against the golden bytes on its own.
TokenList Tokens(const CServerSettings& settings) {
  TokenList tokens;
  settings.m_user.Save(tokens);
  settings.m_ftp.Save(tokens);
  return tokens;
}

TEST(ServerSettingsFile, WritesAndReadsTheGoldenFile) {
  ScratchFolder folder;
  CFileError error;
  ASSERT_TRUE(GoldenSettings().SaveFile(folder.File("VEXOSvr.cfg"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("VEXOSvr.cfg")), ReadWholeFile(kGolden));
  CServerSettings loaded;
  ASSERT_TRUE(loaded.LoadFile(kGolden, error));
  EXPECT_EQ(Tokens(loaded), Tokens(GoldenSettings()));
}

TEST(ServerSettingsFile, AMissingFileLeavesTheDefaults) {
  ScratchFolder folder;
  CServerSettings settings;
  CFileError error;
  ASSERT_TRUE(settings.LoadFile(folder.File("VEXOSvr.cfg"), error));
  ASSERT_TRUE(settings.SaveFile(folder.File("VEXOSvr.cfg"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("VEXOSvr.cfg")),
            "CUserSettings,9,Port,Value,21010,MaxClients,Value,15,Login,Value,VEXOServer,"
            "Password,Value,,UsePassword,Value,FALSE,AcceptUnAuthorizedClients,Value,FALSE,"
            "AutoRestart,Value,FALSE,RestartInterval,Value,150000,ClientList,Array,0,"
            "FTPPutSettings,14,PrimaryAddress,Value,,BackupAddress,Value,,Password,Value,,"
            "Username,Value,,ProxyAddress,Value,,BypassList,Value,,SessionType,Value,0,"
            "InfiniteRetry,Value,TRUE,RetryLimit,Value,10,RetryInterval,Value,20000,"
            "DestDir,Value,,SourceDir,Value,,ResetQOnStart,Value,FALSE,"
            "PrimaryIsActive,Value,TRUE\r\n\n");
}

TEST(ServerSettingsFile, LoadsWhatItCanAndKeepsEverythingOnFailure) {
  std::string manyClients = "CUserSettings,1,ClientList,Array,100000";
  for (int i = 0; i < 100000; ++i) {
    manyClients += ",127.0.0.1";
  }
  const struct {
    std::string content;
    bool loads;
    std::string values;  // Port, MaxClients, RestartInterval, ClientList size, RetryLimit
  } rows[] = {
      // Without FTPPutSettings the FTP defaults come back (the settings start at 3 retries).
      {.content = "CUserSettings,1,Port,Value,5\r\n\n",
       .loads = true,
       .values = "5 15 150000 0 10"},
      {.content = "FTPPutSettings,1,RetryLimit,Value,7\r\nCUserSettings,1,MaxClients,Value,2\n",
       .loads = true,
       .values = "21010 2 150000 0 7"},
      {.content = "CMailSettings,1,Host,Value,x,FTPPutSettings,0\r\n",
       .loads = true,
       .values = "21010 15 150000 0 10"},
      // Values get no range test.
      {.content = "CUserSettings,3,Port,Value,70000,MaxClients,Value,-5,RestartInterval,Value,-1",
       .loads = true,
       .values = "70000 -5 4294967295 0 10"},
      {.content = "CUserSettings,1,Port,Value,0", .loads = true, .values = "0 15 150000 0 10"},
      {.content = manyClients, .loads = true, .values = "21010 15 150000 100000 10"},
      // A load that fails changes nothing.
      {.content = "CUserSettings,2,Port,Value,5,ClientList,Array,99999999,a\r\n",
       .loads = false,
       .values = "1 1 1 1 3"},
      {.content = "CUserSettings,1,Port,Value,5\r\nJunk\r\n",
       .loads = false,
       .values = "1 1 1 1 3"},
      {.content = "CUserSettings,1,Login,Value,\"open\n", .loads = false, .values = "1 1 1 1 3"},
  };
  ScratchFolder folder;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.content.substr(0, 80));
    WriteWholeFile(folder.File("VEXOSvr.cfg"), row.content);
    CServerSettings settings;
    settings.m_user.m_port = settings.m_user.m_maxClients = 1;
    settings.m_user.m_restartInterval = 1;
    settings.m_user.m_clientList = {"127.0.0.1"};
    settings.m_ftp.m_retryLimit = 3;
    CFileError error;
    EXPECT_EQ(settings.LoadFile(folder.File("VEXOSvr.cfg"), error), row.loads);
    const CUserSettings& user = settings.m_user;
    EXPECT_EQ(std::to_string(user.m_port) + " " + std::to_string(user.m_maxClients) + " " +
                  std::to_string(user.m_restartInterval) + " " +
                  std::to_string(user.m_clientList.size()) + " " +
                  std::to_string(settings.m_ftp.m_retryLimit),
              row.values);
  }
}

TEST(ServerSettingsFile, AnUnreadableFileIsAFileError) {
  ScratchFolder folder;
  CServerSettings settings;
  CFileError error;
  EXPECT_FALSE(settings.LoadFile(folder.Path(), error));  // a folder
  EXPECT_EQ(error.m_cause, FileErrorCause::kOpen);
}

}  // namespace
}  // namespace trqx
