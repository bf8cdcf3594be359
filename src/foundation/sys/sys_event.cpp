#include "foundation/sys/sys_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace trqx {

CSysEvent::~CSysEvent() {
  if (m_fd >= 0) {
    ::close(m_fd);
  }
}

bool CSysEvent::Create(bool initiallySet, CSysErrorInfo& error) {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  // The counter is the event's state: above 0 is set. Setting writes 1, which cannot block
  // before the counter nears its maximum, and resetting reads it back to 0.
  int fd = ::eventfd(initiallySet ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) {
    error.Set(static_cast<std::uint32_t>(errno), sys_call::kCreateEvent);
    return false;
  }
  m_fd = fd;
  return true;
}

bool CSysEvent::Set(CSysErrorInfo& error) {
  const std::uint64_t one = 1;
  for (;;) {
    if (::write(m_fd, &one, sizeof one) == static_cast<ssize_t>(sizeof one)) {
      return true;
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno == EAGAIN) {
      return true;  // the counter is full, so the event is set
    }
    error.Set(static_cast<std::uint32_t>(errno), sys_call::kSetEvent);
    return false;
  }
}

bool CSysEvent::Reset(CSysErrorInfo& error) {
  std::uint64_t count = 0;
  for (;;) {
    if (::read(m_fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
      return true;
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno == EAGAIN) {
      return true;  // it was not set
    }
    error.Set(static_cast<std::uint32_t>(errno), sys_call::kResetEvent);
    return false;
  }
}

bool CSysEvent::IsSet() const {
  if (m_fd < 0) {
    return false;
  }
  pollfd entry{m_fd, POLLIN, 0};
  return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN) != 0;
}

bool CSysEvent::Wait(int timeoutMs, std::string_view callText, bool& set, CSysErrorInfo& error,
                     const CSysEvent* also) const {
  pollfd entries[2] = {{m_fd, POLLIN, 0}, {also != nullptr ? also->m_fd : -1, POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(entries, 2, timeoutMs < 0 ? -1 : timeoutMs);
    if (ready >= 0) {
      set = ready > 0;
      return true;
    }
    if (errno != EINTR) {
      error.Set(static_cast<std::uint32_t>(errno), callText);
      return false;
    }
  }
}

bool CSysEvent::Close(CSysErrorInfo& error, std::string_view callText) {
  if (m_fd < 0) {
    return true;
  }
  int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    error.Set(static_cast<std::uint32_t>(errno), callText);
    return false;
  }
  return true;
}

}  // namespace trqx
