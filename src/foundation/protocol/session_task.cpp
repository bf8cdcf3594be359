#include "foundation/protocol/session_task.h"

#include <utility>

#include "foundation/server_strings.h"

namespace trqx {

CSessionTask::CSessionTask(std::mutex& sharedLock, std::unique_ptr<CSpoolFile> spool,
                           CSpoolCounter& counter)
    : CLinkTask(sharedLock, session_task::kCodes,
                {kCategoryClient, server_strings::kMsgSystemError},
                {server_strings::kMsgSocketError, server_strings::kMsgUnexpectedSocketClose,
                 server_strings::kMsgTimeoutNoData, server_strings::kMsgTimeoutSendingMessage,
                 server_strings::kMsgHardSocketClose, kLogError},
                kMaskSession, std::move(spool), counter) {}

CSessionTask::~CSessionTask() {
  StopAndJoin();
}

void CSessionTask::Adopt(CSysSocket socket, const std::string& login, const std::string& password,
                         const std::string& directory, const std::string& stem, char statusFlag,
                         const std::string& statusText) {
  AdoptSocket(std::move(socket));
  Locked([&](CServerLink& link) {
    link.Start(login, password, directory, stem, statusFlag, statusText);
  });
}

bool CSessionTask::React(const CServerEvent& event, LoopAction& action) {
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

LoopAction CSessionTask::TakeNextMessage(std::time_t, std::string& message) {
  message = Locked([](CServerLink& link) { return link.TakeNextMessage(); });
  return LoopAction::kContinue;
}

}  // namespace trqx
