#include "foundation/protocol/client_link.h"

namespace trqx {

CClientLink::CClientLink(std::unique_ptr<CUploadSource> source) : m_protocol(std::move(source)) {}

void CClientLink::Start(std::string_view login, std::string_view password, std::time_t now) {
  m_protocol.Start(login, password);
  m_final.clear();
  m_requests.clear();
  m_reply.clear();
  m_lastStart = now;
}

void CClientLink::Receive(std::string_view bytes, std::vector<CClientEvent>& events) {
  while (!bytes.empty()) {
    CClientProtocol::FeedResult result = m_protocol.Feed(bytes.data(), bytes.size());
    bytes.remove_prefix(result.consumed);
    if (result.outcome == ClientOutcome::kNone) {
      continue;
    }
    if (m_protocol.HasReply()) {
      m_reply = m_protocol.TakeReply();
    }
    CClientEvent event;
    event.m_outcome = result.outcome;
    if (result.outcome == ClientOutcome::kStatus) {
      event.m_showStatusText = m_protocol.StatusFlag() == wire::kStatusShowText;
      if (event.m_showStatusText) {
        event.m_statusText = m_protocol.ServerStatusText();
      }
    } else if (result.outcome == ClientOutcome::kDeliveryReport) {
      event.m_uploadNumber = m_protocol.ReportUploadNumber();
      event.m_reportOutcome = m_protocol.ReportOutcome();
    }
    events.push_back(std::move(event));
    if (result.outcome == ClientOutcome::kFramingError ||
        result.outcome == ClientOutcome::kBadData || result.outcome == ClientOutcome::kBadVersion) {
      return;
    }
  }
}

CClientLink::Take CClientLink::TakeNextMessage(std::time_t now, std::string& message,
                                               CFileError& error) {
  message.clear();
  if (!m_final.empty()) {
    message.swap(m_final);
  } else if (!m_requests.empty()) {
    message = std::move(m_requests.front());
    m_requests.pop_front();
  } else if (!m_reply.empty()) {
    message.swap(m_reply);
  } else if (m_protocol.State() == ClientState::kSendingFile) {
    message.reserve(kPiecesPerTake * wire::kFileDataLength + wire::kMinFrameLength);
    for (std::size_t i = 0; i < kPiecesPerTake && m_protocol.State() == ClientState::kSendingFile;
         ++i) {
      if (m_protocol.AppendNextPiece(message, error) == CClientProtocol::Piece::kError) {
        message.clear();
        return Take::kFileError;
      }
    }
  } else if (now - m_lastStart > kIdlePollSeconds) {
    message = m_protocol.StatusRequest();
  }
  if (message.empty()) {
    return Take::kNothing;
  }
  m_lastStart = now;
  return Take::kMessage;
}

std::optional<std::time_t> CClientLink::IdleDeadline() const {
  if (m_protocol.State() != ClientState::kLoggedIn || !m_final.empty() || !m_requests.empty() ||
      !m_reply.empty()) {
    return std::nullopt;
  }
  return m_lastStart + kIdlePollSeconds + 1;
}

bool CClientLink::SendFile(std::string_view fileName, const std::string& path,
                           std::uint32_t uploadNumber, CFileError& error) {
  std::string start = m_protocol.BeginFile(fileName, path, uploadNumber, error);
  if (start.empty()) {
    return false;
  }
  Queue(std::move(start));
  return true;
}

bool CClientLink::AbortTransfer() {
  std::string abort = m_protocol.AbortTransfer();
  if (abort.empty()) {
    return false;
  }
  Queue(std::move(abort));
  return true;
}

bool CClientLink::Cancel() {
  std::string cancel = m_protocol.Cancel();
  if (cancel.empty()) {
    return false;
  }
  Queue(std::move(cancel));
  return true;
}

void CClientLink::Queue(std::string request) {
  // The same request twice in a row says no more than once.
  if (m_requests.empty() || m_requests.back() != request) {
    m_requests.push_back(std::move(request));
  }
}

bool CClientLink::BeginClose() {
  if (m_protocol.State() == ClientState::kClosing) {
    return false;
  }
  m_requests.clear();
  m_reply.clear();
  m_final = m_protocol.Close();
  return true;
}

bool CClientLink::ExpectsData() const {
  switch (m_protocol.State()) {
    case ClientState::kAwaitingGreeting:
    case ClientState::kLoginSent:
    case ClientState::kLoggedIn:
    case ClientState::kFileSent:
      return true;
    default:
      return false;
  }
}

}  // namespace trqx
