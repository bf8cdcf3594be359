// The client's main window against a recording view: start-up, menus, the upload flow with
// a fake terminal program, the connection task's notices and the housekeeping. Where an
// upload must be in flight to the server, the test plays the server on a raw loopback socket.

#include "client/trqx_client_dlg.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>

#include "foundation/client_strings.h"
#include "foundation/protocol/protocol_message.h"
#include "foundation/user_info.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/local_time.h"
#include "support/loopback_harness.h"
#include "support/recording_client_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;
using Startup = CTRQXClientDlg::Startup;
using enum HistoryState;

// A ManualEventLoop on a clock the test moves, remembering which window timers run.
class TimerLoop final : public EventLoop {
 public:
  void Post(Handler handler) override { m_loop.Post(std::move(handler)); }
  bool Send(Handler handler) override { return m_loop.Send(std::move(handler)); }
  void SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) override {
    m_timers[id] = interval;
    m_loop.SetTimer(id, interval, std::move(onTimer));
  }
  bool KillTimer(TimerId id) override {
    m_timers.erase(id);
    return m_loop.KillTimer(id);
  }
  void ServeSends(std::chrono::milliseconds wait) override { m_loop.ServeSends(wait); }

  // Moves the clock on and runs what is queued and what fell due.
  void Advance(std::chrono::milliseconds step) {
    m_now += step;
    m_loop.RunPending();
  }
  bool RunUntil(const std::function<bool()>& done) {
    return m_loop.RunUntil(done, std::chrono::seconds(20));
  }

  std::chrono::steady_clock::time_point m_now;
  std::map<TimerId, std::chrono::milliseconds> m_timers;  // the running ones
  ManualEventLoop m_loop{[this] { return m_now; }};
};

// A port that nothing listens on.
int ClosedPort() {
  loopback::LoopbackListener listener;
  EXPECT_TRUE(listener.Open());
  listener.Close();
  return listener.Port();
}

struct RecordingObserver final : ClientObserver {
  void UploadEnded(std::uint32_t number, bool sent) override {
    m_events.push_back("ended " + std::to_string(number) + (sent ? " sent" : " not sent"));
  }
  void LoggedIn() override { m_events.push_back("logged in"); }
  void ConnectionEnded() override { m_events.push_back("connection ended"); }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(m_events.begin(), m_events.end(), event));
  }
  std::vector<std::string> m_events;
};

class ClientDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CopyClientProgramFiles(m_folder.Path());
    fs::copy_file(std::string(TRQX_TEST_DATA) + "/upload/orders.csv", m_folder.File("orders.csv"));
    WriteWholeFile(m_folder.File("a.xyz"), "IBM,100\n");
    m_registry.WriteString(RegistryHive::kCurrentUser, kUserInfoKey, "USERUUID", "99");
    ASSERT_TRUE(m_listener.Open());
  }
  // Ends the dialog (the server's socket first, so an orderly close ends at once) and
  // forgets what the view and the observer saw.
  void Reset() {
    CSysErrorInfo ignored;
    m_server.Close(ignored);
    m_dlg.reset();
    m_view = {};
    m_observer = {};
  }
  void Settings(const std::function<void(COpenNVInternalSettings&)>& edit = {}) {
    ASSERT_TRUE(test::WriteClientSettings(m_folder.Path(), [&](COpenNVInternalSettings& s) {
      s.m_fileDlgDir = "/desk/in";
      if (edit) {
        edit(s);
      }
    }));
  }
  // Client/server mode with the listener, or port, as the server.
  void ClientServer(bool autoRestart = false, int port = 0,
                    const std::function<void(COpenNVInternalSettings&)>& edit = {}) {
    Settings([&](COpenNVInternalSettings& s) {
      s.m_uploadMethod = kUploadClientServer;
      s.m_serverAddress = "127.0.0.1";
      s.m_serverPort = port != 0 ? port : m_listener.Port();
      s.m_clientAutoRestart = autoRestart;
      s.m_clientAutoRestartInterval = 7;
      if (edit) {
        edit(s);
      }
    });
  }
  Startup Init() {
    m_dlg = std::make_unique<CTRQXClientDlg>(m_view, m_loop, m_registry, m_processes,
                                             m_folder.Path(), [this] { return m_time; });
    m_dlg->SetObserver(&m_observer);
    return m_dlg->OnInitDialog();
  }
  // File Send of a file of the folder; the picker's questions are recorded.
  UploadResult FileSend(const std::string& name) {
    return m_dlg->OnFileSend([&](const std::string& title, const std::string& folder) {
      m_picks.push_back(title + " in " + folder);
      return std::optional<std::string>(m_folder.File(name));
    });
  }
  void TerminalEnds(std::uint32_t exitCode) {
    m_processes.m_script.push_back({ProcessState::kExited, exitCode});
    m_loop.Advance(kTerminalWatchInterval);
  }
  // Connects to the raw server socket and, unless told otherwise, lets the dialog log in.
  void ConnectAndLogIn(bool logIn = true) {
    m_dlg->OnConnect();
    bool accepted = false;
    for (int i = 0; i < 500 && !accepted; ++i) {
      m_loop.m_loop.RunPending();  // the task's start notice is sent, not posted
      accepted = m_listener.Accept(m_server, 20);
    }
    ASSERT_TRUE(accepted);
    if (!logIn) {
      return;
    }
    const std::string greetings = wire::MakeGreeting() + wire::MakeGreeting();
    ASSERT_EQ(::send(m_server.Handle(), greetings.data(), greetings.size(), 0),
              static_cast<ssize_t>(greetings.size()));
    ASSERT_TRUE(m_loop.RunUntil([&] { return m_observer.Count("logged in") == 1; }));
  }
  void Notice(int code, std::uint32_t number = 0, const std::string& text = "") {
    CTaskNotice notice;
    notice.m_messageId = task_message::kClientConnection;
    notice.m_code = code;
    notice.m_number = number;
    notice.m_text = text;
    m_dlg->OnConnectionNotice(notice);
  }
  std::string Dir(const std::string& text) const {
    const std::size_t at = text.find("{dir}");
    return at == std::string::npos ? text
                                   : text.substr(0, at) + m_folder.Path() + text.substr(at + 5);
  }

  ScratchFolder m_folder;
  test::RecordingClientView m_view;
  TimerLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeProcessRunner m_processes;
  std::time_t m_time = March6th2026();
  RecordingObserver m_observer;
  loopback::LoopbackListener m_listener;
  std::vector<std::string> m_picks;
  std::unique_ptr<CTRQXClientDlg> m_dlg;
  CSysSocket m_server;  // goes before the dialog: see Reset
};

TEST_F(ClientDlgTest, StartUpEndsOnMissingFilesAndSetsTheMenusByUploadMethod) {
  struct Row {
    const char* what;
    const char* missing;  // removed; "qxu.log" becomes a folder
    bool clientServer;
    Startup result;
    std::string messageBox;  // "{dir}" is the folder
    std::string lastLog;     // "" not checked
    std::string commands;    // Connect, Disconnect, Cancel All: 1 enabled, 0 disabled, - untouched
  };
  const std::string fileError = "File error, function: {dir}/";
  const Row rows[] = {
      {"a log that cannot be opened closes the window", "qxu.log", false, Startup::kClosed,
       fileError + "qxu.log, code 21.", "", "---"},
      {"no field format aborts", "NVFormat.cfg", false, Startup::kAborted, kTextCfgReadFailed,
       fileError + "NVFormat.cfg, code 2.", "---"},
      {"no exchange list aborts", "exchange.cfg", false, Startup::kAborted, "",
       fileError + "exchange.cfg, code 2.", "000"},
      {"no order type list aborts", "ordertype.cfg", false, Startup::kAborted, "",
       fileError + "ordertype.cfg, code 2.", "000"},
      {"no reason list aborts", "reason.cfg", false, Startup::kAborted, "",
       fileError + "reason.cfg, code 2.", "000"},
      {"no settings file runs in terminal mode", "trqx.cfg", false, Startup::kRunning, "", "",
       "000"},
      {"client/server mode offers Connect only", "", true, Startup::kRunning, "", "", "100"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
      fs::remove_all(entry.path());
    }
    test::CopyClientProgramFiles(m_folder.Path());
    row.clientServer ? ClientServer() : Settings();
    if (*row.missing != '\0') {
      fs::remove(m_folder.File(row.missing));
    }
    if (std::string(row.missing) == "qxu.log") {
      fs::create_directory(m_folder.File("qxu.log"));
    }
    EXPECT_EQ(Init(), row.result);
    EXPECT_EQ(m_view.m_messageBoxes, row.messageBox.empty()
                                         ? std::vector<std::string>{}
                                         : std::vector<std::string>{Dir(row.messageBox)});
    EXPECT_EQ(m_view.m_closed, row.result == Startup::kClosed ? 1 : 0);
    EXPECT_EQ(m_view.Commands(), row.commands);
    if (row.result == Startup::kClosed) {
      EXPECT_TRUE(m_view.m_loaded.empty());
      continue;
    }
    ASSERT_FALSE(m_view.m_loaded.empty());
    EXPECT_EQ(test::RecordingClientView::Trimmed(m_view.m_loaded.back()), "System startup.");
    if (!row.lastLog.empty()) {
      ASSERT_FALSE(m_view.m_log.empty());
      EXPECT_EQ(test::RecordingClientView::Trimmed(m_view.m_log.back()), Dir(row.lastLog));
      EXPECT_EQ(m_view.m_log.back().m_level, kLogError);
    }
    EXPECT_EQ(m_dlg->Settings().IsClientServerUpload(), row.clientServer);
  }
}

TEST_F(ClientDlgTest, AFailedConnectEndsTheTaskAndRetriesOnlyWithAutoRestart) {
  const int port = ClosedPort();
  for (bool autoRestart : {false, true}) {
    SCOPED_TRACE(autoRestart ? "auto restart" : "no auto restart");
    Reset();
    ClientServer(autoRestart, port);
    ASSERT_EQ(Init(), Startup::kRunning);
    // With auto restart the start-up connects by itself.
    EXPECT_EQ(m_dlg->Connected(), autoRestart);
    m_dlg->OnConnect();
    EXPECT_TRUE(m_dlg->Connected());
    EXPECT_EQ(m_view.Commands(), "011");
    ASSERT_TRUE(m_loop.RunUntil([&] { return m_observer.Count("connection ended") == 1; }));
    EXPECT_FALSE(m_dlg->Connected());
    EXPECT_EQ(m_view.Commands(), "100");
    EXPECT_EQ(m_view.m_statusTexts.back(), CTRQXClientDlg::kConnectionDownText);
    const CLogEntry* ended = m_view.FindLog("Client task ended.");
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->m_level, kLogError);
    EXPECT_EQ(m_loop.m_timers.count(CTRQXClientDlg::kRestartTimer), autoRestart ? 1u : 0u);
    if (autoRestart) {
      EXPECT_EQ(m_loop.m_timers[CTRQXClientDlg::kRestartTimer], std::chrono::seconds(7));
      m_loop.Advance(std::chrono::seconds(7));
      EXPECT_TRUE(m_dlg->Connected());
      ASSERT_TRUE(m_loop.RunUntil([&] { return m_observer.Count("connection ended") == 2; }));
    }
  }
}

TEST_F(ClientDlgTest, ALoggedInConnectionKeepsDisconnectAndCancelEnabled) {
  ClientServer(true);
  ASSERT_EQ(Init(), Startup::kRunning);
  ConnectAndLogIn();
  EXPECT_TRUE(m_dlg->Connected());
  EXPECT_EQ(m_view.Commands(), "011");
  EXPECT_EQ(m_loop.m_timers.count(CTRQXClientDlg::kRestartTimer), 0u);
  ASSERT_NE(m_view.FindLog("Connection established."), nullptr);
}

TEST_F(ClientDlgTest, AcknowledgedOrAbortedTransferLeavesItsRowAndClosesTheProgress) {
  struct Row {
    const char* what;
    int code;
    bool polled = false;
    HistoryState state;
    bool inProgressAfter = false;  // an acknowledged upload waits for its delivery report
    bool pollFileKept = false;
  };
  const Row rows[] = {
      {.what = "an acknowledged File Send is pending",
       .code = client_task::kFileAcknowledged,
       .state = kPending,
       .inProgressAfter = true},
      {.what = "an acknowledged polled upload is pending and leaves the poll folder",
       .code = client_task::kFileAcknowledged,
       .polled = true,
       .state = kPending,
       .inProgressAfter = true},
      {.what = "an aborted File Send is cancelled",
       .code = client_task::kCancelAcknowledged,
       .state = kCancelled},
      {.what = "an aborted polled upload is cancelled and stays in the poll folder",
       .code = client_task::kCancelAcknowledged,
       .polled = true,
       .state = kCancelled,
       .pollFileKept = true},
  };

  const std::string pollFile = m_folder.File("poll/p.csv");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    ClientServer(false, 0, [&](COpenNVInternalSettings& s) {
      s.m_usePoll = row.polled;
      s.m_detectMethod = 1;  // the timer, which the frozen clock never fires
      s.m_pollDirectory = m_folder.File("poll");
    });
    fs::create_directories(m_folder.File("poll"));
    if (row.polled) {
      fs::copy_file(m_folder.File("orders.csv"), pollFile, fs::copy_options::overwrite_existing);
    }
    ASSERT_EQ(Init(), Startup::kRunning);
    ConnectAndLogIn();  // a login scans the poll folder
    if (!row.polled) {
      ASSERT_EQ(FileSend("orders.csv"), UploadResult::kHandedOver);
    }
    ASSERT_TRUE(m_dlg->UploadInProgress());
    EXPECT_EQ(m_dlg->Poller().PollQueue().size(), row.polled ? 1u : 0u);
    EXPECT_EQ(m_view.m_progress, std::vector{ProgressState::kInProgress});

    Notice(row.code);
    ASSERT_EQ(m_view.m_history.size(), 1u);
    EXPECT_EQ(m_view.m_history[0].m_path,
              m_folder.File(row.polled ? "Upload/Temp/p.csv" : "orders.csv"));
    EXPECT_EQ(m_view.m_history[0].m_state, row.state);
    EXPECT_EQ(m_view.m_history[0].m_uploadNumber, 0u);
    EXPECT_EQ(m_view.m_progress.back(), ProgressState::kClosed);
    EXPECT_EQ(m_dlg->UploadInProgress(), row.inProgressAfter);
    EXPECT_TRUE(m_dlg->Poller().PollQueue().empty());
    EXPECT_EQ(fs::exists(pollFile), row.pollFileKept);
    EXPECT_EQ(m_observer.Count("ended 0 not sent"), row.inProgressAfter ? 0 : 1);
    fs::remove(pollFile);
  }
}

TEST_F(ClientDlgTest, APollBeforeTheLoginLeavesTheFileForLater) {
  ClientServer(false, 0, [&](COpenNVInternalSettings& s) {
    s.m_usePoll = true;
    s.m_detectMethod = 1;
    s.m_timerInterval = 15;
    s.m_pollDirectory = m_folder.File("poll");
  });
  ASSERT_EQ(Init(), Startup::kRunning);
  ASSERT_TRUE(WriteWholeFile(m_folder.File("poll/p.csv"), "ibm,100\n"));
  ConnectAndLogIn(false);                    // the server has not greeted yet
  m_loop.Advance(std::chrono::seconds(15));  // the poll timer
  EXPECT_NE(m_view.FindLog(poller_text::kNotConnected), nullptr);
  EXPECT_TRUE(fs::exists(m_folder.File("poll/p.csv")));
  EXPECT_TRUE(m_view.m_history.empty());
  EXPECT_TRUE(m_view.m_messageBoxes.empty());
}

TEST_F(ClientDlgTest, DeliveryReportsShowTheirOutcomeAndChangeTheHistory) {
  struct Row {
    char outcome;
    std::uint32_t number;  // cancellations report 0 for all the uploads they concern
    const char* line;
    HistoryState state;  // of the acknowledged upload 1; upload 0 failed before
    const char* observed;
  };
  const Row rows[] = {
      {'1', 1, "File was uploaded", kSent, "ended 1 sent"},
      {'2', 1, "File was abandoned", kFailed, "ended 1 not sent"},
      {'4', 1, "File may have been uploaded", kFailed, "ended 1 not sent"},
      {'3', 0, "File upload was cancelled", kCancelled, nullptr},
      {'6', 0, "File upload was cancelled", kCancelled, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("outcome ") + row.outcome);
    Reset();
    ClientServer();
    ASSERT_EQ(Init(), Startup::kRunning);
    ConnectAndLogIn();
    ASSERT_EQ(FileSend("a.xyz"), UploadResult::kFailed);
    ASSERT_EQ(FileSend("orders.csv"), UploadResult::kHandedOver);
    Notice(client_task::kFileAcknowledged);
    Notice(client_task::kDeliveryReport, row.number, std::string(1, row.outcome));
    EXPECT_EQ(m_view.m_statusLines, std::vector<std::string>{row.line});
    EXPECT_EQ(m_view.HistoryStates(), (std::vector{kFailed, row.state}));
    EXPECT_EQ(m_view.m_history.back().m_uploadNumber, 1u);
    if (row.observed != nullptr) {
      EXPECT_EQ(m_observer.Count(row.observed), 1);
    }
    m_loop.m_loop.RunPending();
    EXPECT_FALSE(m_dlg->UploadInProgress());
  }
}

TEST_F(ClientDlgTest, ALostConnectionRecordsTheUploadInFlightAsFailed) {
  for (bool acknowledged : {false, true}) {
    SCOPED_TRACE(acknowledged ? "acknowledged" : "still sending");
    Reset();
    ClientServer();
    ASSERT_EQ(Init(), Startup::kRunning);
    ConnectAndLogIn();
    ASSERT_EQ(FileSend("orders.csv"), UploadResult::kHandedOver);
    if (acknowledged) {
      Notice(client_task::kFileAcknowledged);
    }
    CSysErrorInfo ignored;
    m_server.Close(ignored);
    ASSERT_TRUE(m_loop.RunUntil([&] { return m_observer.Count("connection ended") == 1; }));
    EXPECT_EQ(m_view.HistoryStates(), std::vector{kFailed});
    EXPECT_EQ(m_observer.Count("ended 0 not sent"), 1);
    EXPECT_FALSE(m_dlg->UploadInProgress());
    EXPECT_EQ(m_view.m_progress.back(), ProgressState::kClosed);
    EXPECT_EQ(m_view.m_statusTexts.back(), CTRQXClientDlg::kConnectionDownText);
    EXPECT_EQ(m_view.Commands(), "100");
    const CLogEntry* ended = m_view.FindLog("Client task ended.");
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->m_level, kLogError);
  }
}

TEST_F(ClientDlgTest, TaskEndNoticesLogByTheirStateAndSetTheRestartTimer) {
  for (const auto& [code, level] : {std::pair{client_task::kEndedGood, kLogInfo},
                                    std::pair{client_task::kEndedBad, kLogError}}) {
    SCOPED_TRACE(code);
    Reset();
    ClientServer(true, ClosedPort());
    ASSERT_EQ(Init(), Startup::kRunning);  // connects, and the connect fails
    ASSERT_TRUE(m_loop.RunUntil([&] { return m_observer.Count("connection ended") == 1; }));
    m_view = {};
    Notice(code);
    ASSERT_EQ(m_view.LogTexts(), std::vector<std::string>{"Client task ended."});
    EXPECT_EQ(m_view.m_log[0].m_level, level);
    EXPECT_EQ(m_view.m_statusTexts, std::vector<std::string>{CTRQXClientDlg::kConnectionDownText});
    EXPECT_EQ(m_view.Commands(), "100");
    EXPECT_EQ(m_loop.m_timers[CTRQXClientDlg::kRestartTimer], std::chrono::seconds(7));
    EXPECT_TRUE(m_view.m_history.empty());
  }
}

TEST_F(ClientDlgTest, StatusTextBeepsAndShowsAndLogEntriesAreLogged) {
  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  Notice(client_task::kServerStatusText, 0, "Queue is slow");
  EXPECT_EQ(m_view.m_beeps, std::vector<std::string>{"300/100"});
  EXPECT_EQ(m_view.m_statusTexts.back(), "Queue is slow");
  CTaskNotice log;
  log.m_code = client_task::kLogEntry;
  log.m_log = {kLogError, kCategoryServer, client_strings::kMsgTimeoutNoData, {}};
  m_dlg->OnConnectionNotice(log);
  EXPECT_EQ(m_view.LogTexts().back(), "Timeout, no data.");
}

TEST_F(ClientDlgTest, UploadProfileEditsTheLoadedProfileAndLogsAFailedSave) {
  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  std::string editedPath;
  UploadEditorOptions seen;
  std::size_t mappings = 0;
  m_dlg->OnUploadProfile([&](UserProfile& profile, const std::string& path,
                             const UploadEditorOptions& options, CFileError&) {
    editedPath = path;
    seen = options;
    mappings = profile.MappingCount();
    return true;
  });
  EXPECT_EQ(editedPath, m_folder.File("qxu.pfl"));
  EXPECT_GT(mappings, 0u);  // the profile loaded at start-up
  EXPECT_FALSE(seen.m_useUuid);
  ASSERT_NE(seen.m_lists.m_exchanges, nullptr);
  ASSERT_NE(seen.m_lists.m_reasons, nullptr);
  const std::size_t logged = m_view.m_log.size();

  m_dlg->OnUploadProfile(
      [](UserProfile&, const std::string&, const UploadEditorOptions&, CFileError& error) {
        error.m_fileName = "qxu.pfl";
        error.m_osError = 13;
        return false;
      });
  ASSERT_EQ(m_view.m_log.size(), logged + 1);
  EXPECT_EQ(test::RecordingClientView::Trimmed(m_view.m_log.back()),
            "File error, function: qxu.pfl, code 13.");
  EXPECT_EQ(m_view.m_log.back().m_level, kLogError);
}

TEST_F(ClientDlgTest, TerminalUploadsNumberTheirFilesAndBusyFileSendOnlyBeeps) {
  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  for (unsigned number = 0; number < 10; ++number) {
    ASSERT_EQ(FileSend("orders.csv"), UploadResult::kHandedOver);
    EXPECT_EQ(FileSend("orders.csv"), UploadResult::kBusy);
    TerminalEnds(0);
  }
  EXPECT_EQ(m_picks.size(), 10u);
  EXPECT_EQ(m_view.m_beeps, std::vector<std::string>(10, "300/100"));
  ASSERT_EQ(m_processes.m_started.size(), 10u);
  ASSERT_EQ(m_view.m_history.size(), 10u);
  for (unsigned number = 0; number < 10; ++number) {
    const std::string upload = m_folder.File("Upload/TRQX00" + std::to_string(number) + ".inc");
    EXPECT_EQ(m_processes.m_started[number].back(), upload);
    EXPECT_TRUE(fs::exists(upload)) << upload;
    EXPECT_EQ(m_view.m_history[number].m_path, m_folder.File("orders.csv"));
    EXPECT_EQ(m_view.m_history[number].m_state, kSent);
    EXPECT_EQ(m_view.m_history[number].m_uploadNumber, number);
  }
  EXPECT_FALSE(m_dlg->UploadInProgress());
}

TEST_F(ClientDlgTest, EachTerminalUploadAttemptTakesANumberAndOnlySuccessOrFailureAddRows) {
  struct Row {
    const char* file;
    int exitCode = -1;  // -1: the program does not end (it was not started)
    std::uint32_t startError = 0;
    UploadResult result;
    std::vector<HistoryState> rows = {};  // added by this attempt
    std::string logged;                   // the last log line; "{dir}" is the folder
  };
  const Row rows[] = {
      {.file = "a.xyz",
       .result = UploadResult::kFailed,
       .rows = {kFailed},
       .logged = "No mapping found for selected file, {dir}/a.xyz."},
      {.file = "orders.csv",
       .exitCode = 0,
       .result = UploadResult::kHandedOver,
       .rows = {kSent},
       .logged = "Open Norvane upload completed successfully."},
      {.file = "orders.csv",
       .exitCode = 3,
       .result = UploadResult::kHandedOver,
       .logged = "Open Norvane complete unsuccessfully with exit code 3."},
      {.file = "orders.csv",
       .startError = ENOENT,
       .result = UploadResult::kFailed,
       .rows = {kFailed},
       .logged = "Failure accessing Open Norvane, code 2, function CreateProcess(...)."},
  };

  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  std::uint32_t number = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.logged);
    m_view.m_history.clear();
    m_processes.m_startError = row.startError;
    EXPECT_EQ(FileSend(row.file), row.result);
    if (row.exitCode >= 0) {
      TerminalEnds(static_cast<std::uint32_t>(row.exitCode));
      EXPECT_EQ(m_processes.m_started.back().back(),
                m_folder.File("Upload/TRQX00" + std::to_string(number) + ".inc"));
    }
    EXPECT_EQ(m_view.HistoryStates(), row.rows);
    for (const CUploadHistoryRow& added : m_view.m_history) {
      EXPECT_EQ(added.m_uploadNumber, number);
      EXPECT_EQ(added.m_path, m_folder.File(row.file));
    }
    EXPECT_EQ(m_view.LogTexts().back(), Dir(row.logged));
    EXPECT_FALSE(m_dlg->UploadInProgress());
    ++number;
  }
  EXPECT_EQ(m_dlg->UploadNumber(), number);
}

TEST_F(ClientDlgTest, APolledTerminalUploadLeavesThePollFolderOnlyWhenSent) {
  const std::string pollFile = m_folder.File("poll/p.csv");
  for (std::uint32_t exitCode : {0u, 3u}) {
    SCOPED_TRACE(exitCode);
    Reset();
    Settings([&](COpenNVInternalSettings& s) {
      s.m_usePoll = true;
      s.m_detectMethod = 1;
      s.m_timerInterval = 15;
      s.m_pollDirectory = m_folder.File("poll");
    });
    ASSERT_EQ(Init(), Startup::kRunning);
    ASSERT_TRUE(WriteWholeFile(pollFile, "ibm,100\n"));
    m_loop.Advance(std::chrono::seconds(15));  // the poll timer
    ASSERT_TRUE(m_dlg->UploadInProgress());
    TerminalEnds(exitCode);
    EXPECT_EQ(fs::exists(pollFile), exitCode != 0);
    EXPECT_TRUE(m_dlg->Poller().PollQueue().empty());
    const std::vector<CUploadHistoryRow> rows = m_view.m_history;
    ASSERT_EQ(rows.size(), exitCode == 0 ? 1u : 0u);
    if (exitCode == 0) {
      EXPECT_EQ(rows[0].m_path, m_folder.File("Upload/Temp/p.csv"));
      EXPECT_EQ(rows[0].m_state, kSent);
    }
    // The end scans the poll folder at once: a file that stayed goes again.
    m_loop.m_loop.RunPending();
    EXPECT_EQ(m_dlg->UploadInProgress(), exitCode != 0);
  }
}

TEST_F(ClientDlgTest, ThePickerStartsInTheSettingsFolderThenInTheLastChosenOne) {
  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  fs::create_directory(m_folder.File("sub"));
  WriteWholeFile(m_folder.File("sub/b.xyz"), "IBM,100\n");
  EXPECT_EQ(FileSend("sub/b.xyz"), UploadResult::kFailed);
  EXPECT_EQ(FileSend("a.xyz"), UploadResult::kFailed);
  const std::string title = CTRQXClientDlg::kPickerTitle;
  EXPECT_EQ(m_picks, (std::vector<std::string>{title + " in /desk/in",
                                               title + " in " + m_folder.File("sub")}));
  // A cancelled picker ends the command quietly; an empty path beeps.
  const std::size_t rows = m_view.m_history.size();
  EXPECT_EQ(m_dlg->OnFileSend([](auto&, auto&) { return std::nullopt; }), UploadResult::kFailed);
  EXPECT_TRUE(m_view.m_beeps.empty());
  EXPECT_EQ(m_dlg->OnFileSend([](auto&, auto&) { return std::string(); }), UploadResult::kFailed);
  EXPECT_EQ(m_view.m_beeps, std::vector<std::string>{"300/100"});
  EXPECT_EQ(m_view.m_history.size(), rows);
}

TEST_F(ClientDlgTest, FileSendWithoutTheServerAsksNothing) {
  ClientServer();
  ASSERT_EQ(Init(), Startup::kRunning);
  EXPECT_EQ(FileSend("orders.csv"), UploadResult::kNotConnected);
  EXPECT_EQ(m_view.m_messageBoxes, std::vector<std::string>{CTRQXClientDlg::kNotReadyText});
  EXPECT_TRUE(m_picks.empty());
  EXPECT_TRUE(m_view.m_history.empty());
}

TEST_F(ClientDlgTest, ANewDayCleansTheCacheAndEmptiesTheHistoryOnce) {
  Settings();
  ASSERT_EQ(Init(), Startup::kRunning);
  const std::string cache = m_folder.File("Upload/Cache/");
  WriteWholeFile(cache + "03-06-26A.cch", "a");
  ASSERT_EQ(FileSend("a.xyz"), UploadResult::kFailed);
  m_loop.Advance(CTRQXClientDlg::kDailyInterval);
  EXPECT_EQ(m_view.m_history.size(), 1u);
  EXPECT_TRUE(fs::exists(cache + "03-06-26A.cch"));

  m_time = LocalTime("2026-03-07 00:00:30");
  WriteWholeFile(cache + "03-07-26B.cch", "b");
  m_loop.Advance(CTRQXClientDlg::kDailyInterval);
  EXPECT_TRUE(m_view.m_history.empty());
  EXPECT_EQ(m_view.m_historyClears, 1);
  EXPECT_FALSE(fs::exists(cache + "03-06-26A.cch"));
  EXPECT_TRUE(fs::exists(cache + "03-07-26B.cch"));
  ASSERT_EQ(FileSend("a.xyz"), UploadResult::kFailed);
  m_loop.Advance(CTRQXClientDlg::kDailyInterval);
  EXPECT_EQ(m_view.m_history.size(), 1u);
  EXPECT_EQ(m_view.m_historyClears, 1);
}

TEST(CleanCacheFolder, KeepsTodaysFilesAndEveryFolder) {
  const struct {
    const char* name;
    bool folder;
    bool stays;
  } entries[] = {
      {"03-06-26BSK.cch", false, true},  {"03-06-26", false, true},
      {"03-05-26BSK.cch", false, false}, {"03-06-25BSK.cch", false, false},
      {"x03-06-26.cch", false, false},   {"03-05-26old", true, true},
  };
  ScratchFolder cache;
  for (const auto& entry : entries) {
    entry.folder ? fs::create_directory(cache.File(entry.name))
                 : WriteWholeFile(cache.File(entry.name), "x");
  }
  CleanCacheFolder(cache.Path(), March6th2026());
  for (const auto& entry : entries) {
    EXPECT_EQ(fs::exists(cache.File(entry.name)), entry.stays) << entry.name;
  }
}

class UploadHistoryTest : public ::testing::Test {
 protected:
  test::RecordingClientView m_view;
  CUploadHistoryList m_list{m_view};
};

TEST_F(UploadHistoryTest, UpdateSearchesTheNewest256RowsAndChangesTheNewestMatch) {
  // Rows 44..299 are the newest 256; row i has number i but the last, which repeats 100.
  for (std::uint32_t row = 0; row < 300; ++row) {
    m_list.Add("f", "t0", kPending, row == 299 ? 100 : row, "B");
  }
  m_list.Update(100, kSent, "t1");
  m_list.Update(44, kFailed, "t2");
  m_list.Update(43, kCancelled, "t3");
  ASSERT_EQ(m_view.m_history.size(), 301u);
  EXPECT_EQ(m_view.m_history[100].m_state, kPending);
  EXPECT_EQ(m_view.m_history[299].m_state, kSent);
  EXPECT_EQ(m_view.m_history[299].m_time, "t1");
  EXPECT_EQ(m_view.m_history[44].m_state, kFailed);
  EXPECT_EQ(m_view.m_history[43].m_state, kPending);
  const CUploadHistoryRow& unknown = m_view.m_history[300];
  EXPECT_EQ(unknown.m_path, CUploadHistoryList::kUnknownFile);
  EXPECT_EQ(unknown.m_state, kCancelled);
  EXPECT_EQ(unknown.m_uploadNumber, 43u);
  EXPECT_EQ(unknown.m_time, "t3");
  EXPECT_EQ(m_list.Rows().size(), m_view.m_history.size());
}

TEST_F(UploadHistoryTest, CancelPendingTurnsOnlyPendingRowsAndClearEmptiesTheList) {
  for (HistoryState state : {kPending, kSent, kPending, kFailed}) {
    m_list.Add("f", "t0", state, 1, "B");
  }
  m_list.CancelPending("t1");
  EXPECT_EQ(m_view.HistoryStates(), (std::vector{kCancelled, kSent, kCancelled, kFailed}));
  EXPECT_EQ(m_view.m_history[0].m_time, "t1");
  EXPECT_EQ(m_view.m_history[1].m_time, "t0");
  m_list.Clear();
  EXPECT_TRUE(m_list.Rows().empty());
  EXPECT_EQ(m_view.m_historyClears, 1);
}

}  // namespace
}  // namespace trqx
