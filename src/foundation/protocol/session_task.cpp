#include "foundation/protocol/session_task.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "foundation/server_strings.h"

namespace trqx {

namespace {

// What the session does beyond its log entry.
enum class Then {
  kGoOn,
  kEndBad,             // the session ends in bad state
  kPeerDone,           // ends in good state once nothing is in flight
  kCloseGrace,         // closes within the grace counted from the session's start
  kNoticeCancel,       // posts session_task::kCancelRequest
  kNoticeFileReceived  // sends session_task::kFileReceived
};

struct OutcomeRule {
  ServerOutcome m_outcome;
  std::uint32_t m_message;  // logged at level error, category client; 0 for none
  Then m_then;
};

// Outcomes without a row (logged in, status, file started) need nothing of the task.
constexpr std::array kOutcomeRules{
    OutcomeRule{ServerOutcome::kFramingError, server_strings::kMsgReceivedBadData, Then::kEndBad},
    OutcomeRule{ServerOutcome::kBadData, server_strings::kMsgReceivedBadData, Then::kEndBad},
    OutcomeRule{ServerOutcome::kCloseReceived, server_strings::kMsgReceivedCloseMessage,
                Then::kPeerDone},
    OutcomeRule{ServerOutcome::kBadLogin, server_strings::kMsgBadLogin, Then::kCloseGrace},
    OutcomeRule{ServerOutcome::kTransferAborted, server_strings::kMsgTransmissionCancelled,
                Then::kGoOn},
    OutcomeRule{ServerOutcome::kCancelRequest, server_strings::kMsgCancelRequestReceived,
                Then::kNoticeCancel},
    OutcomeRule{ServerOutcome::kFileError, server_strings::kMsgFileError, Then::kGoOn},
    OutcomeRule{ServerOutcome::kFileReceived, 0, Then::kNoticeFileReceived},
};

// The arguments of the outcome's message: a file error names its code and file.
std::vector<std::string> MessageArgs(const CServerEvent& event) {
  if (event.m_outcome != ServerOutcome::kFileError) {
    return {};
  }
  return {std::to_string(event.m_fileError.m_osError), event.m_fileError.m_fileName};
}

}  // namespace

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
  const OutcomeRule* rule = FindOutcomeRule(kOutcomeRules, event.m_outcome);
  if (rule == nullptr) {
    return true;
  }
  if (rule->m_message != 0) {
    Log(kLogError, rule->m_message, MessageArgs(event));
  }
  switch (rule->m_then) {
    case Then::kGoOn:
      break;
    case Then::kEndBad:
      return false;
    case Then::kPeerDone:
      action = LoopAction::kPeerDone;
      break;
    case Then::kCloseGrace:
      BeginCloseGrace(LoopStartTime());
      break;
    case Then::kNoticeCancel:
      NotifyPost(Notice(session_task::kCancelRequest));
      break;
    case Then::kNoticeFileReceived:
      NotifySend(Notice(session_task::kFileReceived, event.m_spoolFileName, event.m_uploadNumber));
      break;
  }
  return true;
}

LoopAction CSessionTask::TakeNextMessage(std::time_t, std::string& message) {
  message = Locked([](CServerLink& link) { return link.TakeNextMessage(); });
  return LoopAction::kContinue;
}

}  // namespace trqx
