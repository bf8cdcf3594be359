#include "foundation/protocol/client_protocol.h"

#include <cerrno>

#include "foundation/paths.h"

namespace trqx {

CClientProtocol::CClientProtocol(std::unique_ptr<CUploadSource> source)
    : m_source(std::move(source)) {}

void CClientProtocol::Start(std::string_view login, std::string_view password) {
  m_source->Close();
  m_framer.Reset();
  m_state = ClientState::kAwaitingGreeting;
  m_login = login;
  m_password = password;
  m_reply.clear();
  m_statusFlag = '\0';
  m_statusText.clear();
  m_reportUploadNumber = 0;
  m_reportOutcome = '\0';
  m_fileReceivedOwed = false;
}

CClientProtocol::FeedResult CClientProtocol::Feed(const char* data, std::size_t count) {
  return m_framer.Feed(data, count, ClientOutcome::kFramingError,
                       [this](std::string_view frame) { return Handle(frame); });
}

std::string CClientProtocol::TakeReply() {
  std::string reply;
  reply.swap(m_reply);
  return reply;
}

std::string CClientProtocol::BeginFile(std::string_view fileName, const std::string& path,
                                       std::uint32_t uploadNumber, CFileError& error) {
  if (m_state != ClientState::kLoggedIn) {
    return {};
  }
  if (!m_source->Open(path, error)) {
    return {};
  }
  m_path = path;
  m_fileReceivedOwed = false;
  m_state = ClientState::kSendingFile;
  return wire::MakeFileStart(FileNamePart(fileName), uploadNumber);
}

CClientProtocol::Piece CClientProtocol::AppendNextPiece(std::string& frames, CFileError& error) {
  if (m_state != ClientState::kSendingFile) {
    return Piece::kNone;
  }
  char buffer[wire::kMaxPiece];
  std::size_t got = 0;
  if (!m_source->Read(buffer, sizeof buffer, got, error)) {
    m_source->Close();
    return Piece::kError;
  }
  if (got == 0) {
    m_source->Close();
    m_state = ClientState::kFileSent;
    frames += wire::MakeBare(wire::kFileEnd);
    return Piece::kEnd;
  }
  std::string_view piece(buffer, got);
  // Two searches for one byte each: find_first_of would search the pair per byte.
  if (piece.find(wire::kStx) != std::string_view::npos ||
      piece.find(wire::kEtx) != std::string_view::npos) {
    // Sent as it is, the byte would break the frame and the server would drop the session.
    error.m_cause = FileErrorCause::kRead;
    error.m_osError = EILSEQ;
    error.m_function = "read";
    error.m_fileName = m_path;
    m_source->Close();
    return Piece::kError;
  }
  wire::AppendFileData(frames, piece);
  return Piece::kData;
}

std::string CClientProtocol::AbortTransfer() {
  if (m_state != ClientState::kSendingFile) {
    return {};
  }
  m_source->Close();
  m_state = ClientState::kFileSent;
  return wire::MakeBare(wire::kTransferAbort);
}

std::string CClientProtocol::Cancel() {
  switch (m_state) {
    case ClientState::kSendingFile:
      m_state = ClientState::kFileSent;
      break;
    case ClientState::kFileSent:
      m_fileReceivedOwed = true;
      m_state = ClientState::kLoggedIn;
      break;
    case ClientState::kLoggedIn:
      break;
    default:
      return {};
  }
  m_source->Close();
  return wire::MakeBare(wire::kCancelRequest);
}

std::string CClientProtocol::StatusRequest() {
  if (m_state != ClientState::kLoggedIn) {
    return {};
  }
  return wire::MakeBare(wire::kStatusRequest);
}

std::string CClientProtocol::Close() {
  m_source->Close();
  m_state = ClientState::kClosing;
  return wire::MakeClose(wire::kCloseOrderly);
}

ClientOutcome CClientProtocol::Handle(std::string_view frame) {
  if (frame.size() < wire::kMinFrameLength) {
    return ClientOutcome::kBadData;
  }
  const char type = frame[1];
  const ClientState state = m_state;
  if (state == ClientState::kClosedByServer) {
    return ClientOutcome::kNone;
  }
  if (state == ClientState::kClosing) {
    // Both sides closing at once each wait for the other to drop the connection; the
    // server's Close tells this side it may drop it now instead of after the close grace.
    return type == wire::kClose ? ClientOutcome::kCloseReceived : ClientOutcome::kNone;
  }
  if (type == wire::kClose) {
    m_source->Close();
    m_state = ClientState::kClosedByServer;
    return ClientOutcome::kCloseReceived;
  }
  const bool afterLogin = state == ClientState::kLoggedIn || state == ClientState::kSendingFile ||
                          state == ClientState::kFileSent;
  switch (type) {
    case wire::kGreeting:
      if (state == ClientState::kAwaitingGreeting) {
        return HandleGreeting(frame);
      }
      if (state == ClientState::kLoginSent) {
        m_state = ClientState::kLoggedIn;
        return ClientOutcome::kLoggedIn;
      }
      break;
    case wire::kStatusReply:
      if (afterLogin) {
        return HandleStatusReply(frame);
      }
      break;
    case wire::kDeliveryReport:
      if (afterLogin) {
        return HandleDeliveryReport(frame);
      }
      break;
    case wire::kCancelAck:
      if (state == ClientState::kSendingFile || state == ClientState::kFileSent) {
        m_source->Close();
        m_state = ClientState::kLoggedIn;
        return ClientOutcome::kCancelAcknowledged;
      }
      break;
    case wire::kFileReceived:
      if (state == ClientState::kFileSent ||
          (state == ClientState::kLoggedIn && m_fileReceivedOwed)) {
        m_fileReceivedOwed = false;
        m_state = ClientState::kLoggedIn;
        return ClientOutcome::kFileAcknowledged;
      }
      break;
    default:
      break;
  }
  return ClientOutcome::kBadData;
}

ClientOutcome CClientProtocol::HandleGreeting(std::string_view frame) {
  // The version field must be there to be read.
  if (frame.size() < wire::kGreetingLength) {
    return ClientOutcome::kBadData;
  }
  if (wire::ParseDecimal(frame.substr(wire::kVersionOffset, wire::kVersionWidth)) !=
      wire::kProtocolVersion) {
    return ClientOutcome::kBadVersion;
  }
  m_state = ClientState::kLoginSent;
  m_reply = wire::MakeLogin(m_login, m_password);
  return ClientOutcome::kLoginSent;
}

ClientOutcome CClientProtocol::HandleStatusReply(std::string_view frame) {
  if (frame.size() < wire::kStatusReplyLength) {
    return ClientOutcome::kBadData;
  }
  m_statusFlag = frame[wire::kStatusFlagOffset];
  if (m_statusFlag == wire::kStatusShowText) {
    m_statusText = wire::TrimField(frame.substr(wire::kStatusTextOffset, wire::kStatusTextWidth));
  }
  return ClientOutcome::kStatus;
}

ClientOutcome CClientProtocol::HandleDeliveryReport(std::string_view frame) {
  if (frame.size() < wire::kDeliveryReportLength) {
    return ClientOutcome::kBadData;
  }
  m_reportOutcome = frame[wire::kReportOutcomeOffset];
  m_reportUploadNumber = wire::AccumulateDigits(
      frame.substr(wire::kReportUploadNumberOffset, wire::kUploadNumberWidth));
  return ClientOutcome::kDeliveryReport;
}

}  // namespace trqx
