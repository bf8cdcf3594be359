// Whole sessions over real loopback sockets: a client-side task and a server-side session
// task, each on its own thread, with the test as the owner of both.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include <unistd.h>

#include "foundation/protocol/loopback_harness.h"
#include "foundation/sys/sys_test_support.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;
using loopback::ClientConnectionTask;
using loopback::LoopbackListener;
using loopback::ManualClock;
using loopback::NoticeRecord;
using loopback::ServerSessionTask;

constexpr std::chrono::milliseconds kPatience{20000};

std::string TextContent(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string content(size, ' ');
  for (char& c : content) {
    c = random() % 50 == 0 ? '\n' : static_cast<char>(' ' + random() % 95);
  }
  return content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

class LoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() /
             ("trqx_loopback_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_root);
    fs::create_directories(SessionDirectory());
    ASSERT_TRUE(m_listener.Open(m_receiveBuffer));
  }
  void TearDown() override {
    CSysErrorInfo error;
    for (auto* task :
         {static_cast<CWorkerTask*>(m_client.get()), static_cast<CWorkerTask*>(m_session.get())}) {
      if (task != nullptr) {
        EXPECT_TRUE(task->Stop(CWorkerTask::kInfinite, error));
        EXPECT_FALSE(task->IsRunning());
      }
    }
    m_loop.RunPending();
    fs::remove_all(m_root);
  }

  std::string SessionDirectory() const { return (m_root / "Remote/Remote0000000").string(); }

  void StartClient(const std::string& password = "secret") {
    m_client =
        std::make_unique<ClientConnectionTask>(m_clientLock, std::make_unique<CDiskUploadSource>());
    m_client->SetOwner(&m_loop, task_message::kClientConnection, m_clientNotices.Handler());
    m_client->SetClock(m_clock.Function());
    m_client->Prepare(m_listener.Port(), "alice", password);
    CSysErrorInfo error;
    ASSERT_TRUE(m_client->Start(error));
  }
  void AcceptSession(char statusFlag = wire::kStatusNormal,
                     const std::string& statusText = "System OK") {
    CSysSocket accepted;
    ASSERT_TRUE(Accept(accepted));
    m_session = std::make_unique<ServerSessionTask>(m_serverLock,
                                                    std::make_unique<CDiskSpoolFile>(), m_counter);
    m_session->SetOwner(&m_loop, task_message::kServerSession, m_serverNotices.Handler());
    m_session->SetClock(m_clock.Function());
    m_session->Prepare(std::move(accepted), "alice", "secret", SessionDirectory(), "ftpuser",
                       statusFlag, statusText);
    CSysErrorInfo error;
    ASSERT_TRUE(m_session->Start(error));
  }
  void StartBothAndLogIn(char statusFlag = wire::kStatusNormal,
                         const std::string& statusText = "System OK") {
    StartClient();
    AcceptSession(statusFlag, statusText);
    ASSERT_TRUE(RunUntil([&] { return LoggedIn(); }));
  }
  bool LoggedIn() const { return !m_clientNotices.Of(0, task_message::kClientLoggedIn).empty(); }
  bool RunUntil(const std::function<bool()>& done) { return m_loop.RunUntil(done, kPatience); }
  bool Ended(const NoticeRecord& notices, int good, int bad) const {
    return notices.Count(good) + notices.Count(bad) > 0;
  }
  bool ClientEnded() const {
    return Ended(m_clientNotices, client_task::kEndedGood, client_task::kEndedBad);
  }
  bool SessionEnded() const {
    return Ended(m_serverNotices, session_task::kEndedGood, session_task::kEndedBad);
  }
  // Moves the clock on in steps and wakes the task until done holds: a task reads the clock
  // when it wakes, so no step can be missed.
  bool AdvanceUntil(CWorkerTask& task, std::time_t step, const std::function<bool()>& done) {
    for (int i = 0; i < 100; ++i) {
      m_clock.Advance(step);
      CSysErrorInfo error;
      task.Wake(error);
      if (m_loop.RunUntil(done, std::chrono::milliseconds(200))) {
        return true;
      }
    }
    return false;
  }
  std::string WriteUpload(const std::string& name, const std::string& content) {
    std::string path = (m_root / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // Sends one file and waits until the client has its acknowledgement.
  void SendAndAwait(const std::string& path, std::uint32_t number) {
    int acknowledged = m_clientNotices.Count(client_task::kFileAcknowledged);
    CFileError error;
    ASSERT_TRUE(m_client->SendFile(path, number, error)) << error.m_function;
    ASSERT_TRUE(RunUntil(
        [&] { return m_clientNotices.Count(client_task::kFileAcknowledged) > acknowledged; }));
  }
  // Runs the owner's loop in short slices until step succeeds: a task may be waiting for
  // the owner to take a notification before it goes on.
  bool ServeUntil(const std::function<bool()>& step) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      if (step()) {
        return true;
      }
      m_loop.RunUntil([] { return false; }, std::chrono::milliseconds(10));
    }
    return false;
  }
  bool Accept(CSysSocket& accepted) {
    return ServeUntil([&] { return m_listener.Accept(accepted, 0); });
  }
  // A raw peer's read of one expected message.
  void Expect(CSysSocket& socket, const std::string& message) {
    std::string got;
    ServeUntil([&] {
      char buffer[512];
      std::size_t received = 0;
      CSysErrorInfo error;
      while (got.size() < message.size() &&
             socket.Receive(buffer, std::min(sizeof buffer, message.size() - got.size()), received,
                            error) == SocketIo::kDone) {
        got.append(buffer, received);
      }
      return got.size() >= message.size();
    });
    EXPECT_EQ(got, message);
  }

  int m_receiveBuffer = 0;
  fs::path m_root;
  ManualEventLoop m_loop;
  ManualClock m_clock;
  std::mutex m_serverLock;
  std::mutex m_clientLock;
  CSpoolCounter m_counter;
  LoopbackListener m_listener;
  NoticeRecord m_serverNotices;
  NoticeRecord m_clientNotices;
  std::unique_ptr<ClientConnectionTask> m_client;
  std::unique_ptr<ServerSessionTask> m_session;
  // A second pair, for the tests that need one.
  std::mutex m_secondClientLock;
  NoticeRecord m_secondServerNotices;
  NoticeRecord m_secondClientNotices;
  std::unique_ptr<ClientConnectionTask> m_secondClient;
  std::unique_ptr<ServerSessionTask> m_secondSession;
};

TEST_F(LoopbackTest, WholeSessionPollsSendsFilesByteExactAndClosesFromTheClient) {
  StartBothAndLogIn(wire::kStatusShowText, "Queue is slow");
  EXPECT_TRUE(
      m_clientNotices.HasLog(client_task::kLogEntry, client_strings::kMsgConnectionEstablished));

  // Idle for more than 20 s: the client polls and shows the server's status text.
  ASSERT_TRUE(AdvanceUntil(
      *m_client, 21, [&] { return m_clientNotices.Count(client_task::kServerStatusText) > 0; }));
  EXPECT_EQ(m_clientNotices.Of(client_task::kServerStatusText)[0].m_text, "Queue is slow");

  std::uint32_t number = 0;
  for (std::size_t size : {0u, 1u, 500u, 501u, 1u << 20}) {
    const std::string content = TextContent(size, static_cast<unsigned>(size));
    const std::string path = WriteUpload("TRQX" + std::to_string(number) + ".inc", content);
    if (size == 1u << 20) {
      // A delivery report for the previous upload while this one is in flight.
      CFileError error;
      ASSERT_TRUE(m_client->SendFile(path, number, error));
      ASSERT_TRUE(m_session->QueueDeliveryReport(number - 1, wire::kDeliveryForwarded));
      ASSERT_TRUE(RunUntil([&] {
        return m_clientNotices.Count(client_task::kFileAcknowledged) == 5 &&
               m_clientNotices.Count(client_task::kDeliveryReport) == 1;
      }));
    } else {
      SendAndAwait(path, number);
    }
    ASSERT_TRUE(RunUntil([&] {
      return m_serverNotices.Count(session_task::kFileReceived) == static_cast<int>(number) + 1;
    }));
    const CTaskNotice received = m_serverNotices.Of(session_task::kFileReceived).back();
    EXPECT_EQ(received.m_number, number);
    EXPECT_EQ(received.m_text,
              SessionDirectory() + "/ftpuservexo00" + std::to_string(number) + ".inc");
    EXPECT_TRUE(ReadFile(received.m_text) == content) << "size " << size;
    ++number;
  }
  const CTaskNotice report = m_clientNotices.Of(client_task::kDeliveryReport)[0];
  EXPECT_EQ(report.m_number, 3u);
  EXPECT_EQ(report.m_text, "1");

  // The user disconnects: Close goes out, the server closes, both end in good state.
  CSysErrorInfo error;
  ASSERT_TRUE(m_client->Stop(std::chrono::milliseconds(0), error));
  ASSERT_TRUE(RunUntil([&] { return ClientEnded() && SessionEnded(); }));
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedGood), 1);
  EXPECT_EQ(m_serverNotices.Count(session_task::kEndedGood), 1);
  EXPECT_TRUE(
      m_serverNotices.HasLog(session_task::kLogEntry, server_strings::kMsgReceivedCloseMessage));
  EXPECT_FALSE(
      m_serverNotices.HasLog(session_task::kLogEntry, server_strings::kMsgReceivedBadData));
}

TEST_F(LoopbackTest, ServerClosesOrderlyAndAStopWakesTheWaitingTaskAtOnce) {
  StartBothAndLogIn();
  // The session is waiting for 40 s of the clock, which does not move: only the stop can
  // end its wait.
  CSysErrorInfo error;
  ASSERT_TRUE(m_session->Stop(std::chrono::milliseconds(0), error));
  EXPECT_TRUE(m_session->IsRunning());  // stop(0) does not wait; still active is no error
  ASSERT_TRUE(RunUntil([&] { return ClientEnded() && SessionEnded(); }));
  EXPECT_EQ(m_serverNotices.Count(session_task::kEndedGood), 1);
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedGood), 1);
  EXPECT_TRUE(
      m_clientNotices.HasLog(client_task::kLogEntry, client_strings::kMsgReceivedCloseMessage));
}

TEST_F(LoopbackTest, BadLoginClosesBothEndsInGoodState) {
  StartClient("wrong");
  AcceptSession();
  ASSERT_TRUE(RunUntil([&] { return ClientEnded() && SessionEnded(); }));
  EXPECT_TRUE(m_serverNotices.HasLog(session_task::kLogEntry, server_strings::kMsgBadLogin));
  EXPECT_TRUE(
      m_clientNotices.HasLog(client_task::kLogEntry, client_strings::kMsgReceivedCloseMessage));
  EXPECT_EQ(m_serverNotices.Count(session_task::kEndedGood), 1);
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedGood), 1);
  EXPECT_FALSE(LoggedIn());
}

TEST_F(LoopbackTest, BadLoginGraceCountsFromTheSessionStart) {
  CSysSocket peer;
  CSysErrorInfo error;
  ASSERT_TRUE(peer.Create(error));
  peer.Connect(loopback::LoopbackAddress(m_listener.Port()), error);
  AcceptSession();
  Expect(peer, wire::MakeGreeting());  // the session's loop has begun
  m_clock.Advance(10);
  ASSERT_TRUE(test::SendAll(peer, wire::MakeLogin("alice", "nope")));
  Expect(peer, wire::MakeClose('3'));
  // The peer does not close. 31 s after the session began (21 s after the bad login) the
  // session closes hard.
  m_clock.Advance(21);
  m_session->Wake(error);
  ASSERT_TRUE(RunUntil([&] { return SessionEnded(); }));
  EXPECT_TRUE(m_serverNotices.HasLog(session_task::kLogEntry, server_strings::kMsgHardSocketClose));
  EXPECT_EQ(m_serverNotices.Count(session_task::kEndedGood), 1);
}

TEST_F(LoopbackTest, ClientClosesHardWhenTheServerNeverCloses) {
  StartClient();
  CSysSocket server;
  ASSERT_TRUE(Accept(server));
  ASSERT_TRUE(test::SendAll(server, wire::MakeGreeting()));
  Expect(server, wire::MakeLogin("alice", "secret"));
  ASSERT_TRUE(test::SendAll(server, wire::MakeGreeting()));
  ASSERT_TRUE(RunUntil([&] { return LoggedIn(); }));
  CSysErrorInfo error;
  ASSERT_TRUE(m_client->Stop(std::chrono::milliseconds(0), error));
  Expect(server, wire::MakeClose('1'));
  ASSERT_TRUE(AdvanceUntil(*m_client, 31, [&] { return ClientEnded(); }));
  std::vector<CTaskNotice> logs = m_clientNotices.Of(client_task::kLogEntry);
  ASSERT_FALSE(logs.empty());
  EXPECT_EQ(logs.back().m_log.m_number, client_strings::kMsgConnectionHardClose);
  EXPECT_EQ(logs.back().m_log.m_level, kLogWarning);
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedGood), 1);
}

TEST_F(LoopbackTest, SilentPeersAreDroppedAfter40Seconds) {
  // A client that sends nothing.
  CSysSocket silentClient;
  CSysErrorInfo error;
  ASSERT_TRUE(silentClient.Create(error));
  silentClient.Connect(loopback::LoopbackAddress(m_listener.Port()), error);
  AcceptSession();
  Expect(silentClient, wire::MakeGreeting());
  m_clock.Advance(40);
  m_session->Wake(error);
  EXPECT_FALSE(m_loop.RunUntil([&] { return SessionEnded(); }, std::chrono::milliseconds(300)));
  ASSERT_TRUE(AdvanceUntil(*m_session, 1, [&] { return SessionEnded(); }));
  EXPECT_TRUE(m_serverNotices.HasLog(session_task::kLogEntry, server_strings::kMsgTimeoutNoData));
  EXPECT_EQ(m_serverNotices.Count(session_task::kEndedBad), 1);

  // A server that never greets.
  StartClient();
  CSysSocket silentServer;
  ASSERT_TRUE(Accept(silentServer));
  ASSERT_TRUE(AdvanceUntil(*m_client, 41, [&] { return ClientEnded(); }));
  EXPECT_TRUE(m_clientNotices.HasLog(client_task::kLogEntry, client_strings::kMsgTimeoutNoData));
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedBad), 1);
}

class SmallWindowLoopbackTest : public LoopbackTest {
 protected:
  SmallWindowLoopbackTest() { m_receiveBuffer = 4096; }
};

TEST_F(SmallWindowLoopbackTest, MessageStuckForMoreThan20SecondsEndsTheClient) {
  StartClient();
  CSysSocket server;
  ASSERT_TRUE(Accept(server));
  ASSERT_TRUE(test::SendAll(server, wire::MakeGreeting()));
  Expect(server, wire::MakeLogin("alice", "secret"));
  ASSERT_TRUE(test::SendAll(server, wire::MakeGreeting()));
  ASSERT_TRUE(RunUntil([&] { return LoggedIn(); }));
  // The server stops reading; the file cannot go out whole.
  const std::string path = WriteUpload("big.inc", TextContent(16u << 20, 3));
  CFileError fileError;
  ASSERT_TRUE(m_client->SendFile(path, 1, fileError));
  ASSERT_TRUE(AdvanceUntil(*m_client, 21, [&] { return ClientEnded(); }));
  EXPECT_TRUE(
      m_clientNotices.HasLog(client_task::kLogEntry, client_strings::kMsgTimeoutSendingMessage));
  EXPECT_EQ(m_clientNotices.Count(client_task::kEndedBad), 1);
}

TEST_F(LoopbackTest, AbortAndCancelDuringATransfer) {
  StartBothAndLogIn();
  const std::string path = WriteUpload("big.inc", TextContent(8u << 20, 5));
  CFileError error;
  ASSERT_TRUE(m_client->SendFile(path, 1, error));
  ASSERT_TRUE(m_client->AbortTransfer());
  ASSERT_TRUE(RunUntil([&] {
    return m_clientNotices.Count(client_task::kCancelAcknowledged) == 1 &&
           m_serverNotices.HasLog(session_task::kLogEntry,
                                  server_strings::kMsgTransmissionCancelled);
  }));
  // The aborted file stays where it is, short, and is not handed on.
  EXPECT_LT(fs::file_size(SessionDirectory() + "/ftpuservexo000.inc"), 8u << 20);
  EXPECT_EQ(m_serverNotices.Count(session_task::kFileReceived), 0);

  ASSERT_TRUE(m_client->SendFile(path, 2, error));
  ASSERT_TRUE(m_client->Cancel());
  ASSERT_TRUE(RunUntil([&] {
    return m_clientNotices.Count(client_task::kCancelAcknowledged) == 2 &&
           m_serverNotices.Count(session_task::kCancelRequest) == 1;
  }));
  EXPECT_EQ(m_client->State(), ClientState::kLoggedIn);
  EXPECT_EQ(m_session->State(), ServerState::kLoggedIn);

  // The connection goes on: a small file still arrives.
  SendAndAwait(WriteUpload("small.inc", "after the cancel\n"), 3);
  EXPECT_EQ(m_serverNotices.Count(session_task::kFileReceived), 1);
}

TEST_F(LoopbackTest, ConcurrentSessionsGetDifferentSpoolNames) {
  StartBothAndLogIn();
  // A second client and session beside the first, sharing the server's lock and counter.
  m_secondClient = std::make_unique<ClientConnectionTask>(m_secondClientLock,
                                                          std::make_unique<CDiskUploadSource>());
  m_secondClient->SetOwner(&m_loop, task_message::kClientConnection,
                           m_secondClientNotices.Handler());
  m_secondClient->Prepare(m_listener.Port(), "alice", "secret");
  CSysErrorInfo error;
  ASSERT_TRUE(m_secondClient->Start(error));
  CSysSocket accepted;
  ASSERT_TRUE(Accept(accepted));
  fs::create_directories(m_root / "Remote/Remote0000001");
  m_secondSession = std::make_unique<ServerSessionTask>(
      m_serverLock, std::make_unique<CDiskSpoolFile>(), m_counter);
  m_secondSession->SetOwner(&m_loop, task_message::kServerSession, m_secondServerNotices.Handler());
  m_secondSession->Prepare(std::move(accepted), "alice", "secret",
                           (m_root / "Remote/Remote0000001").string(), "ftpuser");
  ASSERT_TRUE(m_secondSession->Start(error));
  ASSERT_TRUE(RunUntil(
      [&] { return !m_secondClientNotices.Of(0, task_message::kClientLoggedIn).empty(); }));

  constexpr int kFiles = 4;
  std::vector<std::string> contents;
  for (int i = 0; i < kFiles; ++i) {
    contents.push_back(TextContent(30000 + i, 10 + i));
    std::string first = WriteUpload("a" + std::to_string(i) + ".inc", contents.back());
    std::string second = WriteUpload("b" + std::to_string(i) + ".inc", contents.back());
    CFileError fileError;
    ASSERT_TRUE(m_client->SendFile(first, i, fileError));
    ASSERT_TRUE(m_secondClient->SendFile(second, i, fileError));
    ASSERT_TRUE(RunUntil([&] {
      return m_clientNotices.Count(client_task::kFileAcknowledged) == i + 1 &&
             m_secondClientNotices.Count(client_task::kFileAcknowledged) == i + 1;
    }));
  }
  std::set<std::string> names;
  for (const NoticeRecord* notices : {&m_serverNotices, &m_secondServerNotices}) {
    for (const CTaskNotice& notice : notices->Of(session_task::kFileReceived)) {
      names.insert(fs::path(notice.m_text).filename().string());
      EXPECT_TRUE(ReadFile(notice.m_text) == contents[notice.m_number]);
    }
  }
  EXPECT_EQ(names.size(), 2u * kFiles);
}

}  // namespace
}  // namespace trqx
