#include "foundation/sys/socket_task.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <thread>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kUnexpectedClose = 118;

// A side with a trivial protocol over a loopback pair, with its owner (built first): it
// sends what the owner queues, takes "BYE" as the peer's goodbye and sends "CLOSE" when
// asked to stop.
class Side : public test::Owner, public CSocketTask {
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
  void Queue(const std::string& message) {
    CSysErrorInfo error;
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_pending += message;
    }
    Wake(error);
  }
  // Runs the owner's loop until the task ends: its notices after "started", a log entry
  // given by its number.
  std::vector<std::uint32_t> Outcome() {
    using namespace client_task;
    EXPECT_TRUE(m_owner.RunUntil(
        [this] { return m_notices.Has(kEndedGood) || m_notices.Has(kEndedBad); }, 10s));
    std::vector<std::uint32_t> outcome;
    for (std::size_t i = 1; i < m_notices.m_notices.size(); ++i) {
      const CTaskNotice& notice = m_notices.m_notices[i];
      outcome.push_back(notice.m_code == kLogEntry ? notice.m_log.m_number : notice.m_code);
    }
    return outcome;
  }
  CSysSocket m_peer;
  std::string m_received;  // the task's thread only

 protected:
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    m_received.append(bytes);
    return m_received.find("BYE") != std::string::npos ? LoopAction::kPeerDone
                                                       : LoopAction::kContinue;
  }
  LoopAction TakeNextMessage(std::time_t, std::string& message) override {
    std::lock_guard<std::mutex> guard(Lock());
    message.swap(m_pending);
    return LoopAction::kContinue;
  }
  bool OnStopRequest(std::time_t) override {
    Queue("CLOSE");
    return true;
  }
  bool ExpectsData() override { return false; }

 private:
  std::string m_pending;  // what the owner queued, sent as one message; guarded by Lock()
};

// Data both ways; a stop wakes the idle loop at once and the close then ends it well, as
// does the peer's goodbye; a close nobody asked for ends it badly.
TEST(SocketTaskTest, CarriesDataAndEndsByHowThePeerClosed) {
  const std::vector<std::pair<std::string, std::vector<std::uint32_t>>> rows{
      {"stop", {client_task::kEndedGood}},
      {"BYE", {client_task::kEndedGood}},
      {"close", {kUnexpectedClose, client_task::kEndedBad}}};
  for (const auto& [ending, outcome] : rows) {
    SCOPED_TRACE(ending);
    Side side;
    ASSERT_TRUE(test::SendSome(side.m_peer, "hello"));
    side.Queue("reply");
    EXPECT_EQ(test::ReadBytes(side.m_peer, 5), "reply");
    std::this_thread::sleep_for(50ms);  // nothing pending: the loop waits without a limit
    CSysErrorInfo error;
    if (ending == "stop") {
      ASSERT_TRUE(side.Stop(0ms, error));
      EXPECT_EQ(test::ReadBytes(side.m_peer, 5, 1000), "CLOSE");  // woken at once
    }
    if (ending == "BYE") {
      ASSERT_TRUE(test::SendSome(side.m_peer, "BYE"));
      EXPECT_EQ(test::ReadBytes(side.m_peer, 1), "");  // the task closes its socket
    }
    ASSERT_TRUE(side.m_peer.Close(error));
    EXPECT_EQ(side.Outcome(), outcome);
    EXPECT_EQ(side.m_received.substr(0, 5), "hello");
  }
}

TEST(SocketTaskTest, APartlySentMessageWaitsForWritabilityWithoutSpinningAndArrivesWhole) {
  Side side(4096);
  // CPU time of the whole process, to tell a waiting loop from a spinning one.
  auto cpuTime = [] { return std::chrono::milliseconds(std::clock() * 1000 / CLOCKS_PER_SEC); };
  std::string message;
  while (message.size() < (1 << 20)) {
    message += "abcdefghijklmnopqrstuvw";
  }
  side.Queue(message);
  std::this_thread::sleep_for(100ms);  // the buffers fill; the loop blocks on the send
  auto cpuBefore = cpuTime();
  std::this_thread::sleep_for(400ms);
  EXPECT_LT(cpuTime() - cpuBefore, 150ms) << "the loop spins while its send is blocked";
  EXPECT_TRUE(test::ReadBytes(side.m_peer, message.size()) == message);
  cpuBefore = cpuTime();  // idle with nothing in flight: no spinning on writability
  std::this_thread::sleep_for(300ms);
  EXPECT_LT(cpuTime() - cpuBefore, 150ms) << "the idle loop spins";
  side.Queue("after");
  EXPECT_EQ(test::ReadBytes(side.m_peer, 5), "after");
}

}  // namespace
}  // namespace trqx
