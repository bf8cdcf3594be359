#include "foundation/sys/event_loop.h"

#include <algorithm>
#include <utility>

namespace trqx {

namespace {

constexpr std::chrono::milliseconds kRunUntilSlice{5};

}  // namespace

ManualEventLoop::ManualEventLoop(SteadyClock clock)
    : m_clock(std::move(clock)), m_owner(std::this_thread::get_id()) {}

ManualEventLoop::~ManualEventLoop() {
  Shutdown();
}

void ManualEventLoop::Post(Handler handler) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_shutDown) {
      return;
    }
    m_items.push_back({std::move(handler), nullptr});
  }
  m_queued.notify_all();
}

bool ManualEventLoop::Send(Handler handler) {
  if (IsOwnerThread()) {
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      if (m_shutDown) {
        return false;
      }
    }
    handler();
    return true;
  }
  SendWait wait;
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_shutDown) {
    return false;
  }
  m_items.push_back({std::move(handler), &wait});
  m_queued.notify_all();
  m_sent.wait(lock, [&wait] { return wait.m_done; });
  return wait.m_ran;
}

void ManualEventLoop::SetTimer(TimerId id, std::chrono::milliseconds interval, Handler onTimer) {
  std::lock_guard<std::mutex> guard(m_mutex);
  std::uint64_t generation = m_nextGeneration++;
  m_timers[id] = Timer{interval, std::move(onTimer), generation};
  m_due.push({m_clock() + interval, id, generation});
  m_queued.notify_all();
}

bool ManualEventLoop::KillTimer(TimerId id) {
  std::lock_guard<std::mutex> guard(m_mutex);
  // Its heap entries go stale and are dropped when they come up.
  return m_timers.erase(id) != 0;
}

void ManualEventLoop::RunItem(std::unique_lock<std::mutex>& lock, Item item) {
  lock.unlock();
  struct Finish {
    ManualEventLoop& m_loop;
    std::unique_lock<std::mutex>& m_lock;
    SendWait* m_send;
    ~Finish() {
      m_lock.lock();
      if (m_send != nullptr) {
        m_send->m_done = true;
        m_send->m_ran = true;
        m_loop.m_sent.notify_all();
      }
    }
  } finish{*this, lock, item.m_send};
  item.m_handler();
}

void ManualEventLoop::RunTimer(std::unique_lock<std::mutex>& lock, const Due& due) {
  auto found = m_timers.find(due.m_id);
  if (found == m_timers.end() || found->second.m_generation != due.m_generation) {
    return;
  }
  // The next period starts now, so a late loop does not fire a burst of catch-up ticks.
  m_due.push({m_clock() + found->second.m_interval, due.m_id, due.m_generation});
  Handler handler = found->second.m_handler;
  lock.unlock();
  struct Relock {
    std::unique_lock<std::mutex>& m_lock;
    ~Relock() { m_lock.lock(); }
  } relock{lock};
  handler();
}

bool ManualEventLoop::NextTimerWait(std::chrono::steady_clock::duration& wait) {
  while (!m_due.empty()) {
    const Due& top = m_due.top();
    auto found = m_timers.find(top.m_id);
    if (found == m_timers.end() || found->second.m_generation != top.m_generation) {
      m_due.pop();
      continue;
    }
    auto now = m_clock();
    wait = top.m_when > now ? top.m_when - now : std::chrono::steady_clock::duration::zero();
    return true;
  }
  return false;
}

std::size_t ManualEventLoop::RunBatch(std::unique_lock<std::mutex>& lock) {
  std::size_t ran = 0;
  // Only what is there when the batch begins, so that a handler posting more, or a flood
  // of posts, cannot keep the timers from their turn.
  std::size_t items = m_items.size();
  for (std::size_t i = 0; i < items && !m_items.empty() && !m_shutDown; ++i) {
    Item item = std::move(m_items.front());
    m_items.pop_front();
    RunItem(lock, std::move(item));
    ++ran;
  }
  auto now = m_clock();
  std::vector<Due> due;
  while (!m_due.empty() && m_due.top().m_when <= now) {
    due.push_back(m_due.top());
    m_due.pop();
  }
  for (const Due& entry : due) {
    if (m_shutDown) {
      break;
    }
    auto found = m_timers.find(entry.m_id);
    if (found != m_timers.end() && found->second.m_generation == entry.m_generation) {
      RunTimer(lock, entry);
      ++ran;
    }
  }
  return ran;
}

std::size_t ManualEventLoop::RunPending() {
  std::unique_lock<std::mutex> lock(m_mutex);
  return RunBatch(lock);
}

void ManualEventLoop::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_quit = false;
  while (!m_quit && !m_shutDown) {
    if (RunBatch(lock) != 0) {
      continue;
    }
    if (m_quit || m_shutDown || !m_items.empty()) {
      continue;
    }
    std::chrono::steady_clock::duration wait;
    if (NextTimerWait(wait)) {
      m_queued.wait_for(lock, wait);
    } else {
      m_queued.wait(lock);
    }
  }
}

void ManualEventLoop::Quit() {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_quit = true;
  }
  m_queued.notify_all();
}

bool ManualEventLoop::RunUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    lock.unlock();
    bool finished = done();
    lock.lock();
    if (finished) {
      return true;
    }
    if (m_shutDown || std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    if (RunBatch(lock) != 0 || !m_items.empty()) {
      continue;
    }
    // done() may turn true without anything queued (another thread's work): look again
    // after a short while in any case.
    std::chrono::steady_clock::duration wait = std::min<std::chrono::steady_clock::duration>(
        deadline - std::chrono::steady_clock::now(), kRunUntilSlice);
    std::chrono::steady_clock::duration timerWait;
    if (NextTimerWait(timerWait) && timerWait < wait) {
      wait = timerWait;
    }
    m_queued.wait_for(lock, wait);
  }
}

void ManualEventLoop::ServeSends(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto hasSend = [this] {
    for (const Item& item : m_items) {
      if (item.m_send != nullptr) {
        return true;
      }
    }
    return false;
  };
  if (!IsOwnerThread()) {
    m_queued.wait_for(lock, wait);
    return;
  }
  if (!hasSend()) {
    m_queued.wait_for(lock, wait);
  }
  for (auto it = m_items.begin(); it != m_items.end() && !m_shutDown;) {
    if (it->m_send == nullptr) {
      ++it;
      continue;
    }
    Item item = std::move(*it);
    m_items.erase(it);
    RunItem(lock, std::move(item));
    it = m_items.begin();  // the queue may have changed while the lock was free
  }
}

void ManualEventLoop::Shutdown() {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_shutDown = true;
    for (Item& item : m_items) {
      if (item.m_send != nullptr) {
        item.m_send->m_done = true;
      }
    }
    m_items.clear();
    m_timers.clear();
    m_due = {};
  }
  m_queued.notify_all();
  m_sent.notify_all();
}

}  // namespace trqx
