#include "foundation/protocol/server_link.h"

namespace trqx {

CServerLink::CServerLink(std::unique_ptr<CSpoolFile> spool, CSpoolCounter& counter)
    : m_protocol(std::move(spool), counter) {}

void CServerLink::Start(std::string_view login, std::string_view password,
                        std::string_view sessionDirectory, std::string_view fileNameStem,
                        char statusFlag, std::string_view statusText) {
  m_protocol.Start(login, password, sessionDirectory, fileNameStem, statusFlag, statusText);
  m_final.clear();
  m_statusReply.clear();
  m_reports.clear();
  m_reply = m_protocol.TakeReply();
}

void CServerLink::Receive(std::string_view bytes, std::vector<CServerEvent>& events) {
  while (!bytes.empty()) {
    CServerProtocol::FeedResult result = m_protocol.Feed(bytes.data(), bytes.size());
    bytes.remove_prefix(result.consumed);
    if (result.outcome == ServerOutcome::kNone) {
      continue;
    }
    if (m_protocol.HasReply()) {
      (result.outcome == ServerOutcome::kStatus ? m_statusReply : m_reply) = m_protocol.TakeReply();
    }
    CServerEvent event;
    event.m_outcome = result.outcome;
    if (result.outcome == ServerOutcome::kFileStarted ||
        result.outcome == ServerOutcome::kFileReceived) {
      event.m_spoolFileName = m_protocol.SpoolFileName();
      event.m_uploadNumber = m_protocol.UploadNumber();
    } else if (result.outcome == ServerOutcome::kFileError) {
      event.m_fileError = m_protocol.FileError();
    }
    events.push_back(std::move(event));
    if (result.outcome == ServerOutcome::kFramingError ||
        result.outcome == ServerOutcome::kBadData) {
      return;
    }
  }
}

std::string CServerLink::TakeNextMessage() {
  std::string message;
  for (std::string* slot : {&m_final, &m_statusReply, &m_reply}) {
    if (!slot->empty()) {
      message.swap(*slot);
      return message;
    }
  }
  if (!m_reports.empty()) {
    message = std::move(m_reports.front());
    m_reports.pop_front();
  }
  return message;
}

bool CServerLink::BeginClose() {
  std::string close = m_protocol.MakeClose();
  if (close.empty()) {
    return false;
  }
  m_statusReply.clear();
  m_reply.clear();
  m_reports.clear();
  m_final = std::move(close);
  return true;
}

bool CServerLink::QueueDeliveryReport(std::uint32_t uploadNumber, char outcome) {
  if (m_reports.size() >= kMaxPendingReports) {
    return false;
  }
  std::string report = m_protocol.MakeDeliveryReport(uploadNumber, outcome);
  if (report.empty()) {
    return false;
  }
  m_reports.push_back(std::move(report));
  return true;
}

}  // namespace trqx
