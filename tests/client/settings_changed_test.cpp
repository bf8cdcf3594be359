// How the client's main window follows a confirmed "Internal Settings" dialog: the restart
// timer, the connect menu, the save with its log line and "PollingDir", and the poller.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "client/trqx_client_dlg.h"
#include "foundation/client_strings.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/recording_client_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using SettingsEdit = std::function<void(COpenNVInternalSettings&)>;
using DialogEdit = std::function<void(CInternalSettingsDlg&)>;

// Client/server mode with auto restart on a port that cannot be used: the start-up connect
// fails at once and the restart timer runs every 7 s.
void RetryingClientServer(COpenNVInternalSettings& s) {
  s.m_uploadMethod = kUploadClientServer;
  s.m_serverAddress = "127.0.0.1";
  s.m_serverPort = 0;
  s.m_clientAutoRestart = true;
  s.m_clientAutoRestartInterval = 7;
}

class SettingsChangedTest : public ::testing::Test {
 protected:
  void SetUp() override { test::CopyClientProgramFiles(m_folder.Path()); }

  void Start(const SettingsEdit& edit = {}) {
    ASSERT_TRUE(test::WriteClientSettings(m_folder.Path(), [&](COpenNVInternalSettings& s) {
      if (edit) {
        edit(s);
      }
    }));
    m_registry.WriteString(RegistryHive::kLocalMachine, "Software\\Norvane L.P.\\User Info",
                           "Serial Number", "REG-SN");
    m_dlg =
        std::make_unique<CTRQXClientDlg>(m_view, m_loop, m_registry, m_processes, m_folder.Path());
    ASSERT_EQ(m_dlg->OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
  }
  // The dialog, changed by edit, confirmed with OK.
  void Ok(const DialogEdit& edit) {
    m_dlg->OnSettings([&](CInternalSettingsDlg& dialog) {
      edit(dialog);
      return true;
    });
  }
  std::string PollingDir() const {
    std::string value;
    m_registry.ReadString(RegistryHive::kLocalMachine, CTRQXClientDlg::kPollingDirKey,
                          CTRQXClientDlg::kPollingDirValue, 1000, value);
    return value;
  }
  int FailedConnects() const {
    return static_cast<int>(std::count_if(
        m_view.m_log.begin(), m_view.m_log.end(),
        [](const CLogEntry& entry) { return entry.m_number == client_strings::kMsgSystemError; }));
  }
  std::string UpdatedLine() const {
    const COpenNVInternalSettings& s = m_dlg->Settings();
    return "Settings file updated (filesize=" +
           std::to_string(fs::file_size(m_folder.File("trqx.cfg"))) +
           ") (uuid=" + std::to_string(s.m_uuid) + ")";
  }

  ScratchFolder m_folder;
  test::RecordingClientView m_view;
  std::chrono::steady_clock::time_point m_now;
  ManualEventLoop m_loop{[this] { return m_now; }};
  test::FakeRegistry m_registry;
  test::FakeProcessRunner m_processes;
  std::unique_ptr<CTRQXClientDlg> m_dlg;
};

TEST_F(SettingsChangedTest, RestartTimerFollowsAutoRestartAndTheMethod) {
  struct Row {
    const char* what;
    SettingsEdit before;
    DialogEdit change;
    std::optional<std::chrono::milliseconds> interval;
  };
  const auto autoRestartIn = [](int method) {
    return [method](CInternalSettingsDlg& d) {
      d.SetUploadMethod(method);
      d.Edit().m_clientAutoRestart = true;
      d.Edit().m_clientAutoRestartInterval = "9";
    };
  };
  const Row rows[] = {
      {"auto restart in client/server mode starts it",
       {},
       autoRestartIn(kUploadClientServer),
       9000ms},
      {"auto restart in terminal mode does not", {}, autoRestartIn(kUploadTerminal), std::nullopt},
      {"a new interval restarts it", RetryingClientServer, autoRestartIn(kUploadClientServer),
       9000ms},
      {"auto restart off stops it", RetryingClientServer,
       [](CInternalSettingsDlg& d) { d.Edit().m_clientAutoRestart = false; }, std::nullopt},
      {"terminal upload stops it", RetryingClientServer,
       [](CInternalSettingsDlg& d) { d.SetUploadMethod(kUploadTerminal); }, std::nullopt},
      {"an interval that is no number runs it every second", RetryingClientServer,
       [](CInternalSettingsDlg& d) { d.Edit().m_clientAutoRestartInterval = "x"; }, 1000ms},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Start(row.before);
    Ok(row.change);
    EXPECT_EQ(m_dlg->RestartTimerInterval(), row.interval);
    m_dlg.reset();
  }
}

TEST_F(SettingsChangedTest, RestartTimerWithTheSameIntervalKeepsItsCountdown) {
  Start(RetryingClientServer);
  ASSERT_EQ(FailedConnects(), 1);
  m_now += 5s;
  m_loop.RunPending();
  Ok([](CInternalSettingsDlg& d) { d.Edit().m_portfolioWS = "WS2"; });
  m_now += 2s;
  m_loop.RunPending();
  EXPECT_EQ(FailedConnects(), 2) << "the timer fired 7 s after the start-up's attempt";
}

TEST_F(SettingsChangedTest, ConnectMenuIsSetOnlyWhenTheMethodChanged) {
  struct Row {
    const char* what;
    SettingsEdit before;
    int method;
    std::string commands;  // Connect, Disconnect, Cancel All; - untouched
  };
  const Row rows[] = {
      {"to client/server", {}, kUploadClientServer, "100"},
      {"to terminal", RetryingClientServer, kUploadTerminal, "000"},
      {"unchanged", {}, kUploadTerminal, "---"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Start(row.before);
    m_view.m_commands.clear();
    Ok([&](CInternalSettingsDlg& d) { d.SetUploadMethod(row.method); });
    EXPECT_EQ(m_view.Commands(), row.commands);
    m_dlg.reset();
  }
}

TEST_F(SettingsChangedTest, OkSavesWithItsLogLineTheSetBackupAndPollingDir) {
  Start();
  Ok([](CInternalSettingsDlg& d) {
    d.Edit().m_portfolioLogin = "desk7";
    d.Edit().m_pollDirectory = "/srv/poll";
    d.Edit().m_uuid = "815";
  });
  const std::string saved = ReadWholeFile(m_folder.File("trqx.cfg"));
  EXPECT_NE(saved.find("PortfolioLogin,Value,desk7"), std::string::npos);
  EXPECT_NE(saved.find("UUID,Value,815"), std::string::npos);
  EXPECT_EQ(m_view.LogTexts().back(), UpdatedLine());
  EXPECT_EQ(m_view.m_log.back().m_level, kLogInfo);
  EXPECT_EQ(ReadWholeFile(m_folder.File("Set")), saved);
  EXPECT_EQ(PollingDir(), "/srv/poll");
}

TEST_F(SettingsChangedTest, AFailedSaveIsLoggedAndLeavesPollingDirAlone) {
  Start();
  fs::remove(m_folder.File("trqx.cfg"));
  fs::create_directory(m_folder.File("trqx.cfg"));
  Ok([](CInternalSettingsDlg& d) { d.Edit().m_pollDirectory = "/srv/poll"; });
  const CLogEntry& last = m_view.m_log.back();
  EXPECT_EQ(last.m_level, kLogError);
  EXPECT_EQ(last.m_number, client_strings::kMsgFileError);
  EXPECT_NE(test::RecordingClientView::Trimmed(last).find(
                "Error saving settings file trqx.cfg: Open (" + m_folder.File("trqx.cfg") + ")"),
            std::string::npos);
  EXPECT_EQ(PollingDir(), "");
  EXPECT_EQ(m_dlg->Settings().m_pollDirectory, "/srv/poll") << "kept in memory";
}

TEST_F(SettingsChangedTest, CancelChangesNothing) {
  Start();
  const std::string before = ReadWholeFile(m_folder.File("trqx.cfg"));
  const std::size_t logged = m_view.m_log.size();
  m_dlg->OnSettings([](CInternalSettingsDlg& d) {
    d.Edit().m_portfolioLogin = "desk7";
    d.SetUploadMethod(kUploadClientServer);
    return false;
  });
  EXPECT_EQ(m_dlg->Settings().m_portfolioLogin, "");
  EXPECT_EQ(m_dlg->Settings().m_uploadMethod, kUploadTerminal);
  EXPECT_EQ(ReadWholeFile(m_folder.File("trqx.cfg")), before);
  EXPECT_EQ(m_view.m_log.size(), logged);
}

TEST_F(SettingsChangedTest, PollerRestartsOnlyWhenAPollingSettingChanged) {
  struct Row {
    const char* what;
    SettingsEdit before;
    DialogEdit change;
    bool timerRunning;
    const char* lastPollerLine;  // null: the poller logged nothing
  };
  const auto pollingByTimer = [this](COpenNVInternalSettings& s) {
    s.m_usePoll = true;
    s.m_pollDirectory = m_folder.File("poll");
    s.m_detectMethod = 1;
  };
  const auto timerPollingOn = [this](CInternalSettingsDlg& d) {
    d.Edit().m_usePoll = true;
    d.Edit().m_pollDirectory = m_folder.File("poll");
    d.Edit().m_detectMethod = 1;
  };
  const Row rows[] = {
      {"polling switched on", {}, timerPollingOn, true, "Directory Notification Timer Started"},
      {"polling switched off", pollingByTimer,
       [](CInternalSettingsDlg& d) { d.Edit().m_usePoll = false; }, false,
       "Directory Notification Timer Stopped"},
      {"a new interval", pollingByTimer,
       [](CInternalSettingsDlg& d) { d.Edit().m_timerInterval = "30"; }, true,
       "Directory Notification Timer Started"},
      {"a new folder", pollingByTimer,
       [this](CInternalSettingsDlg& d) { d.Edit().m_pollDirectory = m_folder.File("poll2"); }, true,
       "Directory Notification Timer Started"},
      {"no polling setting changed", pollingByTimer,
       [](CInternalSettingsDlg& d) { d.Edit().m_portfolioWS = "WS2"; }, true, nullptr},
      {"a stored detect method of 5 confirmed as timer",
       [&](COpenNVInternalSettings& s) {
         pollingByTimer(s);
         s.m_detectMethod = 5;
       },
       [](CInternalSettingsDlg&) {}, true, "Directory Notification Timer Started"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Start(row.before);
    const std::size_t logged = m_view.m_log.size();
    Ok(row.change);
    EXPECT_EQ(m_dlg->Poller().TimerRunning(), row.timerRunning);
    const std::vector<std::string> texts = m_view.LogTexts();
    std::vector<std::string> after(texts.begin() + static_cast<long>(logged), texts.end());
    std::erase_if(after, [](const std::string& text) { return !text.starts_with("Directory"); });
    if (row.lastPollerLine == nullptr) {
      EXPECT_EQ(after, std::vector<std::string>{});
    } else {
      ASSERT_FALSE(after.empty());
      EXPECT_EQ(after.back(), row.lastPollerLine);
    }
    m_dlg.reset();
    m_view = {};
  }
}

TEST_F(SettingsChangedTest, OkMakesTheCacheAndTempFolders) {
  Start();
  fs::remove_all(m_dlg->Settings().m_tempDirectory);
  fs::remove_all(m_dlg->Settings().m_cacheDirectory);
  Ok([](CInternalSettingsDlg&) {});
  EXPECT_TRUE(fs::is_directory(m_dlg->Settings().m_tempDirectory));
  EXPECT_TRUE(fs::is_directory(m_dlg->Settings().m_cacheDirectory));
}

}  // namespace
}  // namespace trqx
