#include "foundation/sys/event_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace trqx {
namespace {

using namespace std::chrono_literals;

// Posts and sends of one thread run in order on the owner's thread and Send returns after
// its handler ran; sends from several threads each run once.
TEST(ManualEventLoopTest, PostsAndSendsRunInOrderOnTheOwnersThread) {
  ManualEventLoop loop;
  const auto owner = std::this_thread::get_id();
  std::vector<std::string> order;
  int sends = 0;  // the owner's thread only
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    loop.Post([&] { order.push_back("post 1"); });
    wrong += !loop.Send([&] { order.push_back("send 2"); }) || order.size() != 2;
    loop.Post([&] { order.push_back("post 3"); });
  });
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) {
        wrong += !loop.Send([&] { wrong += std::this_thread::get_id() != owner, ++sends; });
      }
    });
  }
  EXPECT_TRUE(loop.RunUntil([&] { return order.size() == 3 && sends == 400; }, 30s));
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"post 1", "send 2", "post 3"}));
  EXPECT_EQ(wrong.load(), 0);
}

TEST(ManualEventLoopTest, TimersFallDueByTheInjectedClockAfterPosts) {
  auto now = std::chrono::steady_clock::time_point{} + 1h;
  ManualEventLoop loop([&now] { return now; });
  std::vector<int> fired;
  loop.SetTimer(101, 1000ms, [&] { fired.push_back(101); });
  loop.SetTimer(102, 300ms, [&] { fired.push_back(102); });
  loop.Post([&] { fired.push_back(0); });
  // Each row: how far the clock moves, then what has fired in all; a loop that was away
  // long fires each timer once, not once per missed period.
  const std::vector<std::pair<std::chrono::milliseconds, std::vector<int>>> rows{
      {0ms, {0}},
      {300ms, {0, 102}},
      {699ms, {0, 102, 102}},
      {1ms, {0, 102, 102, 101}},
      {10s, {0, 102, 102, 101, 102, 101}}};
  for (const auto& [step, expected] : rows) {
    now += step;
    loop.RunPending();
    EXPECT_EQ(fired, expected) << step.count();
  }
  EXPECT_TRUE(loop.KillTimer(102));
  fired.clear();
  now += 1h;
  loop.RunPending();
  EXPECT_EQ(fired, (std::vector<int>{101}));
}

}  // namespace
}  // namespace trqx
