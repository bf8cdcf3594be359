#pragma once

// Socket tasks that carry a CServerLink or a CClientLink on the socket loop and report to
// their owner as the server's session task and the client's connection task do, for
// tests and benchmarks over loopback. Includes only src/ headers, so bench/ can use it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/client_strings.h"
#include "foundation/protocol/client_link.h"
#include "foundation/protocol/server_link.h"
#include "foundation/server_strings.h"
#include "foundation/sys/socket_task.h"
#include "foundation/sys/task_codes.h"

namespace trqx::loopback {

inline sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

inline bool Poll(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & events) != 0;
}

// Everything an owner was told, copied on the owner's thread.
struct NoticeRecord {
  NoticeHandler Handler() {
    return [this](const CTaskNotice& notice) {
      m_notices.push_back(notice);
      m_notices.back().m_socket = nullptr;
    };
  }
  std::vector<CTaskNotice> Of(int code, std::uint32_t messageId = 0) const {
    std::vector<CTaskNotice> found;
    for (const CTaskNotice& notice : m_notices) {
      if (notice.m_code == code && (messageId == 0 || notice.m_messageId == messageId)) {
        found.push_back(notice);
      }
    }
    return found;
  }
  int Count(int code) const { return static_cast<int>(Of(code).size()); }
  bool HasLog(int logCode, std::uint32_t number) const {
    for (const CTaskNotice& notice : Of(logCode)) {
      if (notice.m_log.m_number == number) {
        return true;
      }
    }
    return false;
  }

  std::vector<CTaskNotice> m_notices;
};

// The server end: one session over an accepted socket. Logs what the session logs; tells
// the owner of each received file.
class ServerSessionTask : public CSocketTask {
 public:
  ServerSessionTask(std::mutex& sharedLock, std::unique_ptr<CSpoolFile> spool,
                    CSpoolCounter& counter)
      : CSocketTask(sharedLock, session_task::kCodes,
                    {kCategoryClient, server_strings::kMsgSystemError},
                    {server_strings::kMsgSocketError, server_strings::kMsgUnexpectedSocketClose,
                     server_strings::kMsgTimeoutNoData, server_strings::kMsgTimeoutSendingMessage,
                     server_strings::kMsgHardSocketClose, kLogError},
                    kMaskSession),
        m_link(std::move(spool), counter) {}
  ~ServerSessionTask() override { StopAndJoin(); }

  void Prepare(CSysSocket socket, const std::string& login, const std::string& password,
               const std::string& sessionDirectory, const std::string& stem,
               char statusFlag = wire::kStatusNormal, const std::string& statusText = "System OK") {
    AdoptSocket(std::move(socket));
    std::lock_guard<std::mutex> guard(Lock());
    m_link.Start(login, password, sessionDirectory, stem, statusFlag, statusText);
  }
  bool QueueDeliveryReport(std::uint32_t uploadNumber, char outcome) {
    std::lock_guard<std::mutex> guard(Lock());
    CSysErrorInfo error;
    return m_link.QueueDeliveryReport(uploadNumber, outcome) && Wake(error);
  }

 protected:
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    static const std::map<ServerOutcome, std::uint32_t> kLogs = {
        {ServerOutcome::kFramingError, server_strings::kMsgReceivedBadData},
        {ServerOutcome::kBadData, server_strings::kMsgReceivedBadData},
        {ServerOutcome::kBadLogin, server_strings::kMsgBadLogin},
        {ServerOutcome::kCloseReceived, server_strings::kMsgReceivedCloseMessage},
        {ServerOutcome::kTransferAborted, server_strings::kMsgTransmissionCancelled},
        {ServerOutcome::kCancelRequest, server_strings::kMsgCancelRequestReceived}};
    std::vector<CServerEvent> events;
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_link.Receive(bytes, events);
    }
    LoopAction action = LoopAction::kContinue;
    for (const CServerEvent& event : events) {
      if (auto log = kLogs.find(event.m_outcome); log != kLogs.end()) {
        Log(kLogError, log->second);
      }
      switch (event.m_outcome) {
        case ServerOutcome::kFramingError:
        case ServerOutcome::kBadData:
          return LoopAction::kEndBad;
        case ServerOutcome::kBadLogin:
          BeginCloseGrace(LoopStartTime());
          break;
        case ServerOutcome::kCloseReceived:
          action = LoopAction::kPeerDone;
          break;
        case ServerOutcome::kFileReceived: {
          CTaskNotice notice;
          notice.m_code = session_task::kFileReceived;
          notice.m_text = event.m_spoolFileName;
          notice.m_number = event.m_uploadNumber;
          NotifySend(std::move(notice));
          break;
        }
        default:
          break;
      }
    }
    return action;
  }
  LoopAction TakeNextMessage(std::time_t, std::string& message) override {
    std::lock_guard<std::mutex> guard(Lock());
    message = m_link.TakeNextMessage();
    return LoopAction::kContinue;
  }
  bool OnStopRequest(std::time_t) override {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.BeginClose();
  }
  bool ExpectsData() override { return true; }

 private:
  CServerLink m_link;  // guarded by the shared lock
};

// The client end. Logs what the connection task logs; tells the owner of the login and of
// each acknowledgement, delivery report and status text.
class ClientConnectionTask : public CSocketTask {
 public:
  ClientConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source)
      : CSocketTask(
            lock, client_task::kCodes, {kCategoryServer, client_strings::kMsgSystemError},
            {client_strings::kMsgSocketEventError, client_strings::kMsgConnectionUnexpectedlyClosed,
             client_strings::kMsgTimeoutNoData, client_strings::kMsgTimeoutSendingMessage,
             client_strings::kMsgConnectionHardClose, kLogWarning},
            kMaskClient),
        m_link(std::move(source)) {}
  ~ClientConnectionTask() override { StopAndJoin(); }

  // Before Start: connects to the port (the listener's backlog completes the connection
  // without an accept) and keeps the login to send.
  bool Prepare(std::uint16_t port, const std::string& login, const std::string& password) {
    m_login = login;
    m_password = password;
    CSysSocket socket;
    CSysErrorInfo error;
    bool connected = socket.Create(error) &&
                     socket.Connect(LoopbackAddress(port), error) != SocketIo::kFailed &&
                     Poll(socket.Handle(), POLLOUT, 10000);
    AdoptSocket(std::move(socket));
    return connected;
  }
  bool SendFile(const std::string& path, std::uint32_t uploadNumber, CFileError& error) {
    return Request([&] { return m_link.SendFile(path, path, uploadNumber, error); });
  }
  bool AbortTransfer() {
    return Request([&] { return m_link.AbortTransfer(); });
  }
  bool Cancel() {
    return Request([&] { return m_link.Cancel(); });
  }

 protected:
  void OnLoopStart(std::time_t now) override {
    std::lock_guard<std::mutex> guard(Lock());
    m_link.Start(m_login, m_password, now);
  }
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    std::vector<CClientEvent> events;
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_link.Receive(bytes, events);
    }
    LoopAction action = LoopAction::kContinue;
    for (const CClientEvent& event : events) {
      CTaskNotice notice;
      notice.m_number = event.m_uploadNumber;
      notice.m_text =
          event.m_showStatusText ? event.m_statusText : std::string(1, event.m_reportOutcome);
      switch (event.m_outcome) {
        case ClientOutcome::kFramingError:
        case ClientOutcome::kBadData:
          Log(kLogError, client_strings::kMsgReceivedBadData);
          return LoopAction::kEndBad;
        case ClientOutcome::kBadVersion:
          Log(kLogError, client_strings::kMsgReceivedBadVersion);
          return LoopAction::kEndBad;
        case ClientOutcome::kCloseReceived:
          Log(kLogInfo, client_strings::kMsgReceivedCloseMessage);
          action = LoopAction::kPeerDone;
          continue;
        case ClientOutcome::kLoggedIn:
          notice.m_messageId = task_message::kClientLoggedIn;
          break;
        case ClientOutcome::kStatus:
          if (!event.m_showStatusText) {
            continue;
          }
          notice.m_code = client_task::kServerStatusText;
          break;
        case ClientOutcome::kDeliveryReport:
          notice.m_code = client_task::kDeliveryReport;
          break;
        case ClientOutcome::kCancelAcknowledged:
          notice.m_code = client_task::kCancelAcknowledged;
          break;
        case ClientOutcome::kFileAcknowledged:
          notice.m_code = client_task::kFileAcknowledged;
          break;
        default:
          continue;
      }
      NotifyPost(std::move(notice));
    }
    return action;
  }
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override {
    std::lock_guard<std::mutex> guard(Lock());
    CFileError error;
    return m_link.TakeNextMessage(now, message, error) == CClientLink::Take::kFileError
               ? LoopAction::kEndBad
               : LoopAction::kContinue;
  }
  bool OnStopRequest(std::time_t) override {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.BeginClose();
  }
  bool ExpectsData() override {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.ExpectsData();
  }
  std::optional<std::time_t> IdleDeadline() override {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.IdleDeadline();
  }

 private:
  // Changes the link and wakes the task under the lock, as the owner's requests do.
  template <typename Change>
  bool Request(Change change) {
    std::lock_guard<std::mutex> guard(Lock());
    CSysErrorInfo error;
    return change() && Wake(error);
  }

  CClientLink m_link;  // guarded by the task's lock
  std::string m_login;
  std::string m_password;
};

// A listening socket on 127.0.0.1 at a port the system picks. receiveBuffer > 0 shrinks
// the receive buffer (and so the window) of the connections it accepts.
class LoopbackListener {
 public:
  bool Open(int receiveBuffer = 0) {
    CSysErrorInfo error;
    sockaddr_in address = LoopbackAddress(0);
    if (!m_socket.Create(error) ||
        (receiveBuffer > 0 && ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                                           sizeof receiveBuffer) != 0) ||
        !m_socket.Bind(address, error) || !m_socket.Listen(8, error) ||
        !m_socket.LocalAddress(address)) {
      return false;
    }
    m_port = ntohs(address.sin_port);
    return true;
  }
  std::uint16_t Port() const { return m_port; }
  bool Accept(CSysSocket& accepted, int timeoutMs = 10000) {
    sockaddr_in peer{};
    CSysErrorInfo error;
    return Poll(m_socket.Handle(), POLLIN, timeoutMs) &&
           m_socket.Accept(accepted, peer, error) == SocketIo::kDone;
  }

 private:
  CSysSocket m_socket;
  std::uint16_t m_port = 0;
};

}  // namespace trqx::loopback
