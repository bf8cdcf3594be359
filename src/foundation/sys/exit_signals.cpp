#include "foundation/sys/exit_signals.h"

#include <pthread.h>

#include <utility>

namespace trqx {

ExitSignals::ExitSignals() {
  sigemptyset(&m_signals);
  sigaddset(&m_signals, SIGTERM);
  sigaddset(&m_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
}

ExitSignals::~ExitSignals() {
  if (m_waiter.joinable()) {
    m_ending = true;
    pthread_kill(m_waiter.native_handle(), SIGTERM);
    m_waiter.join();
  }
}

void ExitSignals::OnSignal(EventLoop& loop, std::function<void()> exit) {
  m_waiter = std::thread([this, &loop, exit = std::move(exit)] {
    int signal = 0;
    sigwait(&m_signals, &signal);
    if (!m_ending) {
      loop.Post(exit);
    }
  });
}

}  // namespace trqx
