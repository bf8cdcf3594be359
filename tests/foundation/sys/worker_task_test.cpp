#include "foundation/sys/worker_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

// A task whose body the test gives, with its owner (built first).
class ScriptTask : public test::Owner, public CWorkerTask {
 public:
  explicit ScriptTask(std::function<bool(ScriptTask&)> body)
      : CWorkerTask(m_ownerLock, session_task::kCodes, {kCategoryClient, 113}, false),
        m_body(std::move(body)) {
    SetOwner(&m_owner, task_message::kServerSession, m_notices.Handler());
  }
  ~ScriptTask() override { StopAndJoin(); }
  using CWorkerTask::Log;
  using CWorkerTask::StopRequested;
  using CWorkerTask::WakeEvent;

 protected:
  bool Run() override { return m_body(*this); }

 private:
  std::function<bool(ScriptTask&)> m_body;
};

// Each run logs, blocks in its wait until the stop request wakes it, and ends in the state
// the test chose; the sent notices are served during Stop's wait, the posted ends by the loop.
TEST(WorkerTaskTest, StopWakesABlockedTaskAtOnceAndNoticesComeInOrderWithExitCodes) {
  bool good = true;
  ScriptTask task([&good](ScriptTask& self) {
    self.Log(kLogWarning, 150, {"a"});
    CSysErrorInfo error;
    while (!self.StopRequested()) {
      if (!test::WaitFor(self.WakeEvent().Handle(), POLLIN, -1) || !self.WakeEvent().Reset(error)) {
        return false;
      }
    }
    return good;
  });
  CSysErrorInfo error;
  for (bool result : {true, false}) {
    good = result;
    ASSERT_TRUE(task.Start(error));
    EXPECT_FALSE(task.Start(error));                                     // one thread at a time
    auto logs = [&] { return task.m_notices.Codes().size() % 3 == 2; };  // started, log
    ASSERT_TRUE(task.m_owner.RunUntil(logs, 10s));
    std::this_thread::sleep_for(50ms);  // let it block in its wait
    auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(task.ExitCode(), result ? 0u : 1u);
    task.m_owner.RunPending();
  }
  using namespace session_task;
  EXPECT_EQ(task.m_notices.Codes(),
            (std::vector<int>{kStarted, kLogEntry, kEndedGood, kStarted, kLogEntry, kEndedBad}));
}

TEST(WorkerTaskTest, StopWithoutWaitIsNoErrorAndLeavesTheTaskStillActive) {
  std::atomic<bool> release{false};
  ScriptTask task([&release](ScriptTask& self) {
    while (!release) {
      std::this_thread::sleep_for(1ms);
    }
    CSysErrorInfo inner;  // its own thread cannot wait for itself
    return !self.Stop(CWorkerTask::kInfinite, inner) &&
           inner.m_function == "WaitForSingleObject(...)";
  });
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  EXPECT_TRUE(task.Stop(0ms, error));
  EXPECT_TRUE(task.IsRunning());
  EXPECT_EQ(task.ExitCode(), CWorkerTask::kStillActive);
  release = true;
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_EQ(task.ExitCode(), 0u);
}

}  // namespace
}  // namespace trqx
