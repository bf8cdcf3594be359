#include "foundation/sys/socket_task.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <deque>
#include <thread>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kUnexpectedClose = 118;

struct OwnerParts {
  std::mutex m_ownerLock;
  ManualEventLoop m_owner;
  test::NoticeLog m_notices;
  CSysSocket m_peer;
};

// A side with a trivial protocol over a loopback pair, with its owner (built first): it
// sends what the owner queues, takes "BYE" as the peer's goodbye and sends "CLOSE" when
// asked to stop.
class Side : public OwnerParts, public CSocketTask {
 public:
  explicit Side(int sendBuffer = 0)
      : CSocketTask(m_ownerLock, client_task::kCodes, {kCategoryServer, 113},
                    {119, kUnexpectedClose, 117, 123, 116, kLogWarning}, kMaskSession) {
    CSysSocket mine;
    CSysErrorInfo error;
    EXPECT_TRUE(test::ConnectedPair(mine, m_peer, sendBuffer));
    AdoptSocket(std::move(mine));
    SetOwner(&m_owner, task_message::kClientConnection, m_notices.Handler());
    EXPECT_TRUE(Start(error));
    // The thread goes on once the owner has taken its "started".
    EXPECT_TRUE(m_owner.RunUntil([this] { return m_notices.Has(client_task::kStarted); }, 10s));
  }
  ~Side() override {
    // The peer goes first: a task still running sees it close and ends without waiting out
    // its close grace.
    CSysErrorInfo error;
    m_peer.Close(error);
    StopAndJoin();
  }
  void Queue(std::string message) {
    CSysErrorInfo error;
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_queue.push_back(std::move(message));
    }
    Wake(error);
  }
  // Runs the owner's loop until the task ends: the numbers it logged, then 1 for a good end
  // or 0 for a bad one.
  std::vector<std::uint32_t> Outcome() {
    using namespace client_task;
    EXPECT_TRUE(m_owner.RunUntil(
        [this] { return m_notices.Has(kEndedGood) || m_notices.Has(kEndedBad); }, 10s));
    std::vector<std::uint32_t> outcome;
    for (const CTaskNotice& notice : m_notices.m_notices) {
      if (notice.m_code == kLogEntry) {
        outcome.push_back(notice.m_log.m_number);
      }
    }
    outcome.push_back(m_notices.Has(kEndedGood) ? 1 : 0);
    return outcome;
  }
  std::string m_received;  // the task's thread only

 protected:
  LoopAction OnData(std::string_view bytes, std::time_t) override {
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
    Queue("CLOSE");
    return true;
  }
  bool ExpectsData() override { return false; }

 private:
  std::deque<std::string> m_queue;  // guarded by Lock()
};

// Data both ways; a stop wakes the idle loop at once and the close then ends it well, as
// does the peer's goodbye; a close nobody asked for ends it badly.
TEST(SocketTaskTest, CarriesDataAndEndsByHowThePeerClosed) {
  for (const char* ending : {"stop", "BYE", "close"}) {
    SCOPED_TRACE(ending);
    Side side;
    ASSERT_TRUE(test::SendAll(side.m_peer, "hello"));
    side.Queue("reply");
    EXPECT_EQ(test::ReadBytes(side.m_peer, 5), "reply");
    std::this_thread::sleep_for(50ms);  // nothing pending: the loop waits without a limit
    CSysErrorInfo error;
    if (ending == std::string("stop")) {
      auto begin = std::chrono::steady_clock::now();
      ASSERT_TRUE(side.Stop(0ms, error));
      EXPECT_EQ(test::ReadBytes(side.m_peer, 5), "CLOSE");
      EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    }
    if (ending == std::string("BYE")) {
      ASSERT_TRUE(test::SendAll(side.m_peer, "BYE"));
      EXPECT_EQ(test::ReadBytes(side.m_peer, 1), "");  // the task closes its socket
    }
    ASSERT_TRUE(side.m_peer.Close(error));
    EXPECT_EQ(side.Outcome(),
              (ending == std::string("close") ? std::vector<std::uint32_t>{kUnexpectedClose, 0}
                                              : std::vector<std::uint32_t>{1}));
    EXPECT_EQ(side.m_received.substr(0, 5), "hello");
  }
}

std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto total = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return total(usage.ru_utime) + total(usage.ru_stime);
}

TEST(SocketTaskTest, APartlySentMessageWaitsForWritabilityWithoutSpinningAndArrivesWhole) {
  Side side(4096);
  std::string message(1 << 20, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) {
    message[i] = static_cast<char>('a' + i % 23);
  }
  side.Queue(message);
  std::this_thread::sleep_for(100ms);  // the buffers fill; the loop blocks on the send
  auto cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(400ms);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 150ms) << "the loop spins while its send is blocked";
  EXPECT_TRUE(test::ReadBytes(side.m_peer, message.size()) == message);
  cpuBefore = ProcessCpuTime();  // idle with nothing in flight: no spinning on writability
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 150ms) << "the idle loop spins";
  side.Queue("after");
  EXPECT_EQ(test::ReadBytes(side.m_peer, 5), "after");
}

}  // namespace
}  // namespace trqx
