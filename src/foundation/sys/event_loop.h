#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

#include "foundation/clock.h"

namespace trqx {

// How worker threads reach the thread that owns the windows' logic: what window messages,
// SendMessage, PostMessage and window timers did. Handlers run on the owner's thread, one
// at a time, in the order they were queued.
class EventLoop {
 public:
  using Handler = std::function<void()>;
  using TimerId = std::uint32_t;

  virtual ~EventLoop() = default;

  // Queues handler and returns at once. Any thread. Nothing runs after the loop has shut
  // down.
  virtual void Post(Handler handler) = 0;
  // Runs handler on the owner's thread and returns after it has run, so it may use data
  // on the caller's stack. On the owner's thread it runs at once. Any thread. False,
  // without running it, when the loop has shut down (or shuts down while waiting).
  virtual bool Send(Handler handler) = 0;
  // (Re)starts the repeating window timer id: onTimer runs every interval until KillTimer.
  // Setting a running id replaces its interval and handler and starts its period anew.
  // Owner's thread only.
  virtual void SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) = 0;
  // Stops timer id; false when it was not running. Owner's thread only.
  virtual bool KillTimer(TimerId id) = 0;
  // Runs the handlers of Send calls that other threads are blocked in, and waits up to
  // wait for one to arrive when none is waiting; posted handlers and timers stay queued.
  // The owner calls it while it waits for a worker to end, so that a worker blocked in
  // Send can go on and end: without it, the owner waiting for the worker and the worker
  // waiting for the owner would block each other for ever. Sent handlers may therefore run
  // before handlers posted earlier. Called on another thread it only waits.
  virtual void ServeSends(std::chrono::milliseconds wait) = 0;
};

// The plain loop: a thread-safe queue and a timer heap, run by the owner's thread (the one
// that constructs it). Used by the console front-ends and the tests. The clock is
// injectable: timers fall due by it, waits last the clock's remaining time in real time.
class ManualEventLoop final : public EventLoop {
 public:
  explicit ManualEventLoop(SteadyClock clock = [] { return std::chrono::steady_clock::now(); });
  // Shuts down: Send calls still waiting return false.
  ~ManualEventLoop() override;
  ManualEventLoop(const ManualEventLoop&) = delete;
  ManualEventLoop& operator=(const ManualEventLoop&) = delete;

  void Post(Handler handler) override;
  bool Send(Handler handler) override;
  void SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) override;
  bool KillTimer(TimerId id) override;
  void ServeSends(std::chrono::milliseconds wait) override;

  // Runs handlers and timers as they come until Quit. Owner's thread.
  void Run();
  // Makes Run return after the handler it is running. Any thread.
  void Quit();
  // Runs what is ready now (the handlers queued and the timers due when it begins) without
  // waiting; returns how many ran. Owner's thread.
  std::size_t RunPending();
  // Runs handlers and timers until done() holds (checked after each, and every few
  // milliseconds) or timeout passes in real time; returns done(). Owner's thread.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Ends the loop for good: queued handlers are dropped, waiting and later Sends return
  // false, later Posts are dropped. Any thread.
  void Shutdown();

 private:
  struct SendWait {
    bool m_done = false;
    bool m_ran = false;
  };
  struct Item {
    Handler m_handler;
    SendWait* m_send = nullptr;  // the waiting sender; null for a posted handler
  };
  struct Timer {
    std::chrono::milliseconds m_interval{};
    Handler m_handler;
    std::uint64_t m_generation = 0;
  };
  struct Due {
    std::chrono::steady_clock::time_point m_when;
    TimerId m_id;
    std::uint64_t m_generation;
    bool operator>(const Due& other) const { return m_when > other.m_when; }
  };

  bool IsOwnerThread() const { return std::this_thread::get_id() == m_owner; }
  // Runs one queued item; lock is held on entry and on return, released while it runs.
  void RunItem(std::unique_lock<std::mutex>& lock, Item item);
  // Runs timer id if its heap entry is still current; same locking as RunItem.
  void RunTimer(std::unique_lock<std::mutex>& lock, const Due& due);
  // The real time to wait until the earliest timer falls due, or none.
  bool NextTimerWait(std::chrono::steady_clock::duration& wait);
  std::size_t RunBatch(std::unique_lock<std::mutex>& lock);

  SteadyClock m_clock;
  std::thread::id m_owner;
  std::mutex m_mutex;
  std::condition_variable m_queued;  // an item arrived, or Quit/Shutdown
  std::condition_variable m_sent;    // a sent handler has run (or was dropped)
  std::deque<Item> m_items;
  std::map<TimerId, Timer> m_timers;
  std::priority_queue<Due, std::vector<Due>, std::greater<Due>> m_due;
  std::uint64_t m_nextGeneration = 1;
  bool m_quit = false;
  bool m_shutDown = false;
};

}  // namespace trqx
