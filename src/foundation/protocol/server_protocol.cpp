#include "foundation/protocol/server_protocol.h"

#include <cstdio>

#include "foundation/paths.h"

namespace trqx {

CServerProtocol::CServerProtocol(std::unique_ptr<CSpoolFile> spool, CSpoolCounter& counter)
    : m_spool(std::move(spool)), m_counter(counter) {}

void CServerProtocol::Start(std::string_view login, std::string_view password,
                            std::string_view sessionDirectory, std::string_view fileNameStem,
                            char statusFlag, std::string_view statusText) {
  CloseSpool();
  m_framer.Reset();
  m_state = ServerState::kAwaitingLogin;
  m_login = wire::TrimField(login);
  m_password = wire::TrimField(password);
  std::string stem(fileNameStem);
  for (char& c : stem) {
    if (c == '/') {
      c = '_';
    }
  }
  m_spoolPrefix = JoinPath(sessionDirectory, stem + "vexo");
  m_spoolFileName.clear();
  m_uploadNumber = 0;
  m_statusFlag = statusFlag;
  m_statusText = statusText;
  m_fileError = CFileError{};
  m_reply = wire::MakeGreeting();
}

CServerProtocol::FeedResult CServerProtocol::Feed(const char* data, std::size_t count) {
  return m_framer.Feed(data, count, ServerOutcome::kFramingError,
                       [this](std::string_view frame) { return Handle(frame); });
}

std::string CServerProtocol::TakeReply() {
  std::string reply;
  reply.swap(m_reply);
  return reply;
}

std::string CServerProtocol::MakeDeliveryReport(std::uint32_t uploadNumber, char outcome) const {
  if (m_state != ServerState::kLoggedIn && m_state != ServerState::kReceivingFile) {
    return {};
  }
  return wire::MakeDeliveryReport(outcome, uploadNumber);
}

std::string CServerProtocol::MakeClose() {
  if (m_state == ServerState::kEnded) {
    return {};
  }
  CloseSpool();
  m_state = ServerState::kEnded;
  return wire::MakeClose(wire::kCloseOrderly);
}

bool CServerProtocol::CloseSpool() {
  if (!m_spool->IsOpen()) {
    return true;
  }
  CFileError error;
  if (!m_spool->Close(error)) {
    m_fileError = error;
    return false;
  }
  return true;
}

ServerOutcome CServerProtocol::Handle(std::string_view frame) {
  if (frame.size() < wire::kMinFrameLength) {
    return ServerOutcome::kBadData;
  }
  const char type = frame[1];
  switch (m_state) {
    case ServerState::kAwaitingLogin:
      if (type == wire::kLogin && frame.size() >= wire::kLoginLength) {
        return HandleLogin(frame);
      }
      if (type == wire::kClose) {
        m_state = ServerState::kClosedByClient;
        return ServerOutcome::kCloseReceived;
      }
      return ServerOutcome::kBadData;

    case ServerState::kLoggedIn:
      switch (type) {
        case wire::kClose:
          m_state = ServerState::kClosedByClient;
          return ServerOutcome::kCloseReceived;
        case wire::kStatusRequest:
          m_reply = wire::MakeStatusReply(m_statusFlag, m_statusText);
          return ServerOutcome::kStatus;
        case wire::kFileStart:
          if (frame.size() >= wire::kFileStartLength) {
            return HandleFileStart(frame);
          }
          return ServerOutcome::kBadData;
        case wire::kFileEnd:
        case wire::kFileData:
          // What follows a FileStart whose spool file could not be created.
          return ServerOutcome::kNone;
        case wire::kCancelRequest:
          return ServerOutcome::kCancelRequest;
        default:
          return ServerOutcome::kBadData;
      }

    case ServerState::kReceivingFile:
      switch (type) {
        case wire::kFileData:
          if (frame.size() < wire::kFileDataLength) {
            return ServerOutcome::kBadData;
          }
          return HandleFileData(frame);
        case wire::kFileEnd:
          return HandleFileEnd();
        case wire::kTransferAbort:
          CloseSpool();
          m_state = ServerState::kLoggedIn;
          m_reply = wire::MakeBare(wire::kCancelAck);
          return ServerOutcome::kTransferAborted;
        case wire::kCancelRequest:
          CloseSpool();
          m_state = ServerState::kLoggedIn;
          m_reply = wire::MakeBare(wire::kCancelAck);
          return ServerOutcome::kCancelRequest;
        case wire::kClose:
          CloseSpool();
          m_state = ServerState::kClosedByClient;
          return ServerOutcome::kCloseReceived;
        default:
          CloseSpool();
          return ServerOutcome::kBadData;
      }

    case ServerState::kClosedByClient:
      return ServerOutcome::kNone;
    case ServerState::kEnded:
      // Both sides closing at once each wait for the other to drop the connection; the
      // peer's Close tells this side it may drop it now instead of after the close grace.
      return type == wire::kClose ? ServerOutcome::kCloseReceived : ServerOutcome::kNone;
  }
  return ServerOutcome::kBadData;
}

ServerOutcome CServerProtocol::HandleLogin(std::string_view frame) {
  std::string_view login = wire::TrimField(frame.substr(wire::kLoginNameOffset, wire::kNameWidth));
  std::string_view password =
      wire::TrimField(frame.substr(wire::kPasswordOffset, wire::kNameWidth));
  if (login == m_login && password == m_password) {
    m_state = ServerState::kLoggedIn;
    m_reply = wire::MakeGreeting();
    return ServerOutcome::kLoggedIn;
  }
  m_state = ServerState::kEnded;
  m_reply = wire::MakeClose(wire::kCloseBadLogin);
  return ServerOutcome::kBadLogin;
}

ServerOutcome CServerProtocol::HandleFileStart(std::string_view frame) {
  // The name the client sent is never used: the spool name is ours alone.
  char number[16];
  std::snprintf(number, sizeof number, "%03u", m_counter.Take());
  m_spoolFileName = m_spoolPrefix + number + ".inc";
  m_uploadNumber =
      wire::AccumulateDigits(frame.substr(wire::kFileUploadNumberOffset, wire::kUploadNumberWidth));
  if (!m_spool->Create(m_spoolFileName, m_fileError)) {
    return ServerOutcome::kFileError;
  }
  m_state = ServerState::kReceivingFile;
  return ServerOutcome::kFileStarted;
}

ServerOutcome CServerProtocol::HandleFileData(std::string_view frame) {
  int length = wire::ParseDecimal(frame.substr(wire::kPieceLengthOffset, wire::kPieceLengthWidth));
  if (length < 0 || length > static_cast<int>(wire::kMaxPiece)) {
    // A negative length is as impossible as one beyond the data area.
    CloseSpool();
    m_state = ServerState::kLoggedIn;
    return ServerOutcome::kBadData;
  }
  std::string_view piece = frame.substr(wire::kPieceOffset, static_cast<std::size_t>(length));
  CFileError writeError;
  if (!m_spool->Append(piece, writeError)) {
    CloseSpool();
    m_fileError = writeError;
    m_state = ServerState::kLoggedIn;
    return ServerOutcome::kFileError;
  }
  return ServerOutcome::kNone;
}

ServerOutcome CServerProtocol::HandleFileEnd() {
  m_state = ServerState::kLoggedIn;
  if (!CloseSpool()) {
    // The file may have lost bytes; it must not be handed on as received.
    return ServerOutcome::kFileError;
  }
  m_reply = wire::MakeBare(wire::kFileReceived);
  return ServerOutcome::kFileReceived;
}

}  // namespace trqx
