#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "foundation/sys/sys_error.h"
#include "foundation/sys/sys_event.h"

namespace trqx {

class CServerSession;

// One received upload waiting to be put on an FTP host; copied by value in and out.
struct CQueueEntry {
  std::string m_localPath;   // the spool file
  std::string m_remoteName;  // its base name: the name on the FTP host
  // The session that received it; only the main window, which owns the sessions, looks at
  // it. The FTP task carries it back in its notifications as an identity.
  const CServerSession* m_session = nullptr;
  std::uint32_t m_uploadNumber = 0;
  std::string m_headerUuid;     // the text after the last "UUID=" of the file
  bool m_serverMarker = false;  // a line held "SN=Server"
};

// The uploads between the sessions and the FTP task: a ring of 200 entries, so at most 199
// wait, with a lock of its own and a manual-reset event that wakes the taker. The main
// window enqueues, withdraws and clears; the FTP task takes and is done. It also records
// which entry is being forwarded, so that a session's withdrawal leaves that one alone.
class CForwardingQueue {
 public:
  static constexpr std::size_t kSlots = 200;

  enum class Enqueued { kQueued, kFull, kEventFailed };
  enum class Taken { kEntry, kEmpty, kWaitFailed };

  // Opens the queue event, not set. Fails with "CreateEvent(...)".
  bool Create(CSysErrorInfo& error);
  // Closes the event ("CloseHandle(...)" on failure).
  bool Close(CSysErrorInfo& error);

  // Sets the event, then stores a copy of entry unless the queue is full. A failure to set
  // the event stores nothing (kEventFailed, error filled).
  Enqueued Enqueue(const CQueueEntry& entry, CSysErrorInfo& error);
  // With an entry waiting: copies it out, marks it as being forwarded, kEntry. Otherwise
  // resets the event and waits, without the lock, up to timeoutMs (negative: no limit) for
  // it or for stop (the taker's own stop event, which Take never resets, so a stop set
  // just before the reset is not lost): kEmpty once either is set or the time is up,
  // kWaitFailed ("WaitForSingleObject").
  Taken Take(int timeoutMs, const CSysEvent* stop, CQueueEntry& entry, CSysErrorInfo& error);
  // The entry taken last has been forwarded (or given up).
  void Done();
  // Removes every waiting entry of session; the rest keep their order and start at slot 0.
  // count: how many were removed. False when an entry of session is being forwarded.
  bool Withdraw(const CServerSession* session, std::size_t& count);
  // Empties the queue; nothing is being forwarded afterwards.
  void Clear();
  // Sets the event so a waiting Take returns.
  bool Wake(CSysErrorInfo& error) { return m_event.Set(error); }

  std::size_t Size() const;
  // The session of the entry being forwarded; null when none is.
  const CServerSession* ForwardingSession() const;

 private:
  mutable std::mutex m_lock;
  CSysEvent m_event;
  std::array<CQueueEntry, kSlots> m_slots;  // guarded by m_lock, as are the fields below
  std::size_t m_read = 0;
  std::size_t m_write = 0;
  bool m_forwarding = false;
  const CServerSession* m_forwardingSession = nullptr;
};

}  // namespace trqx
