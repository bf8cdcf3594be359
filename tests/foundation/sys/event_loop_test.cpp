#include "foundation/sys/event_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace trqx {
namespace {

using namespace std::chrono_literals;

TEST(ManualEventLoopTest, PostsAndSendsOfOneThreadRunInOrderOnTheOwnersThread) {
  ManualEventLoop loop;
  const auto owner = std::this_thread::get_id();
  std::vector<std::string> order;
  bool sendReturnedAfterRun = false;
  bool otherThread = false;
  std::thread worker([&] {
    loop.Post([&] { order.push_back("post 1"); });
    // Data on this stack is safe to hand over: Send returns after the handler ran.
    std::string onStack = "send 2";
    bool ran = false;
    bool sent = loop.Send([&] {
      order.push_back(onStack);
      ran = true;
      otherThread = std::this_thread::get_id() != owner;
    });
    sendReturnedAfterRun = sent && ran;
    loop.Post([&] { order.push_back("post 3"); });
    loop.Post([&] { loop.Quit(); });
  });
  loop.Run();
  worker.join();
  EXPECT_EQ(order, (std::vector<std::string>{"post 1", "send 2", "post 3"}));
  EXPECT_TRUE(sendReturnedAfterRun);
  EXPECT_FALSE(otherThread);
}

TEST(ManualEventLoopTest, SendsFromSeveralThreadsAllRunOnceOnTheOwnersThread) {
  ManualEventLoop loop;
  const auto owner = std::this_thread::get_id();
  constexpr int kThreads = 4;
  constexpr int kSends = 200;
  int count = 0;  // touched by the owner's thread only
  std::atomic<int> wrongThread{0};
  std::atomic<int> failed{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < kSends; ++i) {
        int before = -1;
        if (!loop.Send([&] {
              before = count++;
              if (std::this_thread::get_id() != owner) {
                ++wrongThread;
              }
            }) ||
            before < 0) {
          ++failed;
        }
      }
    });
  }
  EXPECT_TRUE(loop.RunUntil([&] { return count == kThreads * kSends; }, 30s));
  for (std::thread& worker : workers) {
    worker.join();
  }
  EXPECT_EQ(count, kThreads * kSends);
  EXPECT_EQ(wrongThread.load(), 0);
  EXPECT_EQ(failed.load(), 0);
}

TEST(ManualEventLoopTest, SendOnTheOwnersThreadRunsAtOnce) {
  ManualEventLoop loop;
  bool ran = false;
  EXPECT_TRUE(loop.Send([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(loop.RunPending(), 0u);
}

TEST(ManualEventLoopTest, TimersFallDueByTheInjectedClock) {
  auto now = std::chrono::steady_clock::time_point{} + 1h;
  ManualEventLoop loop([&now] { return now; });
  std::vector<int> fired;
  loop.SetTimer(101, 1000ms, [&] { fired.push_back(101); });
  loop.SetTimer(102, 300ms, [&] { fired.push_back(102); });
  EXPECT_EQ(loop.RunPending(), 0u);
  now += 300ms;
  loop.RunPending();
  EXPECT_EQ(fired, (std::vector<int>{102}));
  now += 699ms;
  loop.RunPending();
  EXPECT_EQ(fired, (std::vector<int>{102, 102}));
  now += 1ms;
  loop.RunPending();
  EXPECT_EQ(fired, (std::vector<int>{102, 102, 101}));
  // A loop that was away long fires each timer once, not once per missed period.
  fired.clear();
  now += 10s;
  loop.RunPending();
  EXPECT_EQ(fired.size(), 2u);

  // Setting a running id starts its period anew; killing stops it.
  fired.clear();
  EXPECT_TRUE(loop.KillTimer(102));
  EXPECT_FALSE(loop.KillTimer(102));
  now += 500ms;
  loop.SetTimer(101, 2000ms, [&] { fired.push_back(1010); });
  now += 1500ms;
  loop.RunPending();
  EXPECT_TRUE(fired.empty());
  now += 500ms;
  loop.RunPending();
  EXPECT_EQ(fired, (std::vector<int>{1010}));
}

TEST(ManualEventLoopTest, ATimerMayKillItselfAndPostsRunBeforeDueTimers) {
  auto now = std::chrono::steady_clock::time_point{} + 1h;
  ManualEventLoop loop([&now] { return now; });
  std::vector<std::string> order;
  loop.SetTimer(7, 10ms, [&] {
    order.push_back("timer");
    loop.KillTimer(7);
  });
  now += 10ms;
  loop.Post([&] { order.push_back("post"); });
  loop.RunPending();
  now += 100ms;
  loop.RunPending();
  EXPECT_EQ(order, (std::vector<std::string>{"post", "timer"}));
}

TEST(ManualEventLoopTest, ServeSendsRunsWaitingSendsButLeavesPostsQueued) {
  ManualEventLoop loop;
  std::vector<std::string> order;
  std::atomic<bool> sent{false};
  std::thread worker([&] {
    loop.Post([&] { order.push_back("post"); });
    loop.Send([&] { order.push_back("send"); });
    sent = true;
  });
  for (int i = 0; i < 500 && !sent; ++i) {
    loop.ServeSends(10ms);
  }
  worker.join();
  EXPECT_EQ(order, (std::vector<std::string>{"send"}));
  loop.RunPending();
  EXPECT_EQ(order, (std::vector<std::string>{"send", "post"}));
}

TEST(ManualEventLoopTest, ShutdownReleasesABlockedSenderWithoutRunningIt) {
  ManualEventLoop loop;
  std::atomic<int> result{-1};
  bool ran = false;
  std::thread worker([&] { result = loop.Send([&] { ran = true; }) ? 1 : 0; });
  // Queued by now or not yet, the send must come back false without running.
  std::this_thread::sleep_for(50ms);
  loop.Shutdown();
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(loop.Send([] {}));
  loop.Post([&] { ran = true; });
  EXPECT_EQ(loop.RunPending(), 0u);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace trqx
