#include "foundation/sys/worker_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <thread>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr TaskMessages kMessages{kCategoryClient, 113};

// A task whose body the test gives.
class ScriptTask : public CWorkerTask {
 public:
  using Body = std::function<bool(ScriptTask&)>;
  ScriptTask(std::mutex& lock, Body body, bool wakeSet = true)
      : CWorkerTask(lock, session_task::kCodes, kMessages, wakeSet), m_body(std::move(body)) {}
  ~ScriptTask() override { StopAndJoin(); }

  using CWorkerTask::Log;
  using CWorkerTask::StopRequested;
  using CWorkerTask::WakeEvent;

 protected:
  bool Run() override { return m_body(*this); }

 private:
  Body m_body;
};

// Waits on the wake event until the stop flag is set, as every task's loop does.
bool WaitForStop(ScriptTask& task) {
  CSysErrorInfo error;
  while (!task.StopRequested()) {
    if (!test::WaitFor(task.WakeEvent().Handle(), POLLIN, -1) || !task.WakeEvent().Reset(error)) {
      return false;
    }
  }
  return true;
}

struct Owner {
  ManualEventLoop loop;
  test::NoticeLog notices;
  std::mutex lock;

  void Attach(ScriptTask& task) {
    task.SetOwner(&loop, task_message::kServerSession, notices.Handler());
  }
  bool RunUntilCode(int code, std::chrono::milliseconds timeout = 10s) {
    return loop.RunUntil([&] { return notices.Has(code); }, timeout);
  }
};

TEST(WorkerTaskTest, NotifiesStartedThenEndedWithTheExitCodeOfItsResult) {
  for (bool good : {true, false}) {
    Owner owner;
    ScriptTask task(owner.lock, [good](ScriptTask& self) {
      self.Log(kLogWarning, 150, {"a"});
      return good;
    });
    owner.Attach(task);
    CSysErrorInfo error;
    ASSERT_TRUE(task.Start(error));
    int ended = good ? session_task::kEndedGood : session_task::kEndedBad;
    ASSERT_TRUE(owner.RunUntilCode(ended));
    EXPECT_EQ(owner.notices.Codes(),
              (std::vector<int>{session_task::kStarted, session_task::kLogEntry, ended}));
    const CTaskNotice& log = owner.notices.m_notices[1];
    EXPECT_EQ(log.m_messageId, task_message::kServerSession);
    EXPECT_EQ(log.m_log.m_category, kCategoryClient);
    EXPECT_EQ(log.m_log.m_level, kLogWarning);
    EXPECT_EQ(log.m_log.m_number, 150u);
    ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
    EXPECT_FALSE(task.IsRunning());
    EXPECT_EQ(task.ExitCode(), good ? 0u : 1u);
  }
}

TEST(WorkerTaskTest, OutOfMemoryInTheBodyEndsInBadState) {
  Owner owner;
  ScriptTask task(owner.lock, [](ScriptTask&) -> bool { throw std::bad_alloc(); });
  owner.Attach(task);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(owner.RunUntilCode(session_task::kEndedBad));
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_EQ(task.ExitCode(), 1u);
}

TEST(WorkerTaskTest, StopWakesATaskBlockedInItsWaitAtOnce) {
  Owner owner;
  ScriptTask task(owner.lock, WaitForStop, false);
  owner.Attach(task);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(owner.RunUntilCode(session_task::kStarted));
  std::this_thread::sleep_for(50ms);  // let it block in its wait
  auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  EXPECT_FALSE(task.IsRunning());
  EXPECT_EQ(task.ExitCode(), 0u);
}

TEST(WorkerTaskTest, StopWithoutWaitOnARunningTaskIsNoErrorAndLeavesItRunning) {
  Owner owner;
  std::atomic<bool> release{false};
  ScriptTask task(owner.lock, [&release](ScriptTask&) {
    while (!release) {
      std::this_thread::sleep_for(1ms);
    }
    return true;
  });
  owner.Attach(task);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  error.Set(0, "untouched");
  EXPECT_TRUE(task.Stop(0ms, error));
  EXPECT_EQ(error.m_function, "untouched");
  EXPECT_TRUE(task.IsRunning());
  EXPECT_EQ(task.ExitCode(), CWorkerTask::kStillActive);
  task.Reap();  // not ended: nothing happens
  EXPECT_TRUE(task.IsRunning());
  EXPECT_TRUE(task.StopRequested());
  release = true;
  ASSERT_TRUE(owner.RunUntilCode(session_task::kEndedGood));
  task.Reap();
  EXPECT_FALSE(task.IsRunning());
}

TEST(WorkerTaskTest, StopServesSendsSoATaskBlockedInOneCanEnd) {
  Owner owner;
  ScriptTask task(owner.lock, [](ScriptTask& self) {
    for (int i = 0; i < 20; ++i) {
      self.Log(kLogError, 150);  // each one waits for the owner
    }
    return WaitForStop(self);
  });
  owner.Attach(task);
  // A watchdog that shuts the loop if the owner and the task block each other.
  std::atomic<bool> stopped{false};
  std::atomic<bool> deadlocked{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 1000 && !stopped; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    if (!stopped) {
      deadlocked = true;
      owner.loop.Shutdown();
    }
  });
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  EXPECT_TRUE(task.Stop(CWorkerTask::kInfinite, error));  // the loop never ran
  stopped = true;
  watchdog.join();
  EXPECT_FALSE(deadlocked);
  EXPECT_FALSE(task.IsRunning());
  EXPECT_EQ(owner.notices.Logs(session_task::kLogEntry).size(), 20u);
}

TEST(WorkerTaskTest, StartRefusesASecondThreadAndRestartsAfterTheEnd) {
  Owner owner;
  ScriptTask task(owner.lock, WaitForStop);
  owner.Attach(task);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  EXPECT_FALSE(task.Start(error));
  EXPECT_EQ(error.m_code, 0u);
  EXPECT_EQ(error.m_function, "AfxBeginThread");
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  // The sent "started" is served during Stop's wait, the posted end only by the loop.
  owner.loop.RunPending();
  // The stop flag of the last run must not end the next one at once.
  ASSERT_TRUE(task.Start(error));
  EXPECT_TRUE(task.Stop(0ms, error));
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_FALSE(task.IsRunning());
  owner.loop.RunPending();
  EXPECT_EQ(owner.notices.Codes(),
            (std::vector<int>{session_task::kStarted, session_task::kEndedGood,
                              session_task::kStarted, session_task::kEndedGood}));
}

TEST(WorkerTaskTest, WithoutAnOwnerNothingIsSentAndStopStillWaits) {
  std::mutex lock;
  ScriptTask task(lock, [](ScriptTask& self) {
    self.Log(kLogError, 1);
    return WaitForStop(self);
  });
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_FALSE(task.IsRunning());
  EXPECT_EQ(task.ExitCode(), 0u);
}

TEST(WorkerTaskTest, StopFromTheTasksOwnThreadFailsInsteadOfWaitingForItself) {
  Owner owner;
  CSysErrorInfo inner;
  bool innerResult = true;
  ScriptTask task(owner.lock, [&](ScriptTask& self) {
    innerResult = self.Stop(CWorkerTask::kInfinite, inner);
    return true;
  });
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_FALSE(innerResult);
  EXPECT_EQ(inner.m_function, "WaitForSingleObject(...)");
}

}  // namespace
}  // namespace trqx
