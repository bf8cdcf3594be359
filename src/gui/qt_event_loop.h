#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "foundation/sys/event_loop.h"

namespace trqx {

// The windows' event loop: handlers run on the Qt GUI thread (the one that constructs the
// loop, running QApplication::exec) as queued calls, window timers are QTimers. Same
// contract as ManualEventLoop: a Send from another thread blocks until its handler has run
// (or the loop has shut down), and ServeSends lets the GUI thread run waiting Sends while
// it waits for a worker to end.
class QtEventLoop final : public EventLoop {
 public:
  QtEventLoop();
  // Shuts down: Send calls still waiting return false.
  ~QtEventLoop() override;
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

  void Post(Handler handler) override;
  bool Send(Handler handler) override;
  void SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) override;
  bool KillTimer(TimerId id) override;
  void ServeSends(std::chrono::milliseconds wait) override;

  // Ends the loop for good: later Posts are dropped, waiting and later Sends return false.
  // Any thread.
  void Shutdown();
};

}  // namespace trqx
