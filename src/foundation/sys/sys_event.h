#pragma once

#include <string_view>

#include "foundation/sys/sys_error.h"

namespace trqx {

// A manual-reset event over an eventfd: once set it stays set until reset, and its handle
// polls readable while it is set, so a task can wait for it together with a socket.
// Set and Reset may be called from any thread at any time between Create and Close; Create
// and Close belong to the owner and must not race with anything else.
class CSysEvent {
 public:
  CSysEvent() = default;
  ~CSysEvent();  // closes a handle still open, without reporting
  CSysEvent(const CSysEvent&) = delete;
  CSysEvent& operator=(const CSysEvent&) = delete;

  // Opens the event, set or not. Fails ("CreateEvent(...)") leaving no handle; an event
  // already open is closed first.
  bool Create(bool initiallySet, CSysErrorInfo& error);
  // Sets the event; setting a set event is no change. Fails with "SetEvent(...)".
  bool Set(CSysErrorInfo& error);
  // Clears the event; clearing a clear event is no change. Fails with "ResetEvent(...)".
  bool Reset(CSysErrorInfo& error);
  // Whether the event is set now (a poll that does not wait). False without a handle.
  bool IsSet() const;
  // Waits up to timeoutMs (negative: no limit) until this event or also (when given) is
  // set; set tells whether one is. A failing wait fills error with callText and the code.
  bool Wait(int timeoutMs, std::string_view callText, bool& set, CSysErrorInfo& error,
            const CSysEvent* also = nullptr) const;
  // Closes the handle (no handle afterwards); callText names the call in a failure, which
  // is "CloseEvent(...)" except for the server's queue event ("CloseHandle(...)").
  bool Close(CSysErrorInfo& error, std::string_view callText = sys_call::kCloseEvent);

  bool IsOpen() const { return m_fd >= 0; }
  int Handle() const { return m_fd; }

 private:
  int m_fd = -1;
};

}  // namespace trqx
