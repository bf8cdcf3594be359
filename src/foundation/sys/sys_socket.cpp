#include "foundation/sys/sys_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "foundation/sys/sys_event.h"

namespace trqx {

namespace {

std::uint32_t Errno() {
  return static_cast<std::uint32_t>(errno);
}

bool IsWouldBlock(int code) {
  return code == EWOULDBLOCK || code == EAGAIN;
}

// Every message is a small frame answered by the peer: without this, the kernel holds a
// frame back until the previous one is acknowledged, some 40 ms a round trip on loopback.
// Best effort: a socket that refuses it still works, only slower.
void SendFramesAtOnce(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

CSysSocket::~CSysSocket() {
  if (m_fd >= 0) {
    ::close(m_fd);
  }
}

CSysSocket::CSysSocket(CSysSocket&& other) noexcept : m_fd(other.Release()) {}

CSysSocket& CSysSocket::operator=(CSysSocket&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
    m_fd = other.Release();
  }
  return *this;
}

int CSysSocket::Release() {
  int fd = m_fd;
  m_fd = -1;
  return fd;
}

bool CSysSocket::Create(CSysErrorInfo& error) {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error.Set(Errno(), sys_call::kSocket);
    return false;
  }
  SendFramesAtOnce(fd);
  m_fd = fd;
  return true;
}

bool CSysSocket::Close(CSysErrorInfo& error) {
  if (m_fd < 0) {
    return true;
  }
  // The handle is gone whatever close says; retrying after EINTR could close a reused one.
  if (::close(Release()) != 0 && errno != EINTR) {
    error.Set(Errno(), sys_call::kCloseSocket);
    return false;
  }
  return true;
}

bool CSysSocket::AllowAddressReuse(CSysErrorInfo& error) {
  int on = 1;
  if (::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    error.Set(Errno(), sys_call::kBind);
    return false;
  }
  return true;
}

bool CSysSocket::Bind(const sockaddr_in& address, CSysErrorInfo& error) {
  if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error.Set(Errno(), sys_call::kBind);
    return false;
  }
  return true;
}

bool CSysSocket::Listen(int backlog, CSysErrorInfo& error) {
  if (::listen(m_fd, backlog) != 0) {
    error.Set(Errno(), sys_call::kListen);
    return false;
  }
  return true;
}

SocketIo CSysSocket::Accept(CSysSocket& accepted, sockaddr_in& peer, CSysErrorInfo& error) {
  for (;;) {
    socklen_t length = sizeof peer;
    int fd =
        ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      SendFramesAtOnce(fd);
      accepted = CSysSocket(fd);
      return SocketIo::kDone;
    }
    if (errno == EINTR || errno == ECONNABORTED) {
      continue;
    }
    if (IsWouldBlock(errno)) {
      return SocketIo::kWouldBlock;
    }
    error.Set(Errno(), sys_call::kAccept);
    return SocketIo::kFailed;
  }
}

SocketIo CSysSocket::Connect(const sockaddr_in& address, CSysErrorInfo& error) {
  if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return SocketIo::kDone;
  }
  // An interrupted connect goes on in the background, as one that would block.
  if (errno == EINPROGRESS || errno == EINTR || IsWouldBlock(errno)) {
    return SocketIo::kWouldBlock;
  }
  error.Set(Errno(), sys_call::kConnect);
  return SocketIo::kFailed;
}

SocketIo CSysSocket::Receive(char* buffer, std::size_t size, std::size_t& received,
                             CSysErrorInfo& error) {
  received = 0;
  for (;;) {
    ssize_t got = ::recv(m_fd, buffer, size, 0);
    if (got > 0) {
      received = static_cast<std::size_t>(got);
      return SocketIo::kDone;
    }
    if (got == 0) {
      return SocketIo::kClosed;
    }
    if (errno == EINTR) {
      continue;
    }
    if (IsWouldBlock(errno)) {
      return SocketIo::kWouldBlock;
    }
    error.Set(Errno(), sys_call::kRecv);
    return SocketIo::kFailed;
  }
}

SocketIo CSysSocket::Send(const char* data, std::size_t size, std::size_t& sent,
                          CSysErrorInfo& error) {
  sent = 0;
  for (;;) {
    // MSG_NOSIGNAL: a peer that has gone away gives EPIPE here instead of killing the
    // program with SIGPIPE.
    ssize_t put = ::send(m_fd, data, size, MSG_NOSIGNAL);
    if (put >= 0) {
      sent = static_cast<std::size_t>(put);
      return put > 0 || size == 0 ? SocketIo::kDone : SocketIo::kWouldBlock;
    }
    if (errno == EINTR) {
      continue;
    }
    if (IsWouldBlock(errno)) {
      return SocketIo::kWouldBlock;
    }
    error.Set(Errno(), sys_call::kSend);
    return SocketIo::kFailed;
  }
}

bool CSysSocket::TakePendingError(int& code, CSysErrorInfo& error) {
  code = 0;
  socklen_t length = sizeof code;
  if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) {
    error.Set(Errno(), sys_call::kEnumNetworkEvents);
    return false;
  }
  return true;
}

bool CSysSocket::LocalAddress(sockaddr_in& address) const {
  socklen_t length = sizeof address;
  return ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

bool SocketLibraryStart(std::uint16_t& version, CSysErrorInfo& /*error*/) {
  version = kSocketVersion;
  return true;
}

bool SocketLibraryEnd(CSysErrorInfo& /*error*/) {
  return true;
}

bool MakeClientAddress(std::string_view dottedText, std::uint16_t port, sockaddr_in& address) {
  std::string text(dottedText);
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
    return false;
  }
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr = parsed;
  address.sin_port = htons(port);
  return true;
}

std::string DottedAddress(const sockaddr_in& address) {
  std::array<char, INET_ADDRSTRLEN> text{};
  if (::inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size()) == nullptr) {
    return {};
  }
  return text.data();
}

bool CSocketEvents::Select(CSysSocket& socket, unsigned mask, CSysErrorInfo& error) {
  int flags = ::fcntl(socket.Handle(), F_GETFL);
  if (flags < 0 || ::fcntl(socket.Handle(), F_SETFL, flags | O_NONBLOCK) != 0) {
    error.Set(Errno(), sys_call::kEventSelect);
    return false;
  }
  m_socket = &socket;
  m_mask = mask;
  m_connecting = false;
  m_writeBlocked = false;
  m_peerClosed = false;
  m_revents = 0;
  return true;
}

bool CSocketEvents::Wait(const CSysEvent* wake, int timeoutMs, std::string_view callText,
                         bool& woken, CSysErrorInfo& error) {
  short interest = 0;
  if ((m_mask & (kFdRead | kFdAccept | kFdClose)) != 0 && !m_peerClosed) {
    interest |= POLLIN;
  }
  if (m_connecting || (m_writeBlocked && (m_mask & kFdWrite) != 0)) {
    interest |= POLLOUT;
  }
  std::array<pollfd, 2> entries{};
  entries[0] = {m_socket->Handle(), interest, 0};
  nfds_t count = 1;
  if (wake != nullptr) {
    entries[1] = {wake->Handle(), POLLIN, 0};
    count = 2;
  }
  m_revents = 0;
  woken = false;
  // A noted peer close is an event already: no waiting for it.
  if (m_peerClosed) {
    timeoutMs = 0;
  }
  for (;;) {
    int ready = ::poll(entries.data(), count, timeoutMs);
    if (ready >= 0) {
      break;
    }
    if (errno != EINTR) {
      error.Set(Errno(), callText);
      return false;
    }
  }
  m_revents = entries[0].revents;
  woken = count == 2 && (entries[1].revents & POLLIN) != 0;
  if (count == 2 && (entries[1].revents & (POLLERR | POLLNVAL)) != 0) {
    error.Set(EBADF, callText);
    return false;
  }
  if ((m_revents & POLLNVAL) != 0) {
    error.Set(EBADF, callText);
    return false;
  }
  return true;
}

bool CSocketEvents::Enumerate(CNetworkEvents& events, CSysErrorInfo& error) {
  events = {};
  if ((m_revents & (POLLERR | POLLHUP)) != 0) {
    int code = 0;
    if (!m_socket->TakePendingError(code, error)) {
      return false;
    }
    if (code != 0 || (m_revents & POLLERR) != 0) {
      // A POLLERR whose error a call has taken already still means a broken connection;
      // reporting it keeps the loop from waking on it for ever.
      if (code == 0) {
        code = EIO;
      }
      if (m_connecting) {
        events.Add(kFdConnect, code);
        m_connecting = false;
      } else if ((m_mask & kFdAccept) != 0) {
        events.Add(kFdAccept, code);
      } else {
        events.Add(kFdClose, code);
      }
      return true;
    }
    // A hang-up without error: the data still unread comes first, then the receive sees
    // the close.
    if ((m_mask & kFdAccept) != 0) {
      events.Add(kFdClose);
      return true;
    }
  }
  if (m_connecting && (m_revents & POLLOUT) != 0) {
    events.Add(kFdConnect);
    m_connecting = false;
  } else if ((m_revents & POLLOUT) != 0 && (m_mask & kFdWrite) != 0) {
    events.Add(kFdWrite);
  }
  if ((m_revents & (POLLIN | POLLHUP)) != 0) {
    events.Add((m_mask & kFdAccept) != 0 ? kFdAccept : kFdRead);
  }
  if (m_peerClosed && (m_mask & kFdClose) != 0) {
    events.Add(kFdClose);
  }
  return true;
}

}  // namespace trqx
