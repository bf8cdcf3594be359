#include "foundation/protocol/connection_task.h"

#include <array>
#include <cerrno>
#include <utility>

#include "foundation/client_strings.h"

namespace trqx {

namespace {

// What the task does with an outcome of received bytes. Outcomes without a row (the Login
// a Greeting asks for) need nothing of the task: the link sends the reply itself.
struct OutcomeRule {
  ClientOutcome m_outcome;
  std::uint32_t m_message = 0;  // logged at m_level (category server); 0 for none
  LogLevel m_level = kLogError;
  LoopAction m_then = LoopAction::kContinue;  // kEndBad or kPeerDone
  bool m_post = false;                        // posts m_code with m_messageId (0: the task's)
  int m_code = 0;
  std::uint32_t m_messageId = 0;
};

constexpr std::array kOutcomeRules{
    OutcomeRule{.m_outcome = ClientOutcome::kFramingError,
                .m_message = client_strings::kMsgReceivedBadData,
                .m_then = LoopAction::kEndBad},
    OutcomeRule{.m_outcome = ClientOutcome::kBadData,
                .m_message = client_strings::kMsgReceivedBadData,
                .m_then = LoopAction::kEndBad},
    OutcomeRule{.m_outcome = ClientOutcome::kBadVersion,
                .m_message = client_strings::kMsgReceivedBadVersion,
                .m_then = LoopAction::kEndBad},
    OutcomeRule{.m_outcome = ClientOutcome::kCloseReceived,
                .m_message = client_strings::kMsgReceivedCloseMessage,
                .m_level = kLogInfo,
                .m_then = LoopAction::kPeerDone},
    OutcomeRule{.m_outcome = ClientOutcome::kLoggedIn,
                .m_post = true,
                .m_messageId = task_message::kClientLoggedIn},
    OutcomeRule{.m_outcome = ClientOutcome::kStatus,
                .m_post = true,
                .m_code = client_task::kServerStatusText},
    OutcomeRule{.m_outcome = ClientOutcome::kDeliveryReport,
                .m_post = true,
                .m_code = client_task::kDeliveryReport},
    OutcomeRule{.m_outcome = ClientOutcome::kCancelAcknowledged,
                .m_post = true,
                .m_code = client_task::kCancelAcknowledged},
    OutcomeRule{.m_outcome = ClientOutcome::kFileAcknowledged,
                .m_post = true,
                .m_code = client_task::kFileAcknowledged},
};

// The text a notice carries: the status text to show, or the report's outcome character.
std::string NoticeText(const CClientEvent& event) {
  if (event.m_outcome == ClientOutcome::kDeliveryReport) {
    return {event.m_reportOutcome};
  }
  return event.m_statusText;
}

}  // namespace

CConnectionTask::CConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source)
    : CLinkTask(
          lock, client_task::kCodes, {kCategoryServer, client_strings::kMsgSystemError},
          {client_strings::kMsgSocketEventError, client_strings::kMsgConnectionUnexpectedlyClosed,
           client_strings::kMsgTimeoutNoData, client_strings::kMsgTimeoutSendingMessage,
           client_strings::kMsgConnectionHardClose, kLogWarning},
          kMaskClient, std::move(source)) {}

CConnectionTask::~CConnectionTask() {
  StopAndJoin();
}

bool CConnectionTask::Start(const CConnectionSettings& settings, CSysErrorInfo& error) {
  if (!IsRunning()) {
    m_server = settings;
    m_connecting = false;
    Locked([&](CClientLink& link) { link.Start(settings.m_login, settings.m_password, Now()); });
  }
  return Start(error);
}

void CConnectionTask::Adopt(CSysSocket socket, bool connecting, const std::string& login,
                            const std::string& password) {
  AdoptSocket(std::move(socket));
  m_server.reset();
  m_connecting = connecting;
  Locked([&](CClientLink& link) { link.Start(login, password, Now()); });
}

bool CConnectionTask::SendFile(std::string_view fileName, const std::string& path,
                               std::uint32_t uploadNumber, CFileError& error) {
  return Request(
      [&](CClientLink& link) { return link.SendFile(fileName, path, uploadNumber, error); });
}

bool CConnectionTask::AbortTransfer(CSysErrorInfo& error) {
  return Request([](CClientLink& link) { return link.AbortTransfer(); }, error);
}

bool CConnectionTask::Cancel(CSysErrorInfo& error) {
  return Request([](CClientLink& link) { return link.Cancel(); }, error);
}

bool CConnectionTask::Run() {
  if (!Connect()) {
    CSysErrorInfo ignored;
    Socket().Close(ignored);
    return false;
  }
  return RunSocketLoop();
}

bool CConnectionTask::Connect() {
  CSysErrorInfo error;
  SocketIo connect = m_connecting ? SocketIo::kWouldBlock : SocketIo::kDone;
  bool ready =
      (!m_server || Socket().Create(error)) && SocketEvents().Select(Socket(), kMaskClient, error);
  if (ready && m_server) {
    connect = ConnectToServer(error);
  }
  if (!ready || connect == SocketIo::kFailed) {
    LogSystemError(error);
    return false;
  }
  if (connect == SocketIo::kWouldBlock && !AwaitConnect()) {
    return false;
  }
  Log(kLogInfo, client_strings::kMsgConnectionEstablished);
  return true;
}

SocketIo CConnectionTask::ConnectToServer(CSysErrorInfo& error) {
  sockaddr_in address{};
  if (!MakeClientAddress(m_server->m_serverAddress, m_server->m_serverPort, address)) {
    // inet_addr gives no address for such a text, and the connect to it fails.
    error.Set(EADDRNOTAVAIL, sys_call::kConnect);
    return SocketIo::kFailed;
  }
  return Socket().Connect(address, error);
}

bool CConnectionTask::AwaitConnect() {
  CSocketEvents& events = SocketEvents();
  events.SetConnecting(true);
  CSysErrorInfo error;
  bool woken = false;
  CNetworkEvents occurred;
  if (!events.Wait(nullptr, -1, sys_call::kWaitSocketLoop, woken, error) ||
      !events.Enumerate(occurred, error)) {
    LogSystemError(error);
    return false;
  }
  // Checked in this order: a close, then read and write errors, then the connect itself.
  if (occurred.Has(kFdClose)) {
    if (occurred.Error(kFdClose) != 0) {
      LogEventError(occurred.Error(kFdClose), sys_event_name::kClose);
    } else {
      Log(kLogError, client_strings::kMsgConnectionUnexpectedlyClosed);
    }
    return false;
  }
  for (auto [event, name] :
       {std::pair{kFdRead, sys_event_name::kRead}, std::pair{kFdWrite, sys_event_name::kWrite}}) {
    if (occurred.Has(event) && occurred.Error(event) != 0) {
      LogEventError(occurred.Error(event), name);
      return false;
    }
  }
  if (!occurred.Has(kFdConnect)) {
    Log(kLogError, client_strings::kMsgSpuriousUnblock);
    return false;
  }
  if (occurred.Error(kFdConnect) != 0) {
    LogEventError(occurred.Error(kFdConnect), sys_event_name::kConnect);
    return false;
  }
  return true;
}

bool CConnectionTask::React(const CClientEvent& event, LoopAction& action) {
  const OutcomeRule* rule = FindOutcomeRule(kOutcomeRules, event.m_outcome);
  if (rule == nullptr) {
    return true;
  }
  if (rule->m_message != 0) {
    Log(rule->m_level, rule->m_message);
  }
  // A StatusReply is shown only when its flag asks for it.
  if (rule->m_post && (event.m_outcome != ClientOutcome::kStatus || event.m_showStatusText)) {
    NotifyPost(Notice(rule->m_code, NoticeText(event), event.m_uploadNumber, rule->m_messageId));
  }
  if (rule->m_then == LoopAction::kPeerDone) {
    action = LoopAction::kPeerDone;
  }
  return rule->m_then != LoopAction::kEndBad;
}

LoopAction CConnectionTask::TakeNextMessage(std::time_t now, std::string& message) {
  CFileError error;
  auto taken = Locked([&](CClientLink& link) { return link.TakeNextMessage(now, message, error); });
  if (taken != CClientLink::Take::kFileError) {
    return LoopAction::kContinue;
  }
  Log(kLogError, client_strings::kMsgFileError,
      {error.m_function, std::to_string(error.m_osError)});
  return LoopAction::kEndBad;
}

bool CConnectionTask::ExpectsData() {
  return Locked([](CClientLink& link) { return link.ExpectsData(); });
}

std::optional<std::time_t> CConnectionTask::IdleDeadline() {
  return Locked([](CClientLink& link) { return link.IdleDeadline(); });
}

}  // namespace trqx
