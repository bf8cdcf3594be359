#include "foundation/protocol/connection_task.h"

#include <map>
#include <utility>

#include "foundation/client_strings.h"

namespace trqx {

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

void CConnectionTask::Adopt(CSysSocket socket, bool connecting, const std::string& login,
                            const std::string& password) {
  AdoptSocket(std::move(socket));
  m_connecting = connecting;
  Locked([&](CClientLink& link) { link.Start(login, password, Now()); });
}

bool CConnectionTask::SendFile(std::string_view fileName, const std::string& path,
                               std::uint32_t uploadNumber, CFileError& error) {
  return Request(
      [&](CClientLink& link) { return link.SendFile(fileName, path, uploadNumber, error); });
}

void CConnectionTask::OnLoopStart(std::time_t) {
  // Selecting the loop's events forgets a connect under way; say it again.
  SocketEvents().SetConnecting(m_connecting);
}

bool CConnectionTask::React(const CClientEvent& event, LoopAction& action) {
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

LoopAction CConnectionTask::TakeNextMessage(std::time_t now, std::string& message) {
  CFileError error;
  auto taken = Locked([&](CClientLink& link) { return link.TakeNextMessage(now, message, error); });
  return taken == CClientLink::Take::kFileError ? LoopAction::kEndBad : LoopAction::kContinue;
}

bool CConnectionTask::ExpectsData() {
  return Locked([](CClientLink& link) { return link.ExpectsData(); });
}

std::optional<std::time_t> CConnectionTask::IdleDeadline() {
  return Locked([](CClientLink& link) { return link.IdleDeadline(); });
}

}  // namespace trqx
