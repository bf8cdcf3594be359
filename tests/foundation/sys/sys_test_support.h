#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/sys/sys_socket.h"
#include "foundation/sys/worker_task.h"

namespace trqx::test {

inline sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

inline bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeoutMs) == 1;
}

// A listening socket on 127.0.0.1 at a port the system picks.
inline bool Listen(CSysSocket& listener, std::uint16_t& port) {
  CSysErrorInfo error;
  sockaddr_in address = LoopbackAddress(0);
  bool done = listener.Create(error) && listener.Bind(address, error) &&
              listener.Listen(5, error) && listener.LocalAddress(address);
  port = ntohs(address.sin_port);
  return done;
}

// Two connected non-blocking sockets over loopback. sendBuffer > 0 shrinks the send buffer
// of first (before connecting, so the window is small too) and the receive buffer of second.
inline bool ConnectedPair(CSysSocket& first, CSysSocket& second, int sendBuffer = 0) {
  CSysSocket listener;
  std::uint16_t port = 0;
  CSysErrorInfo error;
  if (!Listen(listener, port) || !first.Create(error)) {
    return false;
  }
  if (sendBuffer > 0) {
    ::setsockopt(first.Handle(), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    ::setsockopt(listener.Handle(), SOL_SOCKET, SO_RCVBUF, &sendBuffer, sizeof sendBuffer);
  }
  sockaddr_in peer{};
  return first.Connect(LoopbackAddress(port), error) != SocketIo::kFailed &&
         WaitFor(listener.Handle(), POLLIN, 5000) &&
         listener.Accept(second, peer, error) == SocketIo::kDone &&
         WaitFor(first.Handle(), POLLOUT, 5000);
}

// Reads until count bytes have come, the peer closes or timeoutMs passes without data.
inline std::string ReadBytes(CSysSocket& socket, std::size_t count, int timeoutMs = 5000) {
  std::string bytes;
  char buffer[65536];
  CSysErrorInfo error;
  while (bytes.size() < count) {
    std::size_t got = 0;
    SocketIo io = socket.Receive(buffer, std::min(sizeof buffer, count - bytes.size()), got, error);
    if (io == SocketIo::kDone) {
      bytes.append(buffer, got);
    } else if (io != SocketIo::kWouldBlock || !WaitFor(socket.Handle(), POLLIN, timeoutMs)) {
      break;
    }
  }
  return bytes;
}

inline bool SendAll(CSysSocket& socket, const std::string& bytes) {
  CSysErrorInfo error;
  for (std::size_t done = 0, sent = 0; done < bytes.size(); done += sent, sent = 0) {
    SocketIo io = socket.Send(bytes.data() + done, bytes.size() - done, sent, error);
    if (io != SocketIo::kDone &&
        (io != SocketIo::kWouldBlock || !WaitFor(socket.Handle(), POLLOUT, 5000))) {
      return false;
    }
  }
  return true;
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

}  // namespace trqx::test
