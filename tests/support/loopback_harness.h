#pragma once

// Loopback scaffolding for tests of the session and connection tasks: a listener on
// 127.0.0.1, a connect that completes before the task starts, and a record of what an owner
// was told.

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/protocol/connection_task.h"
#include "foundation/sys/socket_task.h"

namespace trqx::loopback {

inline sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  MakeClientAddress("127.0.0.1", port, address);
  return address;
}

inline bool Poll(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & events) != 0;
}

// Everything an owner was told, copied on the owner's thread.
struct NoticeRecord {
  NoticeHandler Handler() {
    return [this](const CTaskNotice& notice) { m_notices.push_back(notice); };
  }
  std::vector<CTaskNotice> Of(int code, std::uint32_t messageId = 0) const {
    std::vector<CTaskNotice> found;
    std::copy_if(m_notices.begin(), m_notices.end(), std::back_inserter(found), [&](auto& notice) {
      return notice.m_code == code && (messageId == 0 || notice.m_messageId == messageId);
    });
    return found;
  }
  int Count(int code) const { return static_cast<int>(Of(code).size()); }
  bool HasLog(int logCode, std::uint32_t number) const {
    auto logs = Of(logCode);
    return std::any_of(logs.begin(), logs.end(),
                       [&](auto& notice) { return notice.m_log.m_number == number; });
  }

  std::vector<CTaskNotice> m_notices;
};

// Starts a connect to 127.0.0.1:port on socket; kFailed when it cannot begin.
inline SocketIo BeginConnect(CSysSocket& socket, std::uint16_t port) {
  CSysErrorInfo error;
  return socket.Create(error) ? socket.Connect(LoopbackAddress(port), error) : SocketIo::kFailed;
}

// Before Start (and after SetClock): connects to the port, the listener's backlog completing
// the connection without an accept, and hands the connected socket and the login to task.
inline bool ConnectAndAdopt(CConnectionTask& task, std::uint16_t port, const std::string& login,
                            const std::string& password) {
  CSysSocket socket;
  const bool connected =
      BeginConnect(socket, port) != SocketIo::kFailed && Poll(socket.Handle(), POLLOUT, 10000);
  task.Adopt(std::move(socket), false, login, password);
  return connected;
}

// A listening socket on 127.0.0.1 at a port the system picks. receiveBuffer > 0 shrinks
// the receive buffer (and so the window) of the connections it accepts.
class LoopbackListener {
 public:
  bool Open(int receiveBuffer = 0, int backlog = 8) {
    CSysErrorInfo error;
    sockaddr_in address = LoopbackAddress(0);
    const bool open =
        m_socket.Create(error) &&
        (receiveBuffer == 0 || ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_RCVBUF,
                                            &receiveBuffer, sizeof receiveBuffer) == 0) &&
        m_socket.Bind(address, error) && m_socket.Listen(backlog, error) &&
        m_socket.LocalAddress(address);
    m_port = ntohs(address.sin_port);
    return open;
  }
  std::uint16_t Port() const { return m_port; }
  bool Accept(CSysSocket& accepted, int timeoutMs = 10000) {
    sockaddr_in peer{};
    CSysErrorInfo error;
    return Poll(m_socket.Handle(), POLLIN, timeoutMs) &&
           m_socket.Accept(accepted, peer, error) == SocketIo::kDone;
  }
  void Close() {
    CSysErrorInfo ignored;
    m_socket.Close(ignored);
  }

 private:
  CSysSocket m_socket;
  std::uint16_t m_port = 0;
};

}  // namespace trqx::loopback
