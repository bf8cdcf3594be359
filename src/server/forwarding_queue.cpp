#include "server/forwarding_queue.h"

#include <utility>
#include <vector>

namespace trqx {

bool CForwardingQueue::Create(CSysErrorInfo& error) {
  return m_event.Create(false, error);
}

bool CForwardingQueue::Close(CSysErrorInfo& error) {
  return m_event.Close(error, sys_call::kCloseQueueEvent);
}

CForwardingQueue::Enqueued CForwardingQueue::Enqueue(const CQueueEntry& entry,
                                                     CSysErrorInfo& error) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_event.Set(error)) {
    return Enqueued::kEventFailed;
  }
  const std::size_t next = (m_write + 1) % kSlots;
  if (next == m_read) {
    return Enqueued::kFull;
  }
  m_slots[m_write] = entry;
  m_write = next;
  return Enqueued::kQueued;
}

CForwardingQueue::Taken CForwardingQueue::Take(int timeoutMs, const CSysEvent* stop,
                                               CQueueEntry& entry, CSysErrorInfo& error) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_read != m_write) {
      entry = std::move(m_slots[m_read]);
      m_slots[m_read] = {};
      m_read = (m_read + 1) % kSlots;
      m_forwarding = true;
      m_forwardingSession = entry.m_session;
      return Taken::kEntry;
    }
    if (!m_event.Reset(error)) {
      return Taken::kWaitFailed;
    }
  }
  bool set = false;
  return m_event.Wait(timeoutMs, sys_call::kWaitQueue, set, error, stop) ? Taken::kEmpty
                                                                         : Taken::kWaitFailed;
}

void CForwardingQueue::Done() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_forwarding = false;
  m_forwardingSession = nullptr;
}

bool CForwardingQueue::Withdraw(const CServerSession* session, std::size_t& count) {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<CQueueEntry> kept;
  count = 0;
  for (std::size_t slot = m_read; slot != m_write; slot = (slot + 1) % kSlots) {
    if (m_slots[slot].m_session == session) {
      ++count;
    } else {
      kept.push_back(std::move(m_slots[slot]));
    }
    m_slots[slot] = {};
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    m_slots[i] = std::move(kept[i]);
  }
  m_read = 0;
  m_write = kept.size();
  return !(m_forwarding && m_forwardingSession == session);
}

void CForwardingQueue::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  for (CQueueEntry& slot : m_slots) {
    slot = {};
  }
  m_read = m_write = 0;
  m_forwarding = false;
  m_forwardingSession = nullptr;
}

const CServerSession* CForwardingQueue::ForwardingSession() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_forwarding ? m_forwardingSession : nullptr;
}

std::size_t CForwardingQueue::Size() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return (m_write + kSlots - m_read) % kSlots;
}

}  // namespace trqx
