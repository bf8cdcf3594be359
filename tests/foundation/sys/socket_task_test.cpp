#include "foundation/sys/socket_task.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <deque>
#include <thread>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr TaskMessages kMessages{kCategoryServer, 113};
constexpr std::uint32_t kEventError = 119;
constexpr std::uint32_t kUnexpectedClose = 118;
constexpr std::uint32_t kNoData = 117;
constexpr std::uint32_t kSendTimeout = 123;
constexpr std::uint32_t kHardClose = 116;
constexpr SocketLoopMessages kLoopMessages{kEventError,  kUnexpectedClose, kNoData,
                                           kSendTimeout, kHardClose,       kLogWarning};

// A side with a trivial protocol: it collects what arrives, sends what the owner queues,
// takes "BYE" as the peer's goodbye and sends "CLOSE" when asked to stop.
class TestSide : public CSocketTask {
 public:
  explicit TestSide(std::mutex& lock)
      : CSocketTask(lock, client_task::kCodes, kMessages, kLoopMessages, kMaskSession) {}
  ~TestSide() override { StopAndJoin(); }

  void Queue(std::string message) {
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_queue.push_back(std::move(message));
    }
    CSysErrorInfo error;
    Wake(error);
  }
  std::string Received() {
    std::lock_guard<std::mutex> guard(Lock());
    return m_received;
  }
  std::atomic<bool> m_expectsData{false};

 protected:
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    std::lock_guard<std::mutex> guard(Lock());
    m_received.append(bytes);
    return m_received.find("BYE") != std::string::npos ? LoopAction::kPeerDone
                                                       : LoopAction::kContinue;
  }
  LoopAction TakeNextMessage(std::time_t, std::string& message) override {
    std::lock_guard<std::mutex> guard(Lock());
    if (!m_queue.empty()) {
      message = std::move(m_queue.front());
      m_queue.pop_front();
    }
    return LoopAction::kContinue;
  }
  bool OnStopRequest(std::time_t) override {
    std::lock_guard<std::mutex> guard(Lock());
    m_queue.assign(1, "CLOSE");
    return true;
  }
  bool ExpectsData() override { return m_expectsData; }

 private:
  std::deque<std::string> m_queue;  // guarded by Lock()
  std::string m_received;           // guarded by Lock()
};

class SocketTaskTest : public ::testing::Test {
 protected:
  void Begin(int sendBuffer = 0) {
    CSysSocket mine;
    ASSERT_TRUE(test::ConnectedPair(mine, m_peer, sendBuffer));
    m_task.AdoptSocket(std::move(mine));
    m_task.SetClock([this] { return m_now.load(); });
    m_task.SetOwner(&m_loop, task_message::kClientConnection, m_notices.Handler());
    CSysErrorInfo error;
    ASSERT_TRUE(m_task.Start(error));
    // The thread waits until the owner has taken its "started".
    ASSERT_TRUE(m_loop.RunUntil([this] { return m_notices.Has(client_task::kStarted); }, 10s));
  }
  void TearDown() override {
    // The peer goes first, so the task's orderly close ends without waiting out the grace
    // of a clock that does not move.
    CSysErrorInfo error;
    m_peer.Close(error);
    m_task.Stop(CWorkerTask::kInfinite, error);
    EXPECT_FALSE(m_task.IsRunning());
  }
  bool RunUntilEnded(std::chrono::milliseconds timeout = 10s) {
    return m_loop.RunUntil(
        [this] {
          return m_notices.Has(client_task::kEndedGood) || m_notices.Has(client_task::kEndedBad);
        },
        timeout);
  }
  bool EndedGood() const { return m_notices.Has(client_task::kEndedGood); }
  std::vector<std::uint32_t> LoggedNumbers() const {
    std::vector<std::uint32_t> numbers;
    for (const CTaskLog& log : m_notices.Logs(client_task::kLogEntry)) {
      numbers.push_back(log.m_number);
    }
    return numbers;
  }
  // Moves the task's clock on and wakes it to look.
  void Advance(std::time_t seconds) {
    m_now += seconds;
    CSysErrorInfo error;
    m_task.Wake(error);
  }
  // The peer sees the task's socket closed.
  bool PeerSeesClose() {
    char byte;
    std::size_t got = 0;
    CSysErrorInfo error;
    for (int i = 0; i < 500; ++i) {
      SocketIo io = m_peer.Receive(&byte, 1, got, error);
      if (io == SocketIo::kClosed || io == SocketIo::kFailed) {
        return true;
      }
      test::WaitFor(m_peer.Handle(), POLLIN, 10);
    }
    return false;
  }

  ManualEventLoop m_loop;
  test::NoticeLog m_notices;
  std::mutex m_lock;
  std::atomic<std::time_t> m_now{100000};
  CSysSocket m_peer;
  TestSide m_task{m_lock};
};

TEST_F(SocketTaskTest, CarriesDataBothWaysAndEndsWellAfterThePeersGoodbye) {
  Begin();
  ASSERT_TRUE(test::SendAll(m_peer, "hello"));
  ASSERT_TRUE(m_loop.RunUntil([this] { return m_task.Received() == "hello"; }, 10s));
  m_task.Queue("reply");
  EXPECT_EQ(test::ReadBytes(m_peer, 5), "reply");
  ASSERT_TRUE(test::SendAll(m_peer, "BYE"));
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_TRUE(EndedGood());
  EXPECT_TRUE(LoggedNumbers().empty());
  EXPECT_TRUE(PeerSeesClose());
  EXPECT_EQ(m_notices.Codes().front(), client_task::kStarted);
}

TEST_F(SocketTaskTest, APeerCloseNobodyAskedForEndsBadlyAsUnexpected) {
  Begin();
  CSysErrorInfo error;
  ASSERT_TRUE(m_peer.Close(error));
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_FALSE(EndedGood());
  EXPECT_EQ(LoggedNumbers(), (std::vector<std::uint32_t>{kUnexpectedClose}));
}

TEST_F(SocketTaskTest, StopWakesTheIdleLoopAtOnceAndThePeersCloseEndsItWell) {
  Begin();
  std::this_thread::sleep_for(50ms);  // nothing pending: the loop waits without a limit
  auto begin = std::chrono::steady_clock::now();
  CSysErrorInfo error;
  ASSERT_TRUE(m_task.Stop(0ms, error));
  EXPECT_EQ(test::ReadBytes(m_peer, 5), "CLOSE");
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  ASSERT_TRUE(m_peer.Close(error));
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_TRUE(EndedGood());
  EXPECT_TRUE(LoggedNumbers().empty());
}

TEST_F(SocketTaskTest, HardCloseWhenThePeerStaysOpenPastTheGrace) {
  Begin();
  CSysErrorInfo error;
  ASSERT_TRUE(m_task.Stop(0ms, error));
  EXPECT_EQ(test::ReadBytes(m_peer, 5), "CLOSE");
  Advance(30);
  EXPECT_FALSE(RunUntilEnded(300ms));  // "more than" 30 seconds
  Advance(1);
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_TRUE(EndedGood());
  auto logs = m_notices.Logs(client_task::kLogEntry);
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].m_number, kHardClose);
  EXPECT_EQ(logs[0].m_level, kLogWarning);
  EXPECT_TRUE(PeerSeesClose());
}

TEST_F(SocketTaskTest, NoDataForMoreThanFortySecondsEndsBadlyWhileDataIsExpected) {
  m_task.m_expectsData = true;
  Begin();
  Advance(30);
  ASSERT_TRUE(test::SendAll(m_peer, "x"));  // restarts the timer
  ASSERT_TRUE(m_loop.RunUntil([this] { return m_task.Received() == "x"; }, 10s));
  Advance(40);
  EXPECT_FALSE(RunUntilEnded(300ms));
  Advance(1);
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_FALSE(EndedGood());
  EXPECT_EQ(LoggedNumbers(), (std::vector<std::uint32_t>{kNoData}));
}

// CPU time of the whole process, to tell a waiting loop from a spinning one.
std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto total = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return total(usage.ru_utime) + total(usage.ru_stime);
}

TEST_F(SocketTaskTest, APartlySentMessageWaitsForWritabilityWithoutSpinningAndArrivesWhole) {
  Begin(4096);
  std::string message(1 << 20, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) {
    message[i] = static_cast<char>('a' + i % 23);
  }
  m_task.Queue(message);
  std::this_thread::sleep_for(100ms);  // the buffers fill; the loop blocks on the send
  auto cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(400ms);
  auto cpuSpent = ProcessCpuTime() - cpuBefore;
  EXPECT_LT(cpuSpent, 150ms) << "the loop spins while its send is blocked";
  EXPECT_TRUE(test::ReadBytes(m_peer, message.size()) == message);
  // Idle again, with nothing in flight: no spinning on a writable socket either.
  cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 150ms) << "the idle loop spins";
  m_task.Queue("after");
  EXPECT_EQ(test::ReadBytes(m_peer, 5), "after");
}

TEST_F(SocketTaskTest, AMessageStuckForMoreThanTwentySecondsEndsBadly) {
  Begin(4096);
  m_task.Queue(std::string(1 << 20, 'z'));  // far more than the buffers hold; never read
  std::this_thread::sleep_for(100ms);
  Advance(20);
  EXPECT_FALSE(RunUntilEnded(300ms));
  Advance(1);
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_FALSE(EndedGood());
  EXPECT_EQ(LoggedNumbers(), (std::vector<std::uint32_t>{kSendTimeout}));
}

TEST_F(SocketTaskTest, AResetConnectionEndsBadlyWithItsError) {
  Begin();
  linger abort{1, 0};  // close with a reset
  ASSERT_EQ(::setsockopt(m_peer.Handle(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort), 0);
  CSysErrorInfo error;
  ASSERT_TRUE(m_peer.Close(error));
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_FALSE(EndedGood());
  auto logs = m_notices.Logs(client_task::kLogEntry);
  ASSERT_EQ(logs.size(), 1u);
  ASSERT_EQ(logs[0].m_args.size(), 2u);
  EXPECT_EQ(logs[0].m_args[0], std::to_string(ECONNRESET));
  // Seen in the wait it is the close event's error; seen by the receive, a system error.
  if (logs[0].m_number == kEventError) {
    EXPECT_EQ(logs[0].m_args[1], "FD_CLOSE");
  } else {
    EXPECT_EQ(logs[0].m_number, kMessages.m_systemError);
    EXPECT_EQ(logs[0].m_args[1], "int recv(SOCKET, char *, int, int)");
  }
}

}  // namespace
}  // namespace trqx
