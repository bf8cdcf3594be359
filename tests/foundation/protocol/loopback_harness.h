#pragma once

// Real socket tasks for both ends of the wire protocol, and the small owners that tests
// and benchmarks run them with over loopback. The tasks carry a CServerLink or a
// CClientLink on the socket loop of CSocketTask and report to their owner as the server's
// session task and the client's connection task do. Includes only src/ headers, so that
// bench/ can use it too.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/client_strings.h"
#include "foundation/protocol/client_link.h"
#include "foundation/protocol/server_link.h"
#include "foundation/server_strings.h"
#include "foundation/sys/event_loop.h"
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

// A clock the test moves by hand; whole seconds, as the socket loop counts them.
struct ManualClock {
  std::atomic<std::time_t> m_now{1'000'000};
  CSocketTask::Clock Function() {
    return [this] { return m_now.load(); };
  }
  void Advance(std::time_t seconds) { m_now += seconds; }
};

// Everything an owner was told, copied on the owner's thread.
struct NoticeRecord {
  NoticeHandler Handler() {
    return [this](const CTaskNotice& notice) {
      CTaskNotice copy = notice;
      copy.m_socket = nullptr;
      m_notices.push_back(copy);
    };
  }
  int Count(int code, std::uint32_t messageId = 0) const {
    int count = 0;
    for (const CTaskNotice& notice : m_notices) {
      if (notice.m_code == code && (messageId == 0 || notice.m_messageId == messageId)) {
        ++count;
      }
    }
    return count;
  }
  bool HasLog(int logCode, std::uint32_t number) const {
    for (const CTaskNotice& notice : m_notices) {
      if (notice.m_code == logCode && notice.m_log.m_number == number) {
        return true;
      }
    }
    return false;
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

  std::vector<CTaskNotice> m_notices;
};

inline const TaskMessages kServerTaskMessages{kCategoryClient, server_strings::kMsgSystemError};
inline const SocketLoopMessages kServerLoopMessages{
    server_strings::kMsgSocketError,     server_strings::kMsgUnexpectedSocketClose,
    server_strings::kMsgTimeoutNoData,   server_strings::kMsgTimeoutSendingMessage,
    server_strings::kMsgHardSocketClose, kLogError};
inline const TaskMessages kClientTaskMessages{kCategoryServer, client_strings::kMsgSystemError};
inline const SocketLoopMessages kClientLoopMessages{
    client_strings::kMsgSocketEventError,    client_strings::kMsgConnectionUnexpectedlyClosed,
    client_strings::kMsgTimeoutNoData,       client_strings::kMsgTimeoutSendingMessage,
    client_strings::kMsgConnectionHardClose, kLogWarning};

// The server end: one session over an accepted socket.
class ServerSessionTask : public CSocketTask {
 public:
  ServerSessionTask(std::mutex& sharedLock, std::unique_ptr<CSpoolFile> spool,
                    CSpoolCounter& counter)
      : CSocketTask(sharedLock, session_task::kCodes, kServerTaskMessages, kServerLoopMessages,
                    kMaskSession),
        m_link(std::move(spool), counter) {}
  ~ServerSessionTask() override { StopAndJoin(); }

  // Before Start: the socket, the login and password expected, where files go, and the
  // status pair of StatusReply.
  void Prepare(CSysSocket socket, const std::string& login, const std::string& password,
               const std::string& sessionDirectory, const std::string& stem,
               char statusFlag = wire::kStatusNormal, const std::string& statusText = "System OK") {
    AdoptSocket(std::move(socket));
    std::lock_guard<std::mutex> guard(Lock());
    m_link.Start(login, password, sessionDirectory, stem, statusFlag, statusText);
  }
  // The owner's call: queue a DeliveryReport and wake the task.
  bool QueueDeliveryReport(std::uint32_t uploadNumber, char outcome) {
    bool queued;
    {
      std::lock_guard<std::mutex> guard(Lock());
      queued = m_link.QueueDeliveryReport(uploadNumber, outcome);
    }
    CSysErrorInfo error;
    Wake(error);
    return queued;
  }
  ServerState State() {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.Protocol().State();
  }

 protected:
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    std::vector<CServerEvent> events;
    {
      std::lock_guard<std::mutex> guard(Lock());
      m_link.Receive(bytes, events);
    }
    LoopAction action = LoopAction::kContinue;
    for (const CServerEvent& event : events) {
      switch (event.m_outcome) {
        case ServerOutcome::kFramingError:
        case ServerOutcome::kBadData:
          Log(kLogError, server_strings::kMsgReceivedBadData);
          return LoopAction::kEndBad;
        case ServerOutcome::kBadLogin:
          Log(kLogError, server_strings::kMsgBadLogin);
          BeginCloseGrace(LoopStartTime());
          break;
        case ServerOutcome::kCloseReceived:
          Log(kLogError, server_strings::kMsgReceivedCloseMessage);
          action = LoopAction::kPeerDone;
          break;
        case ServerOutcome::kFileError:
          Log(kLogError, server_strings::kMsgFileError,
              {std::to_string(event.m_fileError.m_osError), event.m_fileError.m_fileName});
          break;
        case ServerOutcome::kFileReceived: {
          CTaskNotice notice;
          notice.m_code = session_task::kFileReceived;
          notice.m_text = event.m_spoolFileName;
          notice.m_number = event.m_uploadNumber;
          NotifySend(std::move(notice));
          break;
        }
        case ServerOutcome::kTransferAborted:
          Log(kLogError, server_strings::kMsgTransmissionCancelled);
          break;
        case ServerOutcome::kCancelRequest: {
          Log(kLogError, server_strings::kMsgCancelRequestReceived);
          CTaskNotice notice;
          notice.m_code = session_task::kCancelRequest;
          NotifyPost(std::move(notice));
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

// The client end: connects to the server, then runs the protocol.
class ClientConnectionTask : public CSocketTask {
 public:
  ClientConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source)
      : CSocketTask(lock, client_task::kCodes, kClientTaskMessages, kClientLoopMessages,
                    kMaskClient),
        m_link(std::move(source)) {}
  ~ClientConnectionTask() override { StopAndJoin(); }

  void Prepare(std::uint16_t port, const std::string& login, const std::string& password) {
    m_port = port;
    m_login = login;
    m_password = password;
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
  ClientState State() {
    std::lock_guard<std::mutex> guard(Lock());
    return m_link.Protocol().State();
  }

 protected:
  bool Run() override {
    CSysErrorInfo error;
    if (!Socket().Create(error)) {
      LogSystemError(error);
      return false;
    }
    SocketIo io = Socket().Connect(LoopbackAddress(m_port), error);
    if (io == SocketIo::kFailed) {
      LogSystemError(error);
      return false;
    }
    if (io == SocketIo::kWouldBlock) {
      CSocketEvents& events = SocketEvents();
      bool woken = false;
      CNetworkEvents occurred;
      if (!events.Select(Socket(), kMaskClient, error)) {
        LogSystemError(error);
        return false;
      }
      events.SetConnecting(true);
      if (!events.Wait(nullptr, -1, sys_call::kWaitSocketLoop, woken, error) ||
          !events.Enumerate(occurred, error)) {
        LogSystemError(error);
        return false;
      }
      events.SetConnecting(false);
      if (!occurred.Has(kFdConnect) || occurred.Error(kFdConnect) != 0) {
        LogEventError(occurred.Error(kFdConnect), sys_event_name::kConnect);
        return false;
      }
    }
    Log(kLogInfo, client_strings::kMsgConnectionEstablished);
    return RunSocketLoop();
  }
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
      switch (event.m_outcome) {
        case ClientOutcome::kFramingError:
        case ClientOutcome::kBadData:
          Log(kLogError, client_strings::kMsgReceivedBadData);
          return LoopAction::kEndBad;
        case ClientOutcome::kBadVersion:
          Log(kLogError, client_strings::kMsgReceivedBadVersion);
          return LoopAction::kEndBad;
        case ClientOutcome::kLoggedIn:
          notice.m_messageId = task_message::kClientLoggedIn;
          NotifyPost(std::move(notice));
          break;
        case ClientOutcome::kCloseReceived:
          Log(kLogInfo, client_strings::kMsgReceivedCloseMessage);
          action = LoopAction::kPeerDone;
          break;
        case ClientOutcome::kStatus:
          if (event.m_showStatusText) {
            notice.m_code = client_task::kServerStatusText;
            notice.m_text = event.m_statusText;
            NotifyPost(std::move(notice));
          }
          break;
        case ClientOutcome::kDeliveryReport:
          notice.m_code = client_task::kDeliveryReport;
          notice.m_number = event.m_uploadNumber;
          notice.m_text = std::string(1, event.m_reportOutcome);
          NotifyPost(std::move(notice));
          break;
        case ClientOutcome::kCancelAcknowledged:
          notice.m_code = client_task::kCancelAcknowledged;
          NotifyPost(std::move(notice));
          break;
        case ClientOutcome::kFileAcknowledged:
          notice.m_code = client_task::kFileAcknowledged;
          NotifyPost(std::move(notice));
          break;
        default:
          break;
      }
    }
    return action;
  }
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override {
    CFileError error;
    CClientLink::Take taken;
    {
      std::lock_guard<std::mutex> guard(Lock());
      taken = m_link.TakeNextMessage(now, message, error);
    }
    if (taken == CClientLink::Take::kFileError) {
      Log(kLogError, client_strings::kMsgFileError,
          {error.m_function, std::to_string(error.m_osError)});
      return LoopAction::kEndBad;
    }
    return LoopAction::kContinue;
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
  // Wakes the task and changes the link under the lock, as the owner's requests do.
  bool Request(const std::function<bool()>& change) {
    std::lock_guard<std::mutex> guard(Lock());
    CSysErrorInfo error;
    Wake(error);
    return change();
  }

  CClientLink m_link;  // guarded by the task's lock
  std::uint16_t m_port = 0;
  std::string m_login;
  std::string m_password;
};

// A listening socket on 127.0.0.1 at a port the system picks, and the accepting of one
// connection with a time limit. receiveBuffer > 0 shrinks the receive buffer (and so the
// window) of the connections it accepts.
class LoopbackListener {
 public:
  bool Open(int receiveBuffer = 0) {
    CSysErrorInfo error;
    sockaddr_in address = LoopbackAddress(0);
    if (!m_socket.Create(error)) {
      return false;
    }
    if (receiveBuffer > 0) {
      ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    if (!m_socket.Bind(address, error) || !m_socket.Listen(8, error) ||
        !m_socket.LocalAddress(address)) {
      return false;
    }
    m_port = ntohs(address.sin_port);
    return true;
  }
  std::uint16_t Port() const { return m_port; }
  bool Accept(CSysSocket& accepted, int timeoutMs = 10000) {
    pollfd entry{m_socket.Handle(), POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) != 1) {
      return false;
    }
    sockaddr_in peer{};
    CSysErrorInfo error;
    return m_socket.Accept(accepted, peer, error) == SocketIo::kDone;
  }

 private:
  CSysSocket m_socket;
  std::uint16_t m_port = 0;
};

}  // namespace trqx::loopback
