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
  // Shuts down: Send calls still waiting return false; queued handlers never run.
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

 private:
  // A Send waiting for the GUI thread; shared by the sender, the queued call and ServeSends,
  // whichever runs it first.
  struct SendItem {
    Handler m_handler;
    bool m_taken = false;  // a thread has begun to run it (or the loop dropped it)
    bool m_done = false;
    bool m_ran = false;
  };
  struct Timer {
    std::unique_ptr<QTimer> m_timer;
    Handler m_handler;
  };

  bool IsOwnerThread() const { return std::this_thread::get_id() == m_owner; }
  // Runs item unless another thread took it first. GUI thread.
  void RunSend(const std::shared_ptr<SendItem>& item);

  std::thread::id m_owner;
  std::unique_ptr<QObject> m_context;  // lives on the GUI thread; queued calls target it
  std::mutex m_mutex;
  std::condition_variable m_changed;  // a Send was queued or done, or the loop shut down
  std::deque<std::shared_ptr<SendItem>> m_sends;
  bool m_shutDown = false;
  std::map<TimerId, Timer> m_timers;
};

}  // namespace trqx
