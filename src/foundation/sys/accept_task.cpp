#include "foundation/sys/accept_task.h"

#include <arpa/inet.h>

#include <utility>

namespace trqx {

namespace {

// Every IPv4 interface: the host name's own address may be one no other machine reaches
// (Debian maps it to 127.0.1.1); ClientList still decides who is served.
sockaddr_in AnyInterfaceAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  return address;
}

}  // namespace

CAcceptTask::CAcceptTask(std::mutex& lock, const TaskMessages& messages,
                         const AcceptLoopMessages& acceptMessages)
    : CWorkerTask(lock, accept_task::kCodes, messages, true), m_acceptMessages(acceptMessages) {}

CAcceptTask::~CAcceptTask() {
  StopAndJoin();
}

void CAcceptTask::Configure(std::uint16_t port, int backlog) {
  m_port = port;
  m_backlog = backlog;
}

bool CAcceptTask::Run() {
  m_listeningPort = 0;
  CSysErrorInfo error;
  CSysSocket listener;
  CSocketEvents events;
  if (!listener.Create(error) || !listener.AllowAddressReuse(error) ||
      !listener.Bind(AnyInterfaceAddress(m_port), error) || !listener.Listen(m_backlog, error) ||
      !events.Select(listener, kMaskListen, error)) {
    LogSystemError(error);
    return false;
  }
  sockaddr_in bound{};
  if (listener.LocalAddress(bound)) {
    m_listeningPort = ntohs(bound.sin_port);
  }
  if (StopRequested()) {
    return true;
  }
  for (;;) {
    CSysSocket accepted;
    sockaddr_in peer{};
    switch (listener.Accept(accepted, peer, error)) {
      case SocketIo::kDone: {
        CTaskNotice notice;
        notice.m_code = accept_task::kClientAccepted;
        notice.m_socket = &accepted;
        notice.m_text = DottedAddress(peer);
        // A socket the owner did not take is closed as accepted goes.
        NotifySend(std::move(notice));
        break;
      }
      case SocketIo::kWouldBlock: {
        bool result = false;
        if (!WaitStep(events, result)) {
          return result;
        }
        break;
      }
      case SocketIo::kClosed:
      case SocketIo::kFailed:
        LogSystemError(error);
        return false;
    }
    if (StopRequested()) {
      return true;
    }
  }
}

bool CAcceptTask::WaitStep(CSocketEvents& events, bool& result) {
  CSysErrorInfo error;
  bool woken = false;
  if (!events.Wait(&WakeEvent(), -1, sys_call::kWaitAcceptLoop, woken, error) ||
      (woken && !WakeEvent().Reset(error))) {
    LogSystemError(error);
    result = false;
    return false;
  }
  if (StopRequested()) {
    result = true;
    return false;
  }
  CNetworkEvents occurred;
  if (!events.Enumerate(occurred, error)) {
    LogSystemError(error);
    result = false;
    return false;
  }
  if (occurred.Has(kFdClose)) {
    Log(kLogError, m_acceptMessages.m_unexpectedClose);
    result = false;
    return false;
  }
  if (occurred.Has(kFdAccept) && occurred.Error(kFdAccept) != 0) {
    Log(kLogError, m_acceptMessages.m_socketError,
        {std::to_string(occurred.Error(kFdAccept)), std::string(sys_event_name::kAccept)});
    result = false;
    return false;
  }
  return true;
}

}  // namespace trqx
