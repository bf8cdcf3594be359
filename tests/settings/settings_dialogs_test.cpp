// The "Internal Settings" and "Advanced Settings" dialogs without a window: what the
// controls show, which are enabled, OK's checks in order and what OK writes back.

#include "settings/settings_dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "settings/settings_file.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using enum SettingsControl;
using Dlg = CInternalSettingsDlg;
using Edit = std::function<void(COpenNVInternalSettings&)>;
using Change = std::function<void(Dlg&)>;

COpenNVInternalSettings Settings(const Edit& edit = {}) {
  COpenNVInternalSettings settings("/work/desk");
  settings.m_uuid = 4711;
  settings.m_portfolioSN = "REG-SN";
  if (edit) {
    edit(settings);
  }
  return settings;
}

TEST(InternalSettingsDlgTest, ControlsShowTheSettingsWithNumbersAsText) {
  const COpenNVInternalSettings s = Settings([](COpenNVInternalSettings& s) {
    s.m_uploadMethod = kUploadClientServer;
    s.m_pollDirectory = "/in";
    s.m_timerInterval = 30;
    s.m_serverPort = 4000;
    s.m_clientAutoRestartInterval = 9;
    s.m_appendUuidLogin = 1;
    s.m_excelFileFormat = 2;
  });
  const Dlg dlg(s, true, "REG-SN");
  const Dlg::Values& v = dlg.Get();
  EXPECT_EQ(v.m_uploadMethod, kUploadClientServer);
  EXPECT_EQ(v.m_copyDir, s.m_copyDir);
  EXPECT_EQ(v.m_uuid, "4711");
  EXPECT_EQ(v.m_invokeTimeout, "60000");
  EXPECT_EQ(v.m_serverPort, "4000");
  EXPECT_EQ(v.m_clientAutoRestartInterval, "9");
  EXPECT_EQ(v.m_timerInterval, "30");
  EXPECT_EQ(v.m_pollDirectory, "/in");
  EXPECT_EQ(v.m_portfolioSN, "REG-SN");
  EXPECT_EQ(v.m_appendUuidLogin, 1);
  EXPECT_EQ(v.m_excelFileFormat, 2);
  EXPECT_TRUE(v.m_convertDotsToSlashes);
}

TEST(InternalSettingsDlgTest, AStoredDetectMethodOtherThanNotificationShowsAndStoresAsTimer) {
  struct Row {
    int stored;
    int shown;
    int storedOnOk;
  };
  const Row rows[] = {{.stored = 0, .shown = 0, .storedOnOk = 0},
                      {.stored = 1, .shown = 1, .storedOnOk = 1},
                      {.stored = 5, .shown = 1, .storedOnOk = 1},
                      {.stored = -2, .shown = 1, .storedOnOk = 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    COpenNVInternalSettings s =
        Settings([&](COpenNVInternalSettings& s) { s.m_detectMethod = row.stored; });
    const Dlg dlg(s, true, "");
    EXPECT_EQ(dlg.Get().m_detectMethod, row.shown);
    dlg.ApplyTo(s);
    EXPECT_EQ(s.m_detectMethod, row.storedOnOk);
  }
}

TEST(InternalSettingsDlgTest, ControlsAreEnabledByConnectionMethodAndCheckBoxes) {
  struct Row {
    const char* what;
    bool disconnected;
    Change change;  // null: the dialog as built from the defaults (terminal upload)
    SettingsControl control;
    bool enabled;
  };
  const auto clientServer = [](Dlg& d) { d.SetUploadMethod(kUploadClientServer); };
  const Row rows[] = {
      {"the copy folder always", false, {}, kCopyDir, true},
      {"the serial number never", true, {}, kPortfolioSN, false},
      {"the method radios while disconnected", true, {}, kMethodClientServer, true},
      {"the method radios not while connected", false, {}, kMethodTerminal, false},
      {"terminal controls in terminal mode, disconnected", true, {}, kInvokeName, true},
      {"terminal controls not while connected", false, {}, kProfileName, false},
      {"terminal controls not in client/server mode", true, clientServer, kInvokePath, false},
      {"hidden terminal login likewise", true, clientServer, kUsername, false},
      {"portfolio login in terminal mode", true, {}, kPortfolioLogin, true},
      {"portfolio workstation not in client/server mode", true, clientServer, kPortfolioWS, false},
      {"server controls in client/server mode", true, clientServer, kServerAddress, true},
      {"server S/N in client/server mode", true, clientServer, kUseServerSN, true},
      {"server controls not in terminal mode", true, {}, kServerPort, false},
      {"server controls not while connected", false, clientServer, kAutoRestartInterval, false},
      {"UUID while the mapping UUID is off", false, {}, kUuid, true},
      {"UUID not while the mapping UUID is on", false, [](Dlg& d) { d.Edit().m_useUuid = true; },
       kUuid, false},
      {"append list while auto increment is on", false, {}, kAppendUuidLogin, true},
      {"append list not while auto increment is off", false,
       [](Dlg& d) { d.Edit().m_autoIncrement = false; }, kAppendUuidLogin, false},
      {"poll folder not while polling is off", true, {}, kPollDirectory, false},
      {"detect radios not while polling is off", true, {}, kDetectTimer, false},
      {"poll folder while polling is on", false, [](Dlg& d) { d.Edit().m_usePoll = true; },
       kPollDirectory, true},
      {"detect radios while polling is on", false, [](Dlg& d) { d.Edit().m_usePoll = true; },
       kDetectNotification, true},
      {"timer interval not with notification", false, [](Dlg& d) { d.Edit().m_usePoll = true; },
       kTimerInterval, false},
      {"timer interval with polling by timer", false,
       [](Dlg& d) {
         d.Edit().m_usePoll = true;
         d.Edit().m_detectMethod = 1;
       },
       kTimerInterval, true},
      {"timer interval not by timer without polling", false,
       [](Dlg& d) { d.Edit().m_detectMethod = 1; }, kTimerInterval, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Dlg dlg(Settings(), row.disconnected, "REG-SN");
    if (row.change) {
      row.change(dlg);
    }
    EXPECT_EQ(dlg.IsEnabled(row.control), row.enabled);
  }
}

TEST(InternalSettingsDlgTest, OnlyTheTerminalLoginAndTheServerPasswordAreHidden) {
  for (SettingsControl control : {kUsername, kPassword, kUseLogin, kBetaAccount, kClientPassword}) {
    EXPECT_TRUE(Dlg::IsHidden(control)) << static_cast<int>(control);
  }
  for (SettingsControl control : {kCopyDir, kUuid, kServerAddress, kClientLogin, kAdvanced}) {
    EXPECT_FALSE(Dlg::IsHidden(control)) << static_cast<int>(control);
  }
}

TEST(InternalSettingsDlgTest, MethodAndServerSNChooseThePortfolioSerialNumber) {
  struct Row {
    const char* what;
    Change change;
    const char* serialNumber;
  };
  const Row rows[] = {
      {"client/server with server S/N", [](Dlg& d) { d.SetUploadMethod(kUploadClientServer); },
       "Server    "},
      {"client/server without server S/N",
       [](Dlg& d) {
         d.Edit().m_useServerSN = false;
         d.SetUploadMethod(kUploadClientServer);
       },
       "REG-SN"},
      {"back to terminal upload",
       [](Dlg& d) {
         d.SetUploadMethod(kUploadClientServer);
         d.SetUploadMethod(kUploadTerminal);
       },
       "REG-SN"},
      {"server S/N off in client/server mode",
       [](Dlg& d) {
         d.SetUploadMethod(kUploadClientServer);
         d.SetUseServerSN(false);
       },
       "REG-SN"},
      {"server S/N on again in client/server mode",
       [](Dlg& d) {
         d.Edit().m_useServerSN = false;
         d.SetUploadMethod(kUploadClientServer);
         d.SetUseServerSN(true);
       },
       "Server    "},
      {"server S/N in terminal mode leaves it", [](Dlg& d) { d.SetUseServerSN(true); }, "shown"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Dlg dlg(Settings([](COpenNVInternalSettings& s) { s.m_portfolioSN = "shown"; }), true,
            "REG-SN");
    row.change(dlg);
    EXPECT_EQ(dlg.Get().m_portfolioSN, row.serialNumber);
  }
}

TEST(InternalSettingsDlgTest, OkChecksInOrderAndShowsTheFirstFailure) {
  struct Row {
    const char* what;
    Change change;
    std::string message;
  };
  const auto emptyPoll = [](Dlg& d) {
    d.Edit().m_usePoll = true;
    d.Edit().m_pollDirectory = "";
  };
  const auto blankLogin = [](Dlg& d) {
    d.Edit().m_appendUuidLogin = 1;
    d.Edit().m_portfolioLogin = "";
  };
  const Row rows[] = {
      {"the settings as they are", [](Dlg&) {}, ""},
      {"polling without a folder", emptyPoll, Dlg::kNoPollDirectory},
      {"no folder while polling is off", [](Dlg& d) { d.Edit().m_pollDirectory = ""; }, ""},
      {"a UUID of 0", [](Dlg& d) { d.Edit().m_uuid = "0"; }, Dlg::kBadUuid},
      {"a UUID that is no number", [](Dlg& d) { d.Edit().m_uuid = "abc"; }, Dlg::kBadUuid},
      {"a negative UUID", [](Dlg& d) { d.Edit().m_uuid = "-5"; }, Dlg::kBadUuid},
      {"an empty UUID", [](Dlg& d) { d.Edit().m_uuid = ""; }, Dlg::kBadUuid},
      {"a bad UUID while the mapping's is used",
       [](Dlg& d) {
         d.Edit().m_uuid = "abc";
         d.Edit().m_useUuid = true;
       },
       ""},
      {"Login appended with a blank login", blankLogin, Dlg::kBlankLogin},
      {"Login appended with a login",
       [](Dlg& d) {
         d.Edit().m_appendUuidLogin = 1;
         d.Edit().m_portfolioLogin = "desk";
       },
       ""},
      {"a blank login without auto increment",
       [&](Dlg& d) {
         blankLogin(d);
         d.Edit().m_autoIncrement = false;
       },
       ""},
      {"the poll folder before the UUID",
       [&](Dlg& d) {
         emptyPoll(d);
         d.Edit().m_uuid = "0";
       },
       Dlg::kNoPollDirectory},
      {"the UUID before the login",
       [&](Dlg& d) {
         blankLogin(d);
         d.Edit().m_uuid = "0";
       },
       Dlg::kBadUuid},
      {"a line feed in a folder", [](Dlg& d) { d.Edit().m_copyDir = "/a\nb"; }, Dlg::kLineBreak},
      {"a carriage return in the password", [](Dlg& d) { d.Edit().m_clientPassword = "a\rb"; },
       Dlg::kLineBreak},
      {"the login before a line break",
       [&](Dlg& d) {
         blankLogin(d);
         d.Edit().m_serverAddress = "\n";
       },
       Dlg::kBlankLogin},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Dlg dlg(Settings(), true, "");
    row.change(dlg);
    EXPECT_EQ(dlg.CheckOk(), row.message);
  }
}

TEST(InternalSettingsDlgTest, OkParsesNumberFieldsAsDecimalWithZeroForText) {
  struct Row {
    const char* text;
    int number;
    std::uint32_t unsignedNumber;
  };
  const Row rows[] = {{.text = "42", .number = 42, .unsignedNumber = 42},
                      {.text = " 7", .number = 7, .unsignedNumber = 7},
                      {.text = "12abc", .number = 12, .unsignedNumber = 12},
                      {.text = "abc", .number = 0, .unsignedNumber = 0},
                      {.text = "", .number = 0, .unsignedNumber = 0},
                      {.text = "4294967296", .number = 2147483647, .unsignedNumber = 4294967295}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    Dlg dlg(Settings(), true, "");
    Dlg::Values& v = dlg.Edit();
    v.m_serverPort = v.m_timerInterval = v.m_clientAutoRestartInterval = row.text;
    v.m_invokeTimeout = v.m_uuid = row.text;
    COpenNVInternalSettings s = Settings();
    dlg.ApplyTo(s);
    EXPECT_EQ(s.m_serverPort, row.number);
    EXPECT_EQ(s.m_timerInterval, row.number);
    EXPECT_EQ(s.m_clientAutoRestartInterval, row.number);
    EXPECT_EQ(s.m_invokeTimeout, row.unsignedNumber);
    EXPECT_EQ(s.m_uuid, row.unsignedNumber);
  }
}

TEST(InternalSettingsDlgTest, OkWritesEveryValueBackAndDroppingTheDialogChangesNothing) {
  COpenNVInternalSettings s = Settings();
  const COpenNVInternalSettings before = s;
  Dlg dlg(s, true, "REG-SN");
  Dlg::Values& v = dlg.Edit();
  v.m_copyDir = "/up";
  v.m_profileName = "@Desk.qvu";
  v.m_invokePath = "/opt/term";
  v.m_invokeName = "sendfl";
  v.m_useUuid = true;
  v.m_username = "u";
  v.m_password = "p";
  v.m_useLogin = true;
  v.m_betaAccount = true;
  v.m_portfolioSystem = "SYS";
  v.m_portfolioLogin = "desk";
  v.m_portfolioWS = "WS1";
  v.m_serverAddress = "127.0.0.1";
  v.m_clientLogin = "client";
  v.m_clientAutoRestart = true;
  v.m_clientPassword = "secret";
  v.m_autoIncrement = false;
  v.m_appendUuidLogin = 1;
  v.m_usePoll = true;
  v.m_pollDirectory = "/in";
  v.m_excelFileFormat = 1;
  dlg.SetUseServerSN(false);
  dlg.SetUploadMethod(kUploadClientServer);
  EXPECT_EQ(s.m_copyDir, before.m_copyDir) << "the dialog works on its own copy";
  dlg.ApplyTo(s);
  EXPECT_EQ(s.m_uploadMethod, kUploadClientServer);
  EXPECT_EQ(s.m_copyDir, "/up");
  EXPECT_EQ(s.m_profileName, "@Desk.qvu");
  EXPECT_EQ(s.m_invokePath, "/opt/term");
  EXPECT_EQ(s.m_invokeName, "sendfl");
  EXPECT_TRUE(s.m_useUuid);
  EXPECT_EQ(s.m_username, "u");
  EXPECT_EQ(s.m_password, "p");
  EXPECT_TRUE(s.m_useLogin);
  EXPECT_TRUE(s.m_betaAccount);
  EXPECT_EQ(s.m_portfolioSystem, "SYS");
  EXPECT_EQ(s.m_portfolioLogin, "desk");
  EXPECT_EQ(s.m_portfolioSN, "REG-SN");
  EXPECT_EQ(s.m_portfolioWS, "WS1");
  EXPECT_EQ(s.m_serverAddress, "127.0.0.1");
  EXPECT_EQ(s.m_clientLogin, "client");
  EXPECT_TRUE(s.m_clientAutoRestart);
  EXPECT_FALSE(s.m_useServerSN);
  EXPECT_EQ(s.m_clientPassword, "secret");
  EXPECT_FALSE(s.m_autoIncrement);
  EXPECT_EQ(s.m_appendUuidLogin, 1);
  EXPECT_TRUE(s.m_usePoll);
  EXPECT_EQ(s.m_pollDirectory, "/in");
  EXPECT_EQ(s.m_excelFileFormat, 1);
}

TEST(InternalSettingsDlgTest, AdvancedOkReachesTheSettingsOnlyThroughTheSettingsOk) {
  struct Row {
    const char* what;
    bool advancedOk;
    bool settingsOk;
    bool stored;
  };
  const Row rows[] = {
      {"both confirmed", true, true, false},
      {"advanced cancelled", false, true, true},
      {"settings cancelled", true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    COpenNVInternalSettings s = Settings();
    Dlg dlg(s, true, "");
    CAdvancedSettingsDlg advanced = dlg.Advanced();
    EXPECT_TRUE(advanced.m_convertDotsToSlashes);
    advanced.m_convertDotsToSlashes = false;
    if (row.advancedOk) {
      dlg.AdvancedOk(advanced);
    }
    if (row.settingsOk) {
      dlg.ApplyTo(s);
    }
    EXPECT_EQ(s.m_convertDotsToSlashes, row.stored);
  }
}

// What a user can type that the archive must carry: commas and quotes survive a save and a
// load (a line break is refused by OK's checks above).
TEST(InternalSettingsDlgTest, TypedCommasAndQuotesSurviveTheSettingsFile) {
  ScratchFolder folder;
  COpenNVInternalSettings saved = Settings();
  Dlg dlg(saved, true, "");
  dlg.Edit().m_pollDirectory = "/in,\"x\",";
  dlg.Edit().m_clientPassword = "\"";
  ASSERT_EQ(dlg.CheckOk(), "");
  dlg.ApplyTo(saved);
  CSettingsFile out(saved, folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(out.Save(size, error));
  COpenNVInternalSettings loaded("/work/desk");
  CSettingsFile in(loaded, folder.Path());
  ASSERT_TRUE(in.Load(size, error));
  EXPECT_EQ(loaded.m_pollDirectory, "/in,\"x\",");
  EXPECT_EQ(loaded.m_clientPassword, "\"");
}

}  // namespace
}  // namespace trqx
