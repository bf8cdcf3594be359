// Whole sessions over real loopback sockets: client tasks and session tasks on their own
// threads with the test as their owner, or a raw socket that the test plays as the peer.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include "foundation/client_strings.h"
#include "foundation/clock.h"
#include "foundation/protocol/connection_task.h"
#include "foundation/protocol/session_task.h"
#include "foundation/server_strings.h"
#include "support/loopback_harness.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;
constexpr std::chrono::milliseconds kPatience{20000};

// A client task and its session task, and what each told the test.
struct Pair {
  bool LoggedIn() const { return !client.Of(0, task_message::kClientLoggedIn).empty(); }

  std::mutex clientLock;
  loopback::NoticeRecord client;
  loopback::NoticeRecord server;
  std::unique_ptr<CConnectionTask> clientTask;
  std::unique_ptr<CSessionTask> session;
};

class LoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_listener.Open()); }
  void TearDown() override {
    CSysErrorInfo error;
    for (CWorkerTask* task : Tasks()) {
      EXPECT_TRUE(task->Stop(CWorkerTask::kInfinite, error));
      EXPECT_FALSE(task->IsRunning());
    }
  }
  std::vector<CWorkerTask*> Tasks() {
    std::vector<CWorkerTask*> all{m_a.clientTask.get(), m_a.session.get(), m_b.clientTask.get(),
                                  m_b.session.get()};
    all.erase(std::remove(all.begin(), all.end(), nullptr), all.end());
    return all;
  }
  void MakeClient(Pair& pair) {
    pair.clientTask =
        std::make_unique<CConnectionTask>(pair.clientLock, std::make_unique<CDiskUploadSource>());
    pair.clientTask->SetOwner(&m_loop, task_message::kClientConnection, pair.client.Handler());
    pair.clientTask->SetClock(m_clock);
  }
  void StartClient(Pair& pair) {
    MakeClient(pair);
    CSysErrorInfo error;
    ASSERT_TRUE(loopback::ConnectAndAdopt(*pair.clientTask, m_listener.Port(), "alice", "secret"));
    ASSERT_TRUE(pair.clientTask->Start(error));
  }
  // Starts m_a's client on a connect still under way; the refusal that follows must end it
  // with a connect event error and nothing else.
  void ExpectAdoptedConnectRefused(CSysSocket pending, const std::function<void()>& refuse) {
    MakeClient(m_a);
    m_a.clientTask->Adopt(std::move(pending), true, "alice", "secret");
    CSysErrorInfo error;
    ASSERT_TRUE(m_a.clientTask->Start(error));
    refuse();
    ASSERT_TRUE(RunUntil([&] { return m_a.clientTask->ExitCode() == 1; }));
    const std::vector<CTaskNotice> logs = m_a.client.Of(client_task::kLogEntry);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].m_log.m_number, client_strings::kMsgSocketEventError);
    EXPECT_EQ(logs[0].m_log.m_args,
              (std::vector<std::string>{std::to_string(ECONNREFUSED), "FD_CONNECT"}));
  }
  void StartSession(Pair& pair) {
    CSysSocket accepted;
    ASSERT_TRUE(m_listener.Accept(accepted));
    pair.session =
        std::make_unique<CSessionTask>(m_serverLock, std::make_unique<CDiskSpoolFile>(), m_counter);
    pair.session->SetOwner(&m_loop, task_message::kServerSession, pair.server.Handler());
    pair.session->SetClock(m_clock);
    pair.session->Adopt(std::move(accepted), "alice", "secret", m_sessionFolder.string(), "ftpuser",
                        wire::kStatusShowText, "Queue is slow");
    CSysErrorInfo error;
    ASSERT_TRUE(pair.session->Start(error));
  }
  void Connect(Pair& pair) {
    StartClient(pair);
    StartSession(pair);
    ASSERT_TRUE(RunUntil([&] { return pair.LoggedIn(); }));
  }
  // The test plays the server on a raw socket and lets the pair's client log in.
  void ConnectToRawServer(Pair& pair, CSysSocket& server) {
    StartClient(pair);
    ASSERT_TRUE(m_listener.Accept(server));
    ASSERT_EQ(::send(server.Handle(), (wire::MakeGreeting() + wire::MakeGreeting()).data(), 16, 0),
              16);
    ASSERT_TRUE(RunUntil([&] { return pair.LoggedIn(); }));
  }
  // The test plays a client on a raw socket, served by the pair's session.
  void ConnectRawClient(Pair& pair, CSysSocket& client) {
    ASSERT_NE(loopback::BeginConnect(client, m_listener.Port()), SocketIo::kFailed);
    StartSession(pair);
    ASSERT_EQ(Read(client, wire::kGreetingLength), wire::MakeGreeting());
  }
  // Reads count bytes on a raw socket while the owner's loop serves the tasks.
  std::string Read(CSysSocket& socket, std::size_t count) {
    std::string got(count, '\0');
    std::size_t at = 0;
    CSysErrorInfo error;
    for (int i = 0; at < count && i < 2000; ++i) {
      std::size_t received = 0;
      if (socket.Receive(got.data() + at, count - at, received, error) != SocketIo::kDone) {
        m_loop.RunUntil([] { return false; }, std::chrono::milliseconds(10));
      }
      at += received;
    }
    return got.substr(0, at);
  }
  bool RunUntil(const std::function<bool()>& done) { return m_loop.RunUntil(done, kPatience); }
  // Moves the clock on and wakes the tasks, step by step, until done holds.
  bool AdvanceUntil(std::time_t step, const std::function<bool()>& done) {
    CSysErrorInfo error;
    for (int i = 0; i < 100; ++i) {
      m_now += step;
      for (CWorkerTask* task : Tasks()) {
        task->Wake(error);
      }
      if (m_loop.RunUntil(done, std::chrono::milliseconds(200))) {
        return true;
      }
    }
    return false;
  }
  std::string WriteUpload(const std::string& name, const std::string& content) {
    WriteWholeFile(m_scratch.File(name), content);
    return m_scratch.File(name);
  }

  ScratchFolder m_scratch;  // first, so that it goes last
  fs::path m_root = m_scratch.Path();
  fs::path m_sessionFolder = m_root;  // where sessions write their spool files
  ManualEventLoop m_loop;
  std::atomic<std::time_t> m_now{1'000'000};
  WallClock m_clock = [this] { return m_now.load(); };
  std::mutex m_serverLock;  // shared by all sessions, as on the server
  CSpoolCounter m_counter;
  loopback::LoopbackListener m_listener;
  Pair m_a;
  Pair m_b;
};

TEST_F(LoopbackTest, TwoWholeSessionsSideBySideWithAbortCancelAndOrderlyCloseFromEitherSide) {
  Connect(m_a);
  Connect(m_b);
  // Idle for more than 20 s: the client polls and shows the server's status text.
  ASSERT_TRUE(
      AdvanceUntil(21, [&] { return m_a.client.Count(client_task::kServerStatusText) > 0; }));
  EXPECT_EQ(m_a.client.Of(client_task::kServerStatusText)[0].m_text, "Queue is slow");
  // Both send the same files at once; every spool file in the shared folder has its name.
  std::set<std::string> names;
  std::mt19937 random(7);
  for (int number = 0; number < 5; ++number) {
    std::string content(std::vector<std::size_t>{0, 1, 500, 501, 1 << 20}[number], ' ');
    std::generate(content.begin(), content.end(),
                  [&] { return random() % 50 ? static_cast<char>(' ' + random() % 95) : '\n'; });
    CFileError error;
    for (Pair* pair : {&m_a, &m_b}) {
      const std::string path =
          WriteUpload(std::to_string(number) + (pair == &m_a ? "a" : "b"), content);
      ASSERT_TRUE(pair->clientTask->SendFile(path, path, number, error));
    }
    if (number == 4) {
      // A delivery report for the previous upload while this one is in flight.
      ASSERT_TRUE(m_a.session->Request(
          [](auto& link) { return link.QueueDeliveryReport(3, wire::kDeliveryForwarded); }));
    }
    for (Pair* pair : {&m_a, &m_b}) {
      ASSERT_TRUE(RunUntil(
          [&] { return pair->client.Count(client_task::kFileAcknowledged) == number + 1; }));
      const CTaskNotice received = pair->server.Of(session_task::kFileReceived).back();
      EXPECT_EQ(received.m_number, static_cast<std::uint32_t>(number));
      EXPECT_TRUE(ReadWholeFile(received.m_text) == content) << "size " << content.size();
      names.insert(received.m_text);
    }
  }
  EXPECT_EQ(names.size(), 10u);
  EXPECT_TRUE(names.count(m_root.string() + "/ftpuservexo009.inc"));
  ASSERT_TRUE(RunUntil([&] { return m_a.client.Count(client_task::kDeliveryReport) == 1; }));
  EXPECT_EQ(m_a.client.Of(client_task::kDeliveryReport)[0].m_number, 3u);
  EXPECT_EQ(m_a.client.Of(client_task::kDeliveryReport)[0].m_text, "1");

  // An aborted and a cancelled transfer: the aborted file stays where it is, short, and only
  // the whole file after them is handed on.
  const std::string big = WriteUpload("big", std::string(8u << 20, 'x'));
  CFileError error;
  ASSERT_TRUE(m_b.clientTask->SendFile(big, big, 5, error));
  ASSERT_TRUE(m_b.clientTask->Request([](auto& link) { return link.AbortTransfer(); }));
  ASSERT_TRUE(RunUntil([&] { return m_b.client.Count(client_task::kCancelAcknowledged) == 1; }));
  EXPECT_LT(fs::file_size(m_root / "ftpuservexo010.inc"), 8u << 20);
  ASSERT_TRUE(m_b.clientTask->SendFile(big, big, 6, error));
  ASSERT_TRUE(m_b.clientTask->Request([](auto& link) { return link.Cancel(); }));
  ASSERT_TRUE(RunUntil([&] { return m_b.client.Count(client_task::kCancelAcknowledged) == 2; }));
  const std::string small = WriteUpload("small", "after the cancel\n");
  ASSERT_TRUE(m_b.clientTask->SendFile(small, small, 7, error));
  ASSERT_TRUE(RunUntil([&] { return m_b.client.Count(client_task::kFileAcknowledged) == 6; }));
  ASSERT_EQ(m_b.server.Count(session_task::kFileReceived), 6);
  EXPECT_EQ(ReadWholeFile(m_b.server.Of(session_task::kFileReceived).back().m_text),
            "after the cancel\n");

  // The user disconnects one client and the server stops the other session; the clock
  // does not move, so only the stop can end the session's wait.
  CSysErrorInfo stopError;
  ASSERT_TRUE(m_a.clientTask->Stop(std::chrono::milliseconds(0), stopError));
  ASSERT_TRUE(m_b.session->Stop(std::chrono::milliseconds(0), stopError));
  ASSERT_TRUE(RunUntil([&] {
    const std::vector<CWorkerTask*> tasks = Tasks();
    return std::all_of(tasks.begin(), tasks.end(),
                       [](auto* task) { return task->ExitCode() == 0; });
  }));
}

TEST_F(LoopbackTest, BadLoginGraceCountsFromTheSessionStartAndSilentClientsGoAfter40s) {
  CSysSocket badLogin;
  CSysSocket silent;
  ConnectRawClient(m_a, badLogin);
  ConnectRawClient(m_b, silent);
  m_now += 10;
  ASSERT_EQ(::send(badLogin.Handle(), wire::MakeLogin("alice", "nope").data(), 33, 0), 33);
  EXPECT_EQ(Read(badLogin, wire::kCloseLength), wire::MakeClose('3'));
  // The peer does not close: 31 s after the session began (21 s after the bad login) the
  // session closes hard.
  m_now += 21;
  CSysErrorInfo error;
  m_a.session->Wake(error);
  ASSERT_TRUE(RunUntil([&] { return m_a.session->ExitCode() == 0; }));
  EXPECT_TRUE(m_a.server.HasLog(session_task::kLogEntry, server_strings::kMsgBadLogin));
  EXPECT_TRUE(m_a.server.HasLog(session_task::kLogEntry, server_strings::kMsgHardSocketClose));

  m_now += 9;  // 40 s without data: not yet
  m_b.session->Wake(error);
  EXPECT_FALSE(m_loop.RunUntil([&] { return m_b.session->ExitCode() == 1; },
                               std::chrono::milliseconds(300)));
  ASSERT_TRUE(AdvanceUntil(1, [&] { return m_b.session->ExitCode() == 1; }));
  EXPECT_TRUE(m_b.server.HasLog(session_task::kLogEntry, server_strings::kMsgTimeoutNoData));
}

TEST_F(LoopbackTest, ClientsEndAStuckSendAfter20sAndCloseHardAfter30s) {
  ASSERT_TRUE(m_listener.Open(4096));  // a small window on the raw servers' side
  CSysSocket neverCloses;
  CSysSocket stopsReading;
  ConnectToRawServer(m_a, neverCloses);
  ConnectToRawServer(m_b, stopsReading);
  CSysErrorInfo error;
  ASSERT_TRUE(m_a.clientTask->Stop(std::chrono::milliseconds(0), error));
  EXPECT_EQ(Read(neverCloses, wire::kLoginLength + wire::kCloseLength),
            wire::MakeLogin("alice", "secret") + wire::MakeClose('1'));
  CFileError fileError;
  const std::string big = WriteUpload("big.inc", std::string(16u << 20, 'x'));
  ASSERT_TRUE(m_b.clientTask->SendFile(big, big, 1, fileError));
  ASSERT_TRUE(AdvanceUntil(
      21, [&] { return m_a.clientTask->ExitCode() == 0 && m_b.clientTask->ExitCode() == 1; }));
  const CTaskLog last = m_a.client.Of(client_task::kLogEntry).back().m_log;
  EXPECT_EQ(last.m_number, client_strings::kMsgConnectionHardClose);
  EXPECT_EQ(last.m_level, kLogWarning);
  EXPECT_TRUE(m_b.client.HasLog(client_task::kLogEntry, client_strings::kMsgTimeoutSendingMessage));
}

TEST_F(LoopbackTest, AConnectStillUnderWayWhenAdoptedThatTheServerRefusesIsAConnectEventError) {
  loopback::LoopbackListener full;
  ASSERT_TRUE(full.Open(0, 0));
  // One connection fills a backlog of 0: the next connect waits for its SYN to be retried.
  CSysSocket queued;
  ASSERT_NE(loopback::BeginConnect(queued, full.Port()), SocketIo::kFailed);
  ASSERT_TRUE(loopback::Poll(queued.Handle(), POLLOUT, 10000));
  CSysSocket pending;
  ASSERT_EQ(loopback::BeginConnect(pending, full.Port()), SocketIo::kWouldBlock);
  ExpectAdoptedConnectRefused(std::move(pending), [&] { full.Close(); });  // SYN retry refused
}

TEST_F(LoopbackTest, AnAdoptedConnectThatIsRefusedIsAConnectEventErrorNotAReceiveError) {
  loopback::LoopbackListener closed;
  ASSERT_TRUE(closed.Open());
  closed.Close();
  CSysSocket pending;
  const SocketIo connect = loopback::BeginConnect(pending, closed.Port());
  if (connect != SocketIo::kWouldBlock) {
    GTEST_SKIP() << "this system refused the loopback connect at once";
  }
  // The refusal is likely there before the task's first wait.
  ExpectAdoptedConnectRefused(std::move(pending), [] {});
}

TEST_F(LoopbackTest, ARequestTellsAFailingWakeFromARefusedChange) {
  // Never started: the link is awaiting its login and the task has no wake event yet.
  CSessionTask session(m_serverLock, std::make_unique<CDiskSpoolFile>(), m_counter);
  CSysErrorInfo error;
  error.Set(EIO, "left from before");
  EXPECT_FALSE(session.Request(
      [](CServerLink& link) { return link.QueueDeliveryReport(1, wire::kDeliveryForwarded); },
      error));
  EXPECT_EQ(error.m_code, 0u);
  EXPECT_FALSE(session.Request([](CServerLink& link) { return link.BeginClose(); }, error));
  EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(EBADF));
  EXPECT_EQ(error.m_function, sys_call::kSetEvent);
}

// What a client's messages make its session log and tell the owner.
struct SessionOutcomeRow {
  const char* sentence;
  std::string sent;  // after the Greeting, in one write
  std::vector<std::uint32_t> logs;
  int cancelNotices = 0;
  std::uint32_t exitCode = 0;
  bool spoolFolderMissing = false;  // the first log entry then names the spool file
};

void PrintTo(const SessionOutcomeRow& row, std::ostream* out) {
  *out << row.sentence;
}

const std::string kLogin = wire::MakeLogin("alice", "secret");
const std::string kClose = wire::MakeClose(wire::kCloseOrderly);
const std::string kFileStart = wire::MakeFileStart("basket.txt", 7);

const SessionOutcomeRow kSessionOutcomes[] = {
    {.sentence = "An STX inside a frame is bad data and ends the session badly",
     .sent = std::string{wire::kStx, wire::kStatusRequest} + wire::MakeBare(wire::kStatusRequest),
     .logs = {server_strings::kMsgReceivedBadData},
     .exitCode = 1},
    {.sentence = "A StatusRequest before the login is bad data",
     .sent = wire::MakeBare(wire::kStatusRequest),
     .logs = {server_strings::kMsgReceivedBadData},
     .exitCode = 1},
    {.sentence = "A TransferAbort during a file is logged as cancelled remotely",
     .sent = kLogin + kFileStart + wire::MakeBare(wire::kTransferAbort) + kClose,
     .logs = {server_strings::kMsgTransmissionCancelled, server_strings::kMsgReceivedCloseMessage}},
    {.sentence = "A CancelRequest while idle is logged and told to the owner",
     .sent = kLogin + wire::MakeBare(wire::kCancelRequest) + kClose,
     .logs = {server_strings::kMsgCancelRequestReceived, server_strings::kMsgReceivedCloseMessage},
     .cancelNotices = 1},
    {.sentence = "A CancelRequest during a file is logged and told to the owner",
     .sent = kLogin + kFileStart + wire::MakeBare(wire::kCancelRequest) + kClose,
     .logs = {server_strings::kMsgCancelRequestReceived, server_strings::kMsgReceivedCloseMessage},
     .cancelNotices = 1},
    {.sentence = "A spool file that cannot be created is a file error naming code and file",
     .sent = kLogin + kFileStart + kClose,
     .logs = {server_strings::kMsgFileError, server_strings::kMsgReceivedCloseMessage},
     .spoolFolderMissing = true},
};

class SessionOutcomeTest : public LoopbackTest,
                           public ::testing::WithParamInterface<SessionOutcomeRow> {};

TEST_P(SessionOutcomeTest, IsLoggedAndToldToTheOwner) {
  const SessionOutcomeRow& row = GetParam();
  if (row.spoolFolderMissing) {
    m_sessionFolder = m_root / "missing";
  }
  CSysSocket client;
  ConnectRawClient(m_a, client);
  ASSERT_EQ(::send(client.Handle(), row.sent.data(), row.sent.size(), 0),
            static_cast<ssize_t>(row.sent.size()));
  // The clock moves only so that a bad login's grace can run out.
  ASSERT_TRUE(AdvanceUntil(11, [&] {
    return m_a.server.Count(session_task::kEndedGood) + m_a.server.Count(session_task::kEndedBad) ==
           1;
  }));
  EXPECT_EQ(m_a.session->ExitCode(), row.exitCode);
  EXPECT_EQ(m_a.server.Count(session_task::kCancelRequest), row.cancelNotices);
  std::vector<std::uint32_t> numbers;
  for (const CTaskNotice& notice : m_a.server.Of(session_task::kLogEntry)) {
    numbers.push_back(notice.m_log.m_number);
    EXPECT_EQ(notice.m_log.m_level, kLogError);
    EXPECT_EQ(notice.m_log.m_category, kCategoryClient);
  }
  EXPECT_EQ(numbers, row.logs);
  const std::vector<std::string> fileErrorArgs = {
      std::to_string(ENOENT), (m_root / "missing" / "ftpuservexo000.inc").string()};
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(m_a.server.Of(session_task::kLogEntry)[0].m_log.m_args,
            row.spoolFolderMissing ? fileErrorArgs : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Rows, SessionOutcomeTest, ::testing::ValuesIn(kSessionOutcomes));

// What a server's bytes, or a connect that fails, make the client task log and post.
struct ClientOutcomeRow {
  const char* sentence;
  std::string address = "127.0.0.1";
  bool refused = false;         // nothing listens on the port
  bool loggedInFirst = false;   // the raw server logs the client in before it sends
  bool stopFirst = false;       // then the user disconnects and the Close goes out first
  std::string upload = {};      // then this file is sent
  std::string sent = {};        // by the raw server, in one write
  bool dropAfterwards = false;  // the raw server then closes the connection
  std::vector<std::pair<LogLevel, std::uint32_t>> logs;
  std::vector<std::string> lastLogArgs = {};
  std::vector<std::string> posted = {};
  std::uint32_t exitCode = 0;
};

void PrintTo(const ClientOutcomeRow& row, std::ostream* out) {
  *out << row.sentence;
}

std::string BadVersionGreeting() {
  std::string greeting = wire::MakeGreeting();
  greeting.replace(wire::kVersionOffset, wire::kVersionWidth, "    2");
  return greeting;
}

constexpr auto kEstablished = std::pair{kLogInfo, client_strings::kMsgConnectionEstablished};
constexpr auto kCloseMessage = std::pair{kLogInfo, client_strings::kMsgReceivedCloseMessage};
const std::string kServerClose = wire::MakeClose(wire::kCloseOrderly);

const ClientOutcomeRow kClientOutcomes[] = {
    {.sentence = "A refused connect is a connect event error, not a receive error",
     .refused = true,
     .logs = {{kLogError, client_strings::kMsgSocketEventError}},
     .lastLogArgs = {std::to_string(ECONNREFUSED), "FD_CONNECT"},
     .exitCode = 1},
    {.sentence = "A server address that is no dotted address fails the connect",
     .address = "localhost",
     .logs = {{kLogError, client_strings::kMsgSystemError}},
     .lastLogArgs = {std::to_string(EADDRNOTAVAIL), std::string(sys_call::kConnect)},
     .exitCode = 1},
    {.sentence = "A StatusReply before the Greeting is bad data",
     .sent = wire::MakeStatusReply('1', ""),
     .logs = {kEstablished, {kLogError, client_strings::kMsgReceivedBadData}},
     .exitCode = 1},
    {.sentence = "An STX inside a frame is bad data",
     .sent = std::string{wire::kStx} + wire::MakeGreeting(),
     .logs = {kEstablished, {kLogError, client_strings::kMsgReceivedBadData}},
     .exitCode = 1},
    {.sentence = "A Greeting of version 2 is a bad version",
     .sent = BadVersionGreeting(),
     .logs = {kEstablished, {kLogError, client_strings::kMsgReceivedBadVersion}},
     .exitCode = 1},
    {.sentence = "The login, a status text to show and a delivery report are posted",
     .sent = wire::MakeGreeting() + wire::MakeGreeting() + wire::MakeStatusReply('1', "hidden") +
             wire::MakeStatusReply('2', "  Queue is slow  ") +
             wire::MakeDeliveryReport(wire::kDeliveryForwarded, 12) + kServerClose,
     .logs = {kEstablished, kCloseMessage},
     .posted = {"logged in", "status Queue is slow", "report 12 1"}},
    {.sentence = "A connection the server drops without a Close ends the task badly",
     .loggedInFirst = true,
     .sent = wire::MakeStatusReply('1', ""),
     .dropAfterwards = true,
     .logs = {kEstablished, {kLogError, client_strings::kMsgConnectionUnexpectedlyClosed}},
     .posted = {"logged in"},
     .exitCode = 1},
    {.sentence = "The server's Close while the client closes ends it at once, not after the grace",
     .loggedInFirst = true,
     .stopFirst = true,
     .sent = kServerClose,
     .logs = {kEstablished, kCloseMessage},
     .posted = {"logged in"}},
    {.sentence = "A file that cannot be sent as it is is a file error that ends the task",
     .loggedInFirst = true,
     .upload = std::string("ab\x03"
                           "cd"),
     .logs = {kEstablished, {kLogError, client_strings::kMsgFileError}},
     .lastLogArgs = {"read", std::to_string(EILSEQ)},
     .posted = {"logged in"},
     .exitCode = 1},
};

// A posted notice in words.
std::string Describe(const CTaskNotice& notice) {
  if (notice.m_messageId == task_message::kClientLoggedIn) {
    return "logged in";
  }
  switch (notice.m_code) {
    case client_task::kServerStatusText:
      return "status " + notice.m_text;
    case client_task::kDeliveryReport:
      return "report " + std::to_string(notice.m_number) + " " + notice.m_text;
    case client_task::kFileAcknowledged:
      return "file acknowledged";
    case client_task::kCancelAcknowledged:
      return "cancel acknowledged";
    default:
      return {};
  }
}

class ClientOutcomeTest : public LoopbackTest,
                          public ::testing::WithParamInterface<ClientOutcomeRow> {
 protected:
  // Plays the raw server's part of the row up to its bytes.
  void Serve(const ClientOutcomeRow& row, CSysSocket& server) {
    // The task's notices are sent: the loop must run while the test waits for the connect.
    ASSERT_TRUE(RunUntil([&] { return m_listener.Accept(server, 0); }));
    if (row.loggedInFirst) {
      const std::string greetings = wire::MakeGreeting() + wire::MakeGreeting();
      ASSERT_EQ(::send(server.Handle(), greetings.data(), greetings.size(), 0), 16);
      ASSERT_TRUE(RunUntil([&] { return m_a.LoggedIn(); }));
      EXPECT_EQ(Read(server, wire::kLoginLength), wire::MakeLogin("alice", "secret"));
    }
    CSysErrorInfo error;
    if (row.stopFirst) {
      ASSERT_TRUE(m_a.clientTask->Stop(std::chrono::milliseconds(0), error));
      ASSERT_EQ(Read(server, wire::kCloseLength), kServerClose);
    }
    if (!row.upload.empty()) {
      const std::string path = WriteUpload("upload.inc", row.upload);
      CFileError fileError;
      ASSERT_TRUE(m_a.clientTask->SendFile(path, path, 1, fileError));
    }
    ASSERT_EQ(::send(server.Handle(), row.sent.data(), row.sent.size(), 0),
              static_cast<ssize_t>(row.sent.size()));
    if (row.dropAfterwards) {
      server.Close(error);
    }
  }
};

TEST_P(ClientOutcomeTest, IsLoggedAndPostedToTheOwner) {
  const ClientOutcomeRow& row = GetParam();
  loopback::LoopbackListener closed;
  ASSERT_TRUE(closed.Open());
  closed.Close();
  MakeClient(m_a);
  CSysErrorInfo error;
  ASSERT_TRUE(m_a.clientTask->Start(
      {row.address, row.refused ? closed.Port() : m_listener.Port(), "alice", "secret"}, error));
  CSysSocket server;
  if (row.logs.front() == kEstablished) {
    Serve(row, server);
  }
  // The clock stands still: no timer may end the task.
  ASSERT_TRUE(RunUntil([&] {
    return m_a.client.Count(client_task::kEndedGood) + m_a.client.Count(client_task::kEndedBad) ==
           1;
  }));
  EXPECT_EQ(m_a.clientTask->ExitCode(), row.exitCode);
  std::vector<std::pair<LogLevel, std::uint32_t>> logs;
  const std::vector<CTaskNotice> entries = m_a.client.Of(client_task::kLogEntry);
  for (const CTaskNotice& notice : entries) {
    logs.emplace_back(notice.m_log.m_level, notice.m_log.m_number);
    EXPECT_EQ(notice.m_log.m_category, kCategoryServer);
  }
  EXPECT_EQ(logs, row.logs);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.back().m_log.m_args, row.lastLogArgs);
  std::vector<std::string> posted;
  for (const CTaskNotice& notice : m_a.client.m_notices) {
    if (std::string said = Describe(notice); !said.empty()) {
      posted.push_back(said);
    }
  }
  EXPECT_EQ(posted, row.posted);
}

INSTANTIATE_TEST_SUITE_P(Rows, ClientOutcomeTest, ::testing::ValuesIn(kClientOutcomes));

TEST_F(LoopbackTest, AClientAndItsSessionClosingAtOnceBothEndWithoutWaitingOutTheGrace) {
  Connect(m_a);
  CSysErrorInfo error;
  // Each side's Close may cross the other's on the wire; the clock stands still, so only
  // the peer's Close or its drop of the connection can end either.
  ASSERT_TRUE(m_a.clientTask->Stop(std::chrono::milliseconds(0), error));
  ASSERT_TRUE(m_a.session->Stop(std::chrono::milliseconds(0), error));
  ASSERT_TRUE(
      RunUntil([&] { return m_a.clientTask->ExitCode() == 0 && m_a.session->ExitCode() == 0; }));
  EXPECT_FALSE(m_a.client.HasLog(client_task::kLogEntry, client_strings::kMsgConnectionHardClose));
  EXPECT_FALSE(m_a.server.HasLog(session_task::kLogEntry, server_strings::kMsgHardSocketClose));
}

}  // namespace
}  // namespace trqx
