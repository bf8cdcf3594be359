#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/protocol/connection_task.h"
#include "foundation/sys/event_loop.h"
#include "server/setup_dialogs.h"
#include "server/vexo_server_dlg.h"
#include "support/current_folder.h"
#include "support/fake_ftp_client.h"
#include "support/fake_registry.h"
#include "support/loopback_harness.h"
#include "support/recording_server_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPrimary = "primary.test";
constexpr const char* kBackup = "backup.test";
constexpr const char* kUserInfo = "Software\\Norvane L.P.\\User Info";
const FtpResult kHostDown = FtpResult::ConnectFailed(12029, 0);

// Settings every test starts from: a port the system picks, anyone admitted, two fake
// hosts, one pass without a pause.
CServerSettings TestSettings() {
  CServerSettings settings;
  settings.m_user.m_port = 0;
  settings.m_user.m_password = "secret";
  settings.m_user.m_acceptUnAuthorizedClients = true;
  settings.m_ftp.m_primaryAddress = kPrimary;
  settings.m_ftp.m_backupAddress = kBackup;
  settings.m_ftp.m_username = "desk";
  settings.m_ftp.m_infiniteRetry = false;
  settings.m_ftp.m_retryLimit = 0;
  settings.m_ftp.m_retryInterval = 10;
  return settings;
}

// A client over real TCP, its notices handled by the same loop as the server's window.
class Client {
 public:
  explicit Client(ManualEventLoop& loop) : m_task(m_lock, std::make_unique<CDiskUploadSource>()) {
    // Notices the task posted may still wait in the loop when the client is gone.
    m_task.SetOwner(
        &loop, task_message::kClientConnection,
        [record = m_record](const CTaskNotice& notice) { record->m_notices.push_back(notice); });
  }
  ~Client() { Stop(); }

  bool Connect(std::uint16_t port, const std::string& password = "secret") {
    CSysErrorInfo error;
    return loopback::ConnectAndAdopt(m_task, port, "VEXOServer", password) && m_task.Start(error);
  }
  bool Send(const std::string& path, std::uint32_t uploadNumber) {
    CFileError error;
    return m_task.SendFile(std::filesystem::path(path).filename().string(), path, uploadNumber,
                           error);
  }
  bool Cancel() {
    return m_task.Request([](CClientLink& link) { return link.Cancel(); });
  }
  void Stop() {
    CSysErrorInfo error;
    m_task.Stop(CWorkerTask::kInfinite, error);
  }
  bool LoggedIn() const { return !m_record->Of(0, task_message::kClientLoggedIn).empty(); }
  int Acknowledged() const { return m_record->Count(client_task::kFileAcknowledged); }
  bool Ended() const {
    return m_record->Count(client_task::kEndedGood) + m_record->Count(client_task::kEndedBad) > 0;
  }
  // "number:outcome" of every delivery report, in order.
  std::vector<std::string> Reports() const {
    std::vector<std::string> reports;
    for (const CTaskNotice& notice : m_record->Of(client_task::kDeliveryReport)) {
      reports.push_back(std::to_string(notice.m_number) + ":" + notice.m_text);
    }
    return reports;
  }

 private:
  std::mutex m_lock;
  std::shared_ptr<loopback::NoticeRecord> m_record = std::make_shared<loopback::NoticeRecord>();
  CConnectionTask m_task;
};

class ServerDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_inFolder.Entered()); }
  void TearDown() override {
    if (m_dlg) {
      m_dlg->OnStop();
      RunUntil([&] { return !m_dlg->AnyTaskRunning(); });
    }
  }

  // Writes the settings file and runs the window's start-up.
  void Open(const CServerSettings& settings = TestSettings()) {
    CFileError error;
    ASSERT_TRUE(settings.SaveFile(CServerSettings::kFileName, error));
    m_dlg = std::make_unique<CVEXOServerDlg>(m_view, m_loop, m_registry, m_ftp);
    ASSERT_TRUE(m_dlg->OnInitDialog());
  }
  // Open, then Start: both tasks run and the server listens.
  std::uint16_t Serve(const CServerSettings& settings = TestSettings()) {
    Open(settings);
    m_dlg->OnStart();
    EXPECT_TRUE(RunUntil([&] { return m_dlg->ListeningPort() != 0; }));
    return m_dlg->ListeningPort();
  }
  bool RunUntil(const std::function<bool()>& done) { return m_loop.RunUntil(done, 10s); }
  // A logged-in client.
  std::unique_ptr<Client> Connect(std::uint16_t port) {
    auto client = std::make_unique<Client>(m_loop);
    EXPECT_TRUE(client->Connect(port));
    EXPECT_TRUE(RunUntil([&] { return client->LoggedIn(); }));
    return client;
  }
  // An upload file in the test's folder.
  std::string Upload(const std::string& name, const std::string& content = kUploadText) {
    WriteWholeFile(m_folder.File(name), content);
    return m_folder.File(name);
  }
  // The files left in a session's folder.
  std::vector<std::string> SessionFiles(const std::string& session) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("Remote/" + session)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  static constexpr const char* kUploadText =
      "START-OF-FILE\nLOGIN=desk\nSN=12\nWS=ws\nBASKET=1\nA,B\nEND-OF-FILE";

  ScratchFolder m_folder;
  test::ScopedCurrentFolder m_inFolder{m_folder.Path()};
  ManualEventLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeFtpClient m_ftp;
  test::RecordingServerView m_view;
  std::unique_ptr<CVEXOServerDlg> m_dlg;
};

TEST_F(ServerDlgTest, StartUpShowsTheIdleWindowAndTheSerialNumber) {
  m_registry.WriteString(RegistryHive::kCurrentUser, kUserInfo, "Serial Number", "NV-4711");
  Open();
  for (StatusBox box : {StatusBox::kFtp, StatusBox::kAccept}) {
    EXPECT_EQ(m_view.m_status[box].m_state, TaskState::kInitial);
    EXPECT_EQ(m_view.m_status[box].m_text, "  INITIAL   ");
  }
  EXPECT_FALSE(m_view.m_commands[ServerCommand::kStop]);
  EXPECT_EQ(m_view.m_addresses[HostRow::kPrimary], kPrimary);
  EXPECT_EQ(m_view.m_addresses[HostRow::kBackup], kBackup);
  EXPECT_EQ(m_view.m_counters[HostRow::kPrimary], "0/0/0");
  EXPECT_EQ(m_view.m_activeHost, HostRow::kPrimary);
  EXPECT_EQ(m_view.m_behavior, "off 150000");
  EXPECT_EQ(m_view.m_serial, "NV-4711");
  EXPECT_EQ(m_view.LogTexts(), std::vector<std::string>{"VEXO Server system starting."});
  EXPECT_FALSE(m_dlg->AnyTaskRunning()) << "nothing starts before Start";
}

TEST_F(ServerDlgTest, StartUpWithoutASerialNumberLogsTheRegistryKey) {
  Open();
  EXPECT_TRUE(
      m_view.Logged("Failed reading registry key HKEY_???\\Software\\Norvane L.P\\User "
                    "Info, error code=2"));
  EXPECT_EQ(m_view.m_serial, "");
}

TEST_F(ServerDlgTest, ALogFileThatCannotOpenEndsTheProgram) {
  ASSERT_EQ(::mkdir(CVEXOServerDlg::kLogFileName, 0777), 0);
  CVEXOServerDlg dlg(m_view, m_loop, m_registry, m_ftp);
  EXPECT_FALSE(dlg.OnInitDialog());
  ASSERT_EQ(m_view.m_messageBoxes.size(), 1u);
  EXPECT_EQ(m_view.m_messageBoxes[0], "File error code:21, function qxu.log.");
}

TEST_F(ServerDlgTest, StartBringsBothTasksUp) {
  Serve();
  EXPECT_EQ(m_view.m_status[StatusBox::kAccept].m_state, TaskState::kUp);
  ASSERT_TRUE(RunUntil([&] { return m_view.m_status[StatusBox::kFtp].m_state == TaskState::kUp; }));
  EXPECT_EQ(m_view.m_status[StatusBox::kFtp].m_text.rfind("     UP      at ", 0), 0u);
}

TEST_F(ServerDlgTest, TheCounterRefreshSkipsTicksWhileATaskHoldsTheLock) {
  auto client = Connect(Serve());
  std::unique_lock<std::mutex> held(m_dlg->SharedLock());
  client->Send(Upload("one.inc"), 1);
  // The loop goes on while the lock is held (no tick waits for it), and shows nothing new.
  const auto until = std::chrono::steady_clock::now() + 1500ms;
  m_loop.RunUntil([&] { return std::chrono::steady_clock::now() >= until; }, 3s);
  EXPECT_EQ(m_view.m_counters[HostRow::kPrimary], "0/0/0");
  held.unlock();
  EXPECT_TRUE(RunUntil([&] { return m_view.m_counters[HostRow::kPrimary] == "1/0/0"; }));
  EXPECT_EQ(client->Reports(), std::vector<std::string>{"1:1"});
}

struct AdmissionRow {
  const char* m_case;
  int m_maxClients;
  bool m_acceptUnAuthorized;
  std::vector<std::string> m_clientList;
  const char* m_history;
  const char* m_log;
};

class AdmissionTest : public ServerDlgTest, public ::testing::WithParamInterface<AdmissionRow> {};

TEST_P(AdmissionTest, ClientsAreAdmittedOrRejectedByTheLiveSettings) {
  const AdmissionRow& row = GetParam();
  CServerSettings settings = TestSettings();
  settings.m_user.m_maxClients = row.m_maxClients;
  settings.m_user.m_acceptUnAuthorizedClients = row.m_acceptUnAuthorized;
  settings.m_user.m_clientList = row.m_clientList;
  const std::uint16_t port = Serve(settings);
  CSysSocket socket;
  ASSERT_NE(loopback::BeginConnect(socket, port), SocketIo::kFailed);
  ASSERT_TRUE(RunUntil([&] { return !m_view.m_history.empty(); }));
  EXPECT_EQ(m_view.m_history[0].m_event, row.m_history);
  EXPECT_EQ(m_view.m_history[0].m_address, "127.0.0.1");
  EXPECT_TRUE(m_view.Logged(row.m_log));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdmissionTest,
    ::testing::Values(AdmissionRow{"empty list",
                                   15,
                                   false,
                                   {},
                                   "Remote host rejected, invalid client.",
                                   "Remote host rejected, invalid client 127.0.0.1."},
                      AdmissionRow{"listed",
                                   15,
                                   false,
                                   {"10.0.0.1", "127.0.0.1"},
                                   "Remote host accepted.",
                                   "Accepted remote host, 127.0.0.1."}),
    [](const auto& info) {
      std::string name = info.param.m_case;
      std::erase(name, ' ');
      return name;
    });

TEST_F(ServerDlgTest, AFreedClientIdIsTakenAgain) {
  const std::uint16_t port = Serve();
  auto first = Connect(port);
  auto second = Connect(port);
  first->Stop();
  ASSERT_TRUE(RunUntil([&] { return m_dlg->Sessions().Size() == 1; }));
  EXPECT_EQ(m_view.m_history.back().m_event, "Remote host offline.");
  auto third = Connect(port);
  std::vector<unsigned> ids;
  for (const auto& session : m_dlg->Sessions()) {
    ids.push_back(session->ClientId());
  }
  EXPECT_EQ(ids, (std::vector<unsigned>{1, 0}));
  EXPECT_TRUE(std::filesystem::is_directory("Remote/Remote0000000"));
}

// The first upload hangs in the FTP task's pause between passes, so the next ones queue.
class QueuedUploadsTest : public ServerDlgTest {
 protected:
  std::unique_ptr<Client> ConnectWithQueue() {
    m_ftp.SetLasting(kPrimary, kHostDown);
    m_ftp.SetLasting(kBackup, kHostDown);
    CServerSettings settings = TestSettings();
    settings.m_ftp.m_infiniteRetry = true;
    settings.m_ftp.m_retryInterval = 600000;
    auto client = Connect(Serve(settings));
    for (std::uint32_t number = 1; number <= 3; ++number) {
      EXPECT_TRUE(client->Send(Upload("f" + std::to_string(number) + ".inc"), number));
      EXPECT_TRUE(RunUntil([&] { return client->Acknowledged() == static_cast<int>(number); }));
    }
    EXPECT_TRUE(RunUntil([&] { return m_dlg->Queue().Size() == 2; }));
    return client;
  }
};

TEST_F(QueuedUploadsTest, ACancelWithdrawsTheQueuedOnesWithOneReport) {
  auto client = ConnectWithQueue();
  ASSERT_TRUE(client->Cancel());
  ASSERT_TRUE(RunUntil([&] { return !client->Reports().empty(); }));
  EXPECT_EQ(client->Reports(), std::vector<std::string>{"0:3"});
  EXPECT_EQ(m_dlg->Queue().Size(), 0u);
  EXPECT_EQ(m_view.m_history.back().m_event, "Cancel request received from remote host.");
  ASSERT_TRUE(client->Cancel());  // nothing of it queued any more: no second report
  m_dlg->OnStop();
  ASSERT_TRUE(RunUntil([&] { return client->Ended(); }));
  EXPECT_EQ(client->Reports(), (std::vector<std::string>{"0:3", "1:2"}))
      << "the one being forwarded ends as failed when the server stops";
}

TEST_F(QueuedUploadsTest, ARestartWhileTheFtpTaskRunsKeepsTheQueue) {
  auto client = ConnectWithQueue();
  m_dlg->OnStart();  // as the restart timer does
  EXPECT_EQ(m_dlg->Queue().Size(), 2u);
}

TEST_F(QueuedUploadsTest, StoppingReportsEachQueuedUploadWithSix) {
  auto client = ConnectWithQueue();
  m_dlg->OnStop();
  ASSERT_TRUE(RunUntil([&] { return client->Ended(); }));
  EXPECT_EQ(client->Reports(), (std::vector<std::string>{"1:2", "0:6", "0:6"}));
  EXPECT_TRUE(RunUntil([&] { return !m_dlg->AnyTaskRunning(); }));
  EXPECT_EQ(m_view.m_status[StatusBox::kFtp].m_state, TaskState::kStopped);
  EXPECT_TRUE(m_view.m_commands[ServerCommand::kStart]);
  EXPECT_EQ(SessionFiles("Remote0000000").size(), 3u) << "no file is lost";
}

TEST_F(QueuedUploadsTest, ExitWaitsDisabledUntilEveryTaskHasEnded) {
  auto client = ConnectWithQueue();
  m_dlg->OnExit();
  EXPECT_EQ(m_view.m_questions, std::vector<std::string>{"Confirm Exit: Press OK if you really "
                                                         "want to Exit"});
  EXPECT_TRUE(m_view.m_disabled);
  EXPECT_EQ(m_view.m_closed, 0);
  ASSERT_TRUE(RunUntil([&] { return m_view.m_closed > 0; }));
  EXPECT_FALSE(m_dlg->AnyTaskRunning());
  m_dlg->OnStart();
  EXPECT_FALSE(m_dlg->AnyTaskRunning()) << "no Start while exiting";
}

TEST_F(ServerDlgTest, UploadsBeyondAFullQueueWaitAndAllGoOutInOrder) {
  m_ftp.SetLasting(kPrimary, kHostDown);
  m_ftp.SetLasting(kBackup, kHostDown);
  CServerSettings settings = TestSettings();
  settings.m_ftp.m_infiniteRetry = true;
  settings.m_ftp.m_retryInterval = 20;
  auto client = Connect(Serve(settings));
  constexpr std::uint32_t kUploads = CForwardingQueue::kSlots + 5;
  for (std::uint32_t number = 1; number <= kUploads; ++number) {
    ASSERT_TRUE(client->Send(Upload("f.inc", std::to_string(number)), number));
    ASSERT_TRUE(RunUntil([&] { return client->Acknowledged() == static_cast<int>(number); }));
  }
  ASSERT_TRUE(RunUntil([&] { return m_dlg->WaitingCount() == 5; }));
  EXPECT_EQ(m_dlg->Queue().Size(), CForwardingQueue::kSlots - 1);
  m_ftp.SetLasting(kPrimary, FtpResult::Success());
  // Waits for the puts, not the reports: a session holds at most 10 pending reports and
  // loses the next one, which uploads put at once may reach.
  std::vector<std::string> contents;
  const auto primaryContents = [&] {
    contents.clear();
    for (const auto& call : m_ftp.Calls()) {
      if (call.m_put.m_host == kPrimary &&
          (contents.empty() || contents.back() != call.m_content)) {
        contents.push_back(call.m_content);
      }
    }
    return contents.size() == kUploads && m_dlg->Queue().Size() == 0;
  };
  ASSERT_TRUE(RunUntil(primaryContents)) << "each upload put once it could be";
  EXPECT_FALSE(m_view.Logged("Failed to queue data because queue is full."));
  for (std::uint32_t number = 1; number <= kUploads; ++number) {
    EXPECT_EQ(contents[number - 1], std::to_string(number));
  }
}

TEST_F(ServerDlgTest, APortOutsideTheRangeFailsTheAcceptTasksStart) {
  CServerSettings settings = TestSettings();
  settings.m_user.m_port = 70000;
  Open(settings);
  m_dlg->OnStart();
  EXPECT_TRUE(m_view.Logged(
      "System error, code: 22, function: int bind(SOCKET, const struct sockaddress *, int)."));
  EXPECT_EQ(m_dlg->ListeningPort(), 0);
  EXPECT_EQ(m_view.m_status[StatusBox::kAccept].m_state, TaskState::kInitial);
}

// The three save points: OK of each setup dialog and "Apply" of the Behavior box.
TEST_F(ServerDlgTest, SetupDialogsAndTheBehaviorBoxSaveThroughTheWindow) {
  Open();
  CFTPSettingsDlg ftp(m_dlg->FtpSettings(), m_dlg->AnyTaskRunning());
  ftp.SetText(CFTPSettingsDlg::Field::kBackupAddress, " other.test ");
  ASSERT_EQ(ftp.OnOK(), std::nullopt);
  m_dlg->OnFtpSettingsChanged();
  EXPECT_EQ(m_view.m_addresses[HostRow::kBackup], "other.test");
  EXPECT_EQ(m_view.m_addresses[HostRow::kPrimary], kPrimary);

  CUserSetupDlg users(m_dlg->UserSettings(), m_dlg->AnyTaskRunning());
  std::optional<CUserSetupDlg::Refusal> refusal;
  ASSERT_TRUE(users.AddAddress("127.0.0.7", refusal));
  ASSERT_EQ(users.OnOK(), std::nullopt);
  m_dlg->OnUserSettingsChanged();

  m_dlg->OnBehaviorEdited();
  EXPECT_TRUE(m_view.m_applyEnabled);
  m_dlg->OnApplyBehavior(true, 30);
  EXPECT_FALSE(m_view.m_applyEnabled);

  CServerSettings saved;
  CFileError error;
  ASSERT_TRUE(saved.LoadFile(CServerSettings::kFileName, error));
  EXPECT_EQ(saved.m_ftp.m_backupAddress, "other.test");
  EXPECT_EQ(saved.m_user.m_clientList, std::vector<std::string>{"127.0.0.7"});
  EXPECT_TRUE(saved.m_user.m_autoRestart);
  EXPECT_EQ(saved.m_user.m_restartInterval, 30u);
  EXPECT_EQ(m_view.CountLogged("File error code:21, function VEXOSvr.cfg."), 0);
}

TEST_F(ServerDlgTest, ASettingsFileThatCannotBeWrittenIsLoggedAtEverySavePoint) {
  Open();
  std::filesystem::remove(CServerSettings::kFileName);
  ASSERT_TRUE(std::filesystem::create_directory(CServerSettings::kFileName));
  m_dlg->OnFtpSettingsChanged();
  m_dlg->OnUserSettingsChanged();
  m_dlg->OnApplyBehavior(false, 5);
  EXPECT_EQ(m_view.CountLogged("File error code:21, function VEXOSvr.cfg."), 3);
  EXPECT_FALSE(m_view.m_applyEnabled);
  EXPECT_EQ(m_dlg->UserSettings().m_restartInterval, 5u) << "the live settings changed anyway";
}

TEST_F(ServerDlgTest, HistoryKeepsTheNewest500Rows) {
  CServerSettings settings = TestSettings();
  settings.m_user.m_maxClients = 0;
  const std::uint16_t port = Serve(settings);
  for (int i = 0; i < 502; ++i) {
    CSysSocket socket;
    ASSERT_NE(loopback::BeginConnect(socket, port), SocketIo::kFailed);
    ASSERT_TRUE(RunUntil([&] { return m_view.m_historyAdded == static_cast<std::size_t>(i + 1); }));
  }
  EXPECT_EQ(m_view.m_history.size(), CVEXOServerDlg::kMaxHistoryRows);
}

}  // namespace
}  // namespace trqx
