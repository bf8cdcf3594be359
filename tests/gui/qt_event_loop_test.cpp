// The windows' event loop keeps the plain loop's contract on the Qt GUI thread.

#include "gui/qt_event_loop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gui/qt_application.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

// Runs Qt's events until done() holds or the timeout passes; done().
template <typename Done>
bool ProcessUntil(Done done, std::chrono::milliseconds timeout = 10s) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done() && elapsed.elapsed() < timeout.count()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return done();
}

TEST(QtEventLoopTest, PostsAndSendsRunInOrderOnTheGuiThread) {
  QtEventLoop loop;
  const auto owner = std::this_thread::get_id();
  std::vector<std::string> order;
  int sends = 0;  // the GUI thread only
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    loop.Post([&] { order.push_back("post 1"); });
    wrong += !loop.Send([&] { order.push_back("send 2"); });
    loop.Post([&] { order.push_back("post 3"); });
  });
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        wrong += !loop.Send([&] { wrong += std::this_thread::get_id() != owner, ++sends; });
      }
    });
  }
  EXPECT_TRUE(ProcessUntil([&] { return order.size() == 3 && sends == 200; }));
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"post 1", "send 2", "post 3"}));
  EXPECT_EQ(wrong.load(), 0);
}

// A window waiting for its worker to end serves the worker's Send instead of blocking it;
// a shut-down loop lets a waiting sender go with false and runs nothing more.
TEST(QtEventLoopTest, ServeSendsFreesAWorkerAndShutdownReleasesTheRest) {
  QtEventLoop loop;
  std::atomic<bool> workerDone{false};
  bool served = false;
  std::thread worker([&] {
    EXPECT_TRUE(loop.Send([&] { served = true; }));
    workerDone = true;
  });
  while (!workerDone) {
    loop.ServeSends(10ms);  // no Qt events run here, as while a window waits in Stop
  }
  worker.join();
  EXPECT_TRUE(served);

  std::atomic<int> result{-1};
  bool ranAfterShutdown = false;
  std::thread blocked([&] { result = loop.Send([&] { ranAfterShutdown = true; }) ? 1 : 0; });
  std::this_thread::sleep_for(50ms);  // let it queue its Send
  loop.Shutdown();
  blocked.join();
  loop.Post([&] { ranAfterShutdown = true; });
  ProcessUntil([] { return false; }, 50ms);
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(ranAfterShutdown);
}

TEST(QtEventLoopTest, TimersRepeatUntilKilledEvenFromTheirOwnHandler) {
  QtEventLoop loop;
  int fast = 0;
  int replaced = 0;
  loop.SetTimer(100, 5ms, [&] {
    if (++fast == 3) {
      loop.KillTimer(100);
    }
  });
  loop.SetTimer(101, 5ms, [&] { ADD_FAILURE() << "the replaced handler ran"; });
  loop.SetTimer(101, 5ms, [&] { ++replaced; });
  EXPECT_TRUE(ProcessUntil([&] { return fast == 3 && replaced >= 3; }));
  ProcessUntil([] { return false; }, 50ms);
  EXPECT_EQ(fast, 3);
  EXPECT_TRUE(loop.KillTimer(101));
  EXPECT_FALSE(loop.KillTimer(101));
}

}  // namespace
}  // namespace trqx
