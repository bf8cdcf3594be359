#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

#include "foundation/sys/event_loop.h"

namespace trqx {

// SIGTERM and SIGINT go to one thread that waits for them, never to a task's thread; the
// first one posts the owner's exit handler to its loop. Construct it before any other
// thread starts, so that every thread inherits the blocked mask.
class ExitSignals {
 public:
  ExitSignals();
  // Wakes the waiting thread without letting it post (the loop may be gone) and joins it.
  ~ExitSignals();
  ExitSignals(const ExitSignals&) = delete;
  ExitSignals& operator=(const ExitSignals&) = delete;

  // Starts the waiting thread; exit runs on loop's thread at the first signal.
  void OnSignal(EventLoop& loop, std::function<void()> exit);

 private:
  sigset_t m_signals;
  std::atomic<bool> m_ending{false};
  std::thread m_waiter;
};

}  // namespace trqx
