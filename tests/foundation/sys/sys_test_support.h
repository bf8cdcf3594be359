#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/sys/sys_socket.h"
#include "foundation/sys/worker_task.h"

namespace trqx::test {

inline bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeoutMs) == 1;
}

// A listening socket on 127.0.0.1 at a port the system picks; address is where it listens.
inline bool Listen(CSysSocket& listener, sockaddr_in& address) {
  CSysErrorInfo error;
  return MakeClientAddress("127.0.0.1", 0, address) && listener.Create(error) &&
         listener.Bind(address, error) && listener.Listen(5, error) &&
         listener.LocalAddress(address);
}

// Two connected non-blocking sockets over loopback. sendBuffer > 0 shrinks the send buffer
// of first (before connecting, so the window is small too) and the receive buffer of second.
inline bool ConnectedPair(CSysSocket& first, CSysSocket& second, int sendBuffer = 0) {
  CSysSocket listener;
  sockaddr_in address{}, peer{};
  CSysErrorInfo error;
  const bool ready = Listen(listener, address) && first.Create(error);
  if (ready && sendBuffer > 0) {
    ::setsockopt(first.Handle(), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    ::setsockopt(listener.Handle(), SOL_SOCKET, SO_RCVBUF, &sendBuffer, sizeof sendBuffer);
  }
  return ready && first.Connect(address, error) != SocketIo::kFailed &&
         WaitFor(listener.Handle(), POLLIN, 5000) &&
         listener.Accept(second, peer, error) == SocketIo::kDone &&
         WaitFor(first.Handle(), POLLOUT, 5000);
}

// Reads until count bytes have come, the peer closes or timeoutMs passes without data.
inline std::string ReadBytes(CSysSocket& socket, std::size_t count, int timeoutMs = 5000) {
  std::string bytes;
  char buffer[65536];
  std::size_t got = 0;
  CSysErrorInfo error;
  while (bytes.size() < count && WaitFor(socket.Handle(), POLLIN, timeoutMs) &&
         socket.Receive(buffer, std::min(sizeof buffer, count - bytes.size()), got, error) ==
             SocketIo::kDone) {
    bytes.append(buffer, got);
  }
  return bytes;
}

// One send of a few bytes, which a socket with room takes whole.
inline bool SendSome(CSysSocket& socket, std::string_view bytes) {
  CSysErrorInfo error;
  std::size_t sent = 0;
  return socket.Send(bytes.data(), bytes.size(), sent, error) == SocketIo::kDone &&
         sent == bytes.size();
}

// What the owner saw of a task's notifications (copies; the socket pointer is dropped).
struct NoticeLog {
  NoticeHandler Handler() {
    return [this](const CTaskNotice& notice) {
      m_notices.push_back(notice);
      m_notices.back().m_socket = nullptr;
    };
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const CTaskNotice& notice : m_notices) {
      codes.push_back(notice.m_code);
    }
    return codes;
  }
  bool Has(int code) const {
    std::vector<int> codes = Codes();
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  }
  std::vector<CTaskNotice> m_notices;
};

// The owner's side of a task under test; a test task derives from it first, so these are
// built before the task that refers to them.
struct Owner {
  std::mutex m_ownerLock;
  ManualEventLoop m_owner;
  NoticeLog m_notices;
};

}  // namespace trqx::test
