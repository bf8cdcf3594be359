// The rules of "User Setup", "Upload FTP Settings" and the "Behavior" box.
#include "server/setup_dialogs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/scratch_folder.h"

namespace trqx {
namespace {

// The settings as the file at path holds them.
CServerSettings Reread(const std::string& path) {
  CServerSettings settings;
  CFileError error;
  EXPECT_TRUE(settings.LoadFile(path, error));
  return settings;
}

TEST(UserSetupDlg, PortLoginAndPasswordAreFixedWhileATaskRuns) {
  using F = CUserSetupDlg::Field;
  const struct {
    F field;
    bool enabledWhileRunning;
  } rows[] = {
      {.field = F::kPort, .enabledWhileRunning = false},
      {.field = F::kLogin, .enabledWhileRunning = false},
      {.field = F::kPassword, .enabledWhileRunning = false},
      {.field = F::kMaxUsers, .enabledWhileRunning = true},
      {.field = F::kAcceptUnAuthorizedClients, .enabledWhileRunning = true},
      {.field = F::kAuthorizedClients, .enabledWhileRunning = true},
  };
  CServerSettings settings;
  const CUserSetupDlg idle(settings, "unused", false);
  const CUserSetupDlg running(settings, "unused", true);
  for (const auto& row : rows) {
    EXPECT_TRUE(idle.Enabled(row.field)) << static_cast<int>(row.field);
    EXPECT_EQ(running.Enabled(row.field), row.enabledWhileRunning) << static_cast<int>(row.field);
  }
}

TEST(UserSetupDlg, AddTrimsIgnoresEmptyAndKeepsDuplicatesDeleteRemovesTheSelected) {
  CServerSettings settings;
  settings.m_user.m_clientList = {"127.0.0.5"};
  CUserSetupDlg dialog(settings, "unused", false);
  const struct {
    const char* typed;
    bool added;
  } rows[] = {
      {.typed = " \t127.0.0.9 \r\n", .added = true},
      {.typed = "   ", .added = false},
      {.typed = "", .added = false},
      {.typed = "127.0.0.9", .added = true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(dialog.AddAddress(row.typed), row.added) << '"' << row.typed << '"';
  }
  EXPECT_EQ(dialog.m_working.m_clientList,
            (std::vector<std::string>{"127.0.0.5", "127.0.0.9", "127.0.0.9"}));
  EXPECT_FALSE(dialog.DeleteAddress(3));
  EXPECT_TRUE(dialog.DeleteAddress(0));
  EXPECT_EQ(dialog.m_working.m_clientList, (std::vector<std::string>{"127.0.0.9", "127.0.0.9"}));
  EXPECT_EQ(settings.m_user.m_clientList.size(), 1u);  // nothing changes before OK
}

TEST(UserSetupDlg, OkCopiesEveryFieldBackAndSaves) {
  ScratchFolder folder;
  const std::string path = folder.File(CServerSettings::kFileName);
  CServerSettings settings;
  settings.m_user.m_autoRestart = true;  // not shown by the dialog
  CUserSetupDlg dialog(settings, path, false);
  dialog.m_working.m_port = 2121;
  dialog.m_working.m_maxClients = 1;
  dialog.m_working.m_password = "secret";
  ASSERT_TRUE(dialog.AddAddress("127.0.0.3"));
  CFileError error;
  ASSERT_TRUE(dialog.OnOK(error));
  EXPECT_EQ(settings.m_user.m_port, 2121);
  EXPECT_EQ(settings.m_user.m_maxClients, 1);
  EXPECT_TRUE(settings.m_user.m_autoRestart);
  const CServerSettings saved = Reread(path);
  EXPECT_EQ(saved.m_user.m_password, "secret");
  EXPECT_EQ(saved.m_user.m_clientList, std::vector<std::string>{"127.0.0.3"});
}

TEST(FTPSettingsDlg, OnlyInfiniteRetryAndSourceStayEnabledWhileATaskRuns) {
  using F = CFTPSettingsDlg::Field;
  const struct {
    F field;
    bool enabledWhileRunning;
    bool readOnly;
  } rows[] = {
      {.field = F::kUsername, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kPassword, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kPrimaryAddress, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kBackupAddress, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kAccessType, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kProxyName, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kBypassList, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kRetryLimit, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kRetryInterval, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kDestinationDirectory, .enabledWhileRunning = false, .readOnly = false},
      {.field = F::kInfiniteRetry, .enabledWhileRunning = true, .readOnly = false},
      {.field = F::kSourceDirectory, .enabledWhileRunning = true, .readOnly = true},
  };
  CServerSettings settings;
  const CFTPSettingsDlg idle(settings, "unused", false);
  const CFTPSettingsDlg running(settings, "unused", true);
  for (const auto& row : rows) {
    EXPECT_TRUE(idle.Enabled(row.field)) << static_cast<int>(row.field);
    EXPECT_EQ(running.Enabled(row.field), row.enabledWhileRunning) << static_cast<int>(row.field);
    EXPECT_EQ(CFTPSettingsDlg::ReadOnly(row.field), row.readOnly) << static_cast<int>(row.field);
  }
}

TEST(FTPSettingsDlg, OkTrimsHostsAndFoldersKeepsTheActiveHostAndSaves) {
  ScratchFolder folder;
  const std::string path = folder.File(CServerSettings::kFileName);
  CServerSettings settings;
  settings.m_ftp.m_resetQOnStart = true;  // not shown by the dialog
  CFTPSettingsDlg dialog(settings, path, false);
  FTPPutSettings& typed = dialog.m_working;
  typed.m_primaryAddress = "  primary.example ";
  typed.m_backupAddress = "\tbackup.example\t";
  typed.m_destDir = " /incoming ";
  typed.m_proxyAddress = " proxy.example";
  typed.m_bypassList = " a.example ";
  typed.m_username = " desk ";
  typed.m_password = " pw ";
  typed.m_retryLimit = 4;
  settings.m_ftp.m_primaryIsActive = false;  // the FTP task switched hosts meanwhile
  CFileError error;
  ASSERT_TRUE(dialog.OnOK(error));
  const CServerSettings saved = Reread(path);
  for (const FTPPutSettings* ftp : {&std::as_const(settings.m_ftp), &saved.m_ftp}) {
    EXPECT_EQ(ftp->m_primaryAddress, "primary.example");
    EXPECT_EQ(ftp->m_backupAddress, "backup.example");
    EXPECT_EQ(ftp->m_destDir, "/incoming");
    EXPECT_EQ(ftp->m_proxyAddress, "proxy.example");
    EXPECT_EQ(ftp->m_bypassList, " a.example ");
    EXPECT_EQ(ftp->m_username, " desk ");
    EXPECT_EQ(ftp->m_password, " pw ");
    EXPECT_EQ(ftp->m_retryLimit, 4);
    EXPECT_TRUE(ftp->m_resetQOnStart);
    EXPECT_FALSE(ftp->m_primaryIsActive);
  }
}

TEST(BehaviorBox, ApplyFollowsChangesCopiesSavesAndSaysWhetherTheTimerRuns) {
  const struct {
    bool autoRestart;
    std::uint32_t interval;
    bool timer;
  } rows[] = {
      {.autoRestart = true, .interval = 150, .timer = true},
      {.autoRestart = true, .interval = 0, .timer = false},
      {.autoRestart = false, .interval = 150, .timer = false},
  };
  ScratchFolder folder;
  const std::string path = folder.File(CServerSettings::kFileName);
  for (const auto& row : rows) {
    CServerSettings settings;
    CBehaviorBox box(settings, path);
    EXPECT_FALSE(box.AutoRestart());
    EXPECT_EQ(box.RestartInterval(), 150000u);
    EXPECT_FALSE(box.ApplyEnabled());
    box.OnAutoRestartChanged(row.autoRestart);
    EXPECT_TRUE(box.ApplyEnabled());
    box.OnIntervalChanged(row.interval);
    EXPECT_EQ(settings.m_user.m_restartInterval, 150000u);  // nothing changes before Apply
    const CBehaviorBox::Applied applied = box.OnApply();
    EXPECT_TRUE(applied.m_saved);
    EXPECT_EQ(applied.m_restartTimer, row.timer);
    EXPECT_FALSE(box.ApplyEnabled());
    EXPECT_EQ(settings.m_user.m_autoRestart, row.autoRestart);
    EXPECT_EQ(Reread(path).m_user.m_restartInterval, row.interval);
  }
  CServerSettings settings;
  CBehaviorBox failing(settings, folder.File("no/such/VEXOSvr.cfg"));
  failing.OnIntervalChanged(5);
  const CBehaviorBox::Applied applied = failing.OnApply();
  EXPECT_FALSE(applied.m_saved);
  EXPECT_EQ(applied.m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(settings.m_user.m_restartInterval, 5u);
}

}  // namespace
}  // namespace trqx
