// The rules of "User Setup", "Upload FTP Settings" and the "Behavior" box.
#include "server/setup_dialogs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
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
  CUserSettings settings;
  const CUserSetupDlg idle(settings, false);
  const CUserSetupDlg running(settings, true);
  for (const auto& row : rows) {
    EXPECT_TRUE(idle.Enabled(row.field)) << CUserSetupDlg::Label(row.field);
    EXPECT_EQ(running.Enabled(row.field), row.enabledWhileRunning)
        << CUserSetupDlg::Label(row.field);
  }
}

TEST(UserSetupDlg, EditsShowTheSettingsAndNumbersTakeTheLeadingDigits) {
  using F = CUserSetupDlg::Field;
  CUserSettings settings;
  settings.m_maxClients = 7;
  settings.m_password = "pw";
  CUserSetupDlg dialog(settings, false);
  EXPECT_EQ(dialog.Text(F::kMaxUsers), "7");
  EXPECT_EQ(dialog.Text(F::kPassword), "pw");
  const struct {
    F field;
    const char* typed;
    const char* shown;
  } rows[] = {
      {.field = F::kPort, .typed = "2121", .shown = "2121"},
      {.field = F::kPort, .typed = "21ab", .shown = "21"},
      {.field = F::kPort, .typed = "port", .shown = "0"},
      {.field = F::kPort, .typed = "", .shown = "0"},
      {.field = F::kMaxUsers, .typed = " 3", .shown = "3"},
      {.field = F::kMaxUsers, .typed = "many", .shown = "0"},
      {.field = F::kLogin, .typed = " desk, \"one\" ", .shown = " desk, \"one\" "},
      {.field = F::kPassword, .typed = "p w", .shown = "p w"},
  };
  for (const auto& row : rows) {
    dialog.SetText(row.field, row.typed);
    EXPECT_EQ(dialog.Text(row.field), row.shown) << '"' << row.typed << '"';
  }
}

TEST(UserSetupDlg, AddTrimsIgnoresEmptyKeepsDuplicatesAndRefusesLineBreaks) {
  CUserSettings settings;
  settings.m_clientList = {"127.0.0.5"};
  CUserSetupDlg dialog(settings, false);
  const struct {
    const char* typed;
    bool added;
    const char* message;  // "" when nothing is said
  } rows[] = {
      {.typed = " \t127.0.0.9 \r\n", .added = true, .message = ""},
      {.typed = "   ", .added = false, .message = ""},
      {.typed = "", .added = false, .message = ""},
      {.typed = "127.0.0.9", .added = true, .message = ""},
      {.typed = "127.0.0.1\n127.0.0.2",
       .added = false,
       .message = "\"IP Address\" cannot hold a line break."},
      {.typed = "127.0.0.1\r7",
       .added = false,
       .message = "\"IP Address\" cannot hold a line break."},
  };
  for (const auto& row : rows) {
    std::optional<CUserSetupDlg::Refusal> refusal;
    EXPECT_EQ(dialog.AddAddress(row.typed, refusal), row.added) << '"' << row.typed << '"';
    EXPECT_EQ(refusal ? refusal->m_message : "", row.message) << '"' << row.typed << '"';
  }
  EXPECT_EQ(dialog.m_working.m_clientList,
            (std::vector<std::string>{"127.0.0.5", "127.0.0.9", "127.0.0.9"}));
  EXPECT_FALSE(dialog.DeleteAddress(3));
  EXPECT_TRUE(dialog.DeleteAddress(0));
  EXPECT_EQ(dialog.m_working.m_clientList, (std::vector<std::string>{"127.0.0.9", "127.0.0.9"}));
  EXPECT_EQ(settings.m_clientList.size(), 1u);  // nothing changes before OK
}

TEST(UserSetupDlg, OkCopiesEveryFieldBackAndWhatItKeepsRoundTripsThroughTheFile) {
  ScratchFolder folder;
  const std::string path = folder.File(CServerSettings::kFileName);
  CServerSettings settings;
  settings.m_user.m_autoRestart = true;  // not shown by the dialog
  CUserSetupDlg dialog(settings.m_user, false);
  using F = CUserSetupDlg::Field;
  dialog.SetText(F::kPort, "2121");
  dialog.SetText(F::kMaxUsers, "1");
  dialog.SetText(F::kLogin, "");
  dialog.SetText(F::kPassword, "se,cr\"et");
  dialog.m_working.m_acceptUnAuthorizedClients = true;
  std::optional<CUserSetupDlg::Refusal> refusal;
  ASSERT_TRUE(dialog.AddAddress("127.0.0.3", refusal));
  ASSERT_TRUE(dialog.AddAddress("host,\"a\"", refusal));
  ASSERT_EQ(dialog.OnOK(), std::nullopt);
  EXPECT_EQ(settings.m_user.m_port, 2121);
  EXPECT_TRUE(settings.m_user.m_autoRestart);
  CFileError error;
  ASSERT_TRUE(settings.SaveFile(path, error));
  const CServerSettings saved = Reread(path);
  EXPECT_EQ(saved.m_user.m_port, 2121);
  EXPECT_EQ(saved.m_user.m_maxClients, 1);
  EXPECT_EQ(saved.m_user.m_login, "");
  EXPECT_EQ(saved.m_user.m_password, "se,cr\"et");
  EXPECT_TRUE(saved.m_user.m_acceptUnAuthorizedClients);
  EXPECT_EQ(saved.m_user.m_clientList, (std::vector<std::string>{"127.0.0.3", "host,\"a\""}));
}

TEST(UserSetupDlg, OkRefusesTheFirstFieldWithALineBreakAndChangesNothing) {
  using F = CUserSetupDlg::Field;
  const struct {
    const char* login;
    const char* password;
    F field;
    const char* message;
  } rows[] = {
      {.login = "a\nb",
       .password = "c\nd",
       .field = F::kLogin,
       .message = "\"Login\" cannot hold a line break."},
      {.login = "desk\r",
       .password = "",
       .field = F::kLogin,
       .message = "\"Login\" cannot hold a line break."},
      {.login = "desk",
       .password = "\npw",
       .field = F::kPassword,
       .message = "\"Password\" cannot hold a line break."},
  };
  for (const auto& row : rows) {
    CUserSettings settings;
    CUserSetupDlg dialog(settings, false);
    dialog.SetText(F::kMaxUsers, "2");
    dialog.SetText(F::kLogin, row.login);
    dialog.SetText(F::kPassword, row.password);
    const std::optional<CUserSetupDlg::Refusal> refusal = dialog.OnOK();
    ASSERT_TRUE(refusal.has_value()) << row.message;
    EXPECT_EQ(refusal->m_field, row.field) << row.message;
    EXPECT_EQ(refusal->m_message, row.message);
    EXPECT_EQ(settings.m_maxClients, 15) << row.message;
  }
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
  FTPPutSettings settings;
  const CFTPSettingsDlg idle(settings, false);
  const CFTPSettingsDlg running(settings, true);
  for (const auto& row : rows) {
    EXPECT_TRUE(idle.Enabled(row.field)) << CFTPSettingsDlg::Label(row.field);
    EXPECT_EQ(running.Enabled(row.field), row.enabledWhileRunning)
        << CFTPSettingsDlg::Label(row.field);
    EXPECT_EQ(CFTPSettingsDlg::ReadOnly(row.field), row.readOnly)
        << CFTPSettingsDlg::Label(row.field);
  }
}

TEST(FTPSettingsDlg, RetryNumbersTakeTheLeadingDigitsAndSourceIsNotTyped) {
  using F = CFTPSettingsDlg::Field;
  FTPPutSettings settings;
  settings.m_sourceDir = "/spool";
  CFTPSettingsDlg dialog(settings, false);
  EXPECT_EQ(dialog.Text(F::kRetryLimit), "10");
  EXPECT_EQ(dialog.Text(F::kRetryInterval), "20000");
  const struct {
    F field;
    const char* typed;
    const char* shown;
  } rows[] = {
      {.field = F::kRetryLimit, .typed = "3", .shown = "3"},
      {.field = F::kRetryLimit, .typed = "3x", .shown = "3"},
      {.field = F::kRetryLimit, .typed = "ten", .shown = "0"},
      {.field = F::kRetryInterval, .typed = "500ms", .shown = "500"},
      {.field = F::kRetryInterval, .typed = "soon", .shown = "0"},
      {.field = F::kRetryInterval, .typed = "99999999999", .shown = "4294967295"},
      {.field = F::kSourceDirectory, .typed = "/elsewhere", .shown = "/spool"},
      {.field = F::kBypassList, .typed = "a, \"b\"", .shown = "a, \"b\""},
      {.field = F::kAccessType, .typed = "Proxy", .shown = ""},
  };
  for (const auto& row : rows) {
    dialog.SetText(row.field, row.typed);
    EXPECT_EQ(dialog.Text(row.field), row.shown) << '"' << row.typed << '"';
  }
}

TEST(FTPSettingsDlg, OkTrimsHostsAndFoldersKeepsTheActiveHostAndRoundTripsThroughTheFile) {
  ScratchFolder folder;
  const std::string path = folder.File(CServerSettings::kFileName);
  CServerSettings settings;
  settings.m_ftp.m_resetQOnStart = true;  // not shown by the dialog
  CFTPSettingsDlg dialog(settings.m_ftp, false);
  using F = CFTPSettingsDlg::Field;
  dialog.SetText(F::kPrimaryAddress, "  primary.example \n");
  dialog.SetText(F::kBackupAddress, "\tbackup.example\t");
  dialog.SetText(F::kDestinationDirectory, " /in,coming ");
  dialog.SetText(F::kProxyName, " proxy.example");
  dialog.SetText(F::kBypassList, " a.example, \"b\" ");
  dialog.SetText(F::kUsername, " desk ");
  dialog.SetText(F::kPassword, " p\"w ");
  dialog.SetText(F::kRetryLimit, "4");
  dialog.m_working.m_sessionType = FTPPutSettings::kProxy;
  dialog.m_working.m_infiniteRetry = false;
  dialog.m_working.m_primaryIsActive = true;
  settings.m_ftp.m_primaryIsActive = false;  // the FTP task switched hosts meanwhile
  ASSERT_EQ(dialog.OnOK(), std::nullopt);
  CFileError error;
  ASSERT_TRUE(settings.SaveFile(path, error));
  const CServerSettings saved = Reread(path);
  for (const FTPPutSettings* ftp : {&std::as_const(settings.m_ftp), &saved.m_ftp}) {
    EXPECT_EQ(ftp->m_primaryAddress, "primary.example");
    EXPECT_EQ(ftp->m_backupAddress, "backup.example");
    EXPECT_EQ(ftp->m_destDir, "/in,coming");
    EXPECT_EQ(ftp->m_proxyAddress, "proxy.example");
    EXPECT_EQ(ftp->m_bypassList, " a.example, \"b\" ");
    EXPECT_EQ(ftp->m_username, " desk ");
    EXPECT_EQ(ftp->m_password, " p\"w ");
    EXPECT_EQ(ftp->m_retryLimit, 4);
    EXPECT_EQ(ftp->m_sessionType, FTPPutSettings::kProxy);
    EXPECT_FALSE(ftp->m_infiniteRetry);
    EXPECT_TRUE(ftp->m_resetQOnStart);
    EXPECT_FALSE(ftp->m_primaryIsActive);
  }
}

TEST(FTPSettingsDlg, OkRefusesTheFirstFieldThatWouldKeepALineBreak) {
  using F = CFTPSettingsDlg::Field;
  const struct {
    F typedInto;
    const char* typed;
    bool refused;
    const char* message;
  } rows[] = {
      // Trimmed on OK, so the line break at the end goes.
      {.typedInto = F::kPrimaryAddress, .typed = "host\r\n", .refused = false, .message = ""},
      {.typedInto = F::kProxyName, .typed = "\nproxy", .refused = false, .message = ""},
      {.typedInto = F::kPrimaryAddress,
       .typed = "ho\nst",
       .refused = true,
       .message = "\"IP Address(Primary)\" cannot hold a line break."},
      // Kept as typed, so even a line break at the end stays.
      {.typedInto = F::kUsername,
       .typed = "desk\n",
       .refused = true,
       .message = "\"Username\" cannot hold a line break."},
      {.typedInto = F::kPassword,
       .typed = "pw\r",
       .refused = true,
       .message = "\"Password\" cannot hold a line break."},
      {.typedInto = F::kBypassList,
       .typed = "a\nb",
       .refused = true,
       .message = "\"Server List To Bypass Proxy\" cannot hold a line break."},
      {.typedInto = F::kDestinationDirectory,
       .typed = "/in\ncoming",
       .refused = true,
       .message = "\"Destination Directory\" cannot hold a line break."},
  };
  for (const auto& row : rows) {
    FTPPutSettings settings;
    CFTPSettingsDlg dialog(settings, false);
    dialog.SetText(F::kRetryLimit, "7");
    dialog.SetText(row.typedInto, row.typed);
    const std::optional<CFTPSettingsDlg::Refusal> refusal = dialog.OnOK();
    EXPECT_EQ(refusal.has_value(), row.refused) << row.message;
    if (refusal) {
      EXPECT_EQ(refusal->m_field, row.typedInto) << row.message;
      EXPECT_EQ(refusal->m_message, row.message);
    }
    EXPECT_EQ(settings.m_retryLimit, row.refused ? 10 : 7) << "a refused OK changes nothing";
  }
  // Two bad fields: the one that comes first in the dialog is named.
  FTPPutSettings settings;
  CFTPSettingsDlg dialog(settings, false);
  dialog.SetText(F::kDestinationDirectory, "a\nb");
  dialog.SetText(F::kBackupAddress, "c\nd");
  const std::optional<CFTPSettingsDlg::Refusal> refusal = dialog.OnOK();
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(refusal->m_field, F::kBackupAddress);
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
