#include "gui/qt_event_loop.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace trqx {

QtEventLoop::QtEventLoop()
    : m_owner(std::this_thread::get_id()), m_context(std::make_unique<QObject>()) {}

QtEventLoop::~QtEventLoop() {
  Shutdown();
  for (auto& [id, timer] : m_timers) {
    timer.m_timer->stop();
  }
  m_timers.clear();
  m_context.reset();  // drops the queued calls that still target it
}

void QtEventLoop::Post(Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_shutDown) {
    return;
  }
  QMetaObject::invokeMethod(
      m_context.get(),
      [this, handler = std::move(handler)] {
        {
          std::lock_guard<std::mutex> check(m_mutex);
          if (m_shutDown) {
            return;
          }
        }
        handler();
      },
      Qt::QueuedConnection);
}

bool QtEventLoop::Send(Handler handler) {
  if (IsOwnerThread()) {
    handler();
    return true;
  }
  auto item = std::make_shared<SendItem>();
  item->m_handler = std::move(handler);
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_shutDown) {
    return false;
  }
  m_sends.push_back(item);
  QMetaObject::invokeMethod(
      m_context.get(), [this, item] { RunSend(item); }, Qt::QueuedConnection);
  m_changed.notify_all();
  m_changed.wait(lock, [&] { return item->m_done; });
  return item->m_ran;
}

void QtEventLoop::RunSend(const std::shared_ptr<SendItem>& item) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (item->m_taken) {
      return;
    }
    item->m_taken = true;
    std::erase(m_sends, item);
  }
  item->m_handler();
  std::lock_guard<std::mutex> lock(m_mutex);
  item->m_ran = true;
  item->m_done = true;
  m_changed.notify_all();
}

void QtEventLoop::ServeSends(std::chrono::milliseconds wait) {
  if (!IsOwnerThread()) {
    std::this_thread::sleep_for(wait);
    return;
  }
  std::shared_ptr<SendItem> item;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_sends.empty()) {
      m_changed.wait_for(lock, wait, [this] { return !m_sends.empty() || m_shutDown; });
    }
    if (m_sends.empty()) {
      return;
    }
  }
  // The Sends waiting run, and those that arrive while they do.
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_sends.empty()) {
        return;
      }
      item = m_sends.front();
    }
    RunSend(item);
  }
}

void QtEventLoop::Shutdown() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_shutDown = true;
  for (const auto& item : m_sends) {
    item->m_taken = true;
    item->m_done = true;
  }
  m_sends.clear();
  m_changed.notify_all();
}

void QtEventLoop::SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) {
  Timer& timer = m_timers[id];
  timer.m_handler = std::move(onTimer);
  if (!timer.m_timer) {
    timer.m_timer = std::make_unique<QTimer>();
    QObject::connect(timer.m_timer.get(), &QTimer::timeout, m_context.get(), [this, id] {
      const auto found = m_timers.find(id);
      if (found != m_timers.end()) {
        const Handler handler = found->second.m_handler;  // it may kill or reset the timer
        handler();
      }
    });
  }
  timer.m_timer->start(static_cast<int>(
      std::min<std::chrono::milliseconds::rep>(interval.count(), std::numeric_limits<int>::max())));
}

bool QtEventLoop::KillTimer(TimerId id) {
  const auto found = m_timers.find(id);
  if (found == m_timers.end()) {
    return false;
  }
  found->second.m_timer->stop();
  // The timer may be emitting right now: let Qt delete it once that is over.
  found->second.m_timer.release()->deleteLater();
  m_timers.erase(found);
  return true;
}

}  // namespace trqx
