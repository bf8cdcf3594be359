#pragma once

// Socket tasks that carry a CServerLink or a CClientLink on the socket loop and report to
// their owner as the server's session task and the client's connection task do, for
// tests and benchmarks over loopback. Includes only src/ headers, so bench/ can use it.

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
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
  MakeClientAddress("127.0.0.1", port, address);
  return address;
}

inline bool Poll(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & events) != 0;
}

inline CTaskNotice Notice(int code, std::string text = {}, std::uint32_t number = 0,
                          std::uint32_t messageId = 0) {
  return {messageId, code, {}, nullptr, std::move(text), number};
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

// What both ends share: the link, used under the task's lock, and the loop's hooks on it.
template <typename Link, typename Event>
class LinkTask : public CSocketTask {
 public:
  template <typename... LinkArgs>
  LinkTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
           const SocketLoopMessages& loopMessages, unsigned mask, LinkArgs&&... linkArgs)
      : CSocketTask(lock, codes, messages, loopMessages, mask),
        m_link(std::forward<LinkArgs>(linkArgs)...) {}

 public:
  // The owner's requests: the link changes under the lock, then the task wakes.
  template <typename Change>
  bool Request(Change change) {
    CSysErrorInfo error;
    return Locked(change) && Wake(error);
  }

 protected:
  template <typename Use>
  auto Locked(Use use) {
    std::lock_guard<std::mutex> guard(Lock());
    return use(m_link);
  }
  // Acts on one event, without the lock; false ends the loop in bad state.
  virtual bool React(const Event& event, LoopAction& action) = 0;
  LoopAction OnData(std::string_view bytes, std::time_t) override {
    std::vector<Event> events;
    Locked([&](Link& link) { link.Receive(bytes, events); });
    LoopAction action = LoopAction::kContinue;
    for (const Event& event : events) {
      if (!React(event, action)) {
        return LoopAction::kEndBad;
      }
    }
    return action;
  }
  bool OnStopRequest(std::time_t) override {
    return Locked([](Link& link) { return link.BeginClose(); });
  }

 private:
  Link m_link;
};

// The server end: one session over an accepted socket; tells the owner of each received
// file.
class ServerSessionTask : public LinkTask<CServerLink, CServerEvent> {
 public:
  ServerSessionTask(std::mutex& sharedLock, std::unique_ptr<CSpoolFile> spool,
                    CSpoolCounter& counter)
      : LinkTask(sharedLock, session_task::kCodes,
                 {kCategoryClient, server_strings::kMsgSystemError},
                 {server_strings::kMsgSocketError, server_strings::kMsgUnexpectedSocketClose,
                  server_strings::kMsgTimeoutNoData, server_strings::kMsgTimeoutSendingMessage,
                  server_strings::kMsgHardSocketClose, kLogError},
                 kMaskSession, std::move(spool), counter) {}
  ~ServerSessionTask() override { StopAndJoin(); }

  void Prepare(CSysSocket socket, const std::string& login, const std::string& password,
               const std::string& directory, const std::string& stem,
               char flag = wire::kStatusNormal, const std::string& text = "System OK") {
    AdoptSocket(std::move(socket));
    Locked([&](auto& link) { link.Start(login, password, directory, stem, flag, text); });
  }

 protected:
  bool React(const CServerEvent& event, LoopAction& action) override {
    if (event.m_outcome == ServerOutcome::kBadLogin) {
      BeginCloseGrace(LoopStartTime());
    } else if (event.m_outcome == ServerOutcome::kCloseReceived) {
      action = LoopAction::kPeerDone;
    } else if (event.m_outcome == ServerOutcome::kFileReceived) {
      NotifySend(Notice(session_task::kFileReceived, event.m_spoolFileName, event.m_uploadNumber));
    }
    return event.m_outcome != ServerOutcome::kFramingError &&
           event.m_outcome != ServerOutcome::kBadData;
  }
  LoopAction TakeNextMessage(std::time_t, std::string& message) override {
    message = Locked([](auto& link) { return link.TakeNextMessage(); });
    return LoopAction::kContinue;
  }
  bool ExpectsData() override { return true; }
};

// The client end; tells the owner of the login and of each acknowledgement, delivery report
// and status text.
class ClientConnectionTask : public LinkTask<CClientLink, CClientEvent> {
 public:
  ClientConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source)
      : LinkTask(
            lock, client_task::kCodes, {kCategoryServer, client_strings::kMsgSystemError},
            {client_strings::kMsgSocketEventError, client_strings::kMsgConnectionUnexpectedlyClosed,
             client_strings::kMsgTimeoutNoData, client_strings::kMsgTimeoutSendingMessage,
             client_strings::kMsgConnectionHardClose, kLogWarning},
            kMaskClient, std::move(source)) {}
  ~ClientConnectionTask() override { StopAndJoin(); }

  // Before Start (and after SetClock): connects to the port, the listener's backlog
  // completing the connection without an accept, and starts the link with the login.
  bool Prepare(std::uint16_t port, const std::string& login, const std::string& password) {
    Locked([&](auto& link) { link.Start(login, password, Now()); });
    CSysSocket socket;
    CSysErrorInfo error;
    bool connected = socket.Create(error) &&
                     socket.Connect(LoopbackAddress(port), error) != SocketIo::kFailed &&
                     Poll(socket.Handle(), POLLOUT, 10000);
    AdoptSocket(std::move(socket));
    return connected;
  }
  bool SendFile(const std::string& path, std::uint32_t uploadNumber, CFileError& error) {
    return Request([&](auto& link) { return link.SendFile(path, path, uploadNumber, error); });
  }

 protected:
  bool React(const CClientEvent& event, LoopAction& action) override {
    static const std::map<ClientOutcome, int> kCodes = {
        {ClientOutcome::kDeliveryReport, client_task::kDeliveryReport},
        {ClientOutcome::kCancelAcknowledged, client_task::kCancelAcknowledged},
        {ClientOutcome::kFileAcknowledged, client_task::kFileAcknowledged}};
    const ClientOutcome outcome = event.m_outcome;
    if (outcome == ClientOutcome::kCloseReceived) {
      action = LoopAction::kPeerDone;
    } else if (outcome == ClientOutcome::kLoggedIn) {
      NotifyPost(Notice(0, {}, 0, task_message::kClientLoggedIn));
    } else if (outcome == ClientOutcome::kStatus && event.m_showStatusText) {
      NotifyPost(Notice(client_task::kServerStatusText, event.m_statusText));
    } else if (auto code = kCodes.find(outcome); code != kCodes.end()) {
      NotifyPost(Notice(code->second, {event.m_reportOutcome}, event.m_uploadNumber));
    }
    return outcome != ClientOutcome::kFramingError && outcome != ClientOutcome::kBadData &&
           outcome != ClientOutcome::kBadVersion;
  }
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override {
    CFileError error;
    auto taken = Locked([&](auto& link) { return link.TakeNextMessage(now, message, error); });
    return taken == CClientLink::Take::kFileError ? LoopAction::kEndBad : LoopAction::kContinue;
  }
  bool ExpectsData() override {
    return Locked([](auto& link) { return link.ExpectsData(); });
  }
  std::optional<std::time_t> IdleDeadline() override {
    return Locked([](auto& link) { return link.IdleDeadline(); });
  }
};

// A listening socket on 127.0.0.1 at a port the system picks. receiveBuffer > 0 shrinks
// the receive buffer (and so the window) of the connections it accepts.
class LoopbackListener {
 public:
  bool Open(int receiveBuffer = 0) {
    CSysErrorInfo error;
    sockaddr_in address = LoopbackAddress(0);
    const bool open =
        m_socket.Create(error) &&
        (receiveBuffer == 0 || ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_RCVBUF,
                                            &receiveBuffer, sizeof receiveBuffer) == 0) &&
        m_socket.Bind(address, error) && m_socket.Listen(8, error) &&
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

 private:
  CSysSocket m_socket;
  std::uint16_t m_port = 0;
};

}  // namespace trqx::loopback
