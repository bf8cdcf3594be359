#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "foundation/protocol/message_framer.h"
#include "foundation/protocol/upload_source.h"

namespace trqx {

enum class ClientState {
  kAwaitingGreeting = 0,
  kLoginSent = 1,
  kLoggedIn = 2,  // idle
  kSendingFile = 3,
  kFileSent = 4,  // awaiting FileReceived (or CancelAck)
  kClosedByServer = 5,
  kClosing = 6,  // Close sent
};

// What a received frame means to the connection task.
enum class ClientOutcome {
  kNone,
  kFramingError,
  kBadData,
  kBadVersion,
  kLoginSent,  // the Login is in the reply buffer
  kLoggedIn,
  kCloseReceived,
  kStatus,
  kDeliveryReport,
  kCancelAcknowledged,
  kFileAcknowledged,
};

// The client's half of the wire protocol: frames in, outcomes and the Login reply out; the
// operations build the client's requests and file pieces. No sockets, no clock, no lock of
// its own: the connection task uses it only under its lock.
class CClientProtocol {
 public:
  using FeedResult = CMessageFramer::FeedResult<ClientOutcome>;

  explicit CClientProtocol(
      std::unique_ptr<CUploadSource> source = std::make_unique<CDiskUploadSource>());

  // Resets to state 0 (closing any file being sent) with the login name and password to
  // send; both are cut to 15 characters on the wire.
  void Start(std::string_view login, std::string_view password);

  // Handles received bytes (CMessageFramer::Feed): stops after the first frame with an
  // outcome other than kNone, or after a framing error; feed the rest again.
  FeedResult Feed(const char* data, std::size_t count);

  // The Login produced by a good Greeting, taken out of the buffer; empty when none.
  std::string TakeReply();
  bool HasReply() const { return !m_reply.empty(); }

  // State 2 only: opens the file at path and returns its FileStart (the base name of
  // fileName, the upload number), entering state 3. Empty, state unchanged, in any other
  // state or when the file cannot be opened (then error says why).
  std::string BeginFile(std::string_view fileName, const std::string& path,
                        std::uint32_t uploadNumber, CFileError& error);

  enum class Piece { kNone, kData, kEnd, kError };
  // State 3 only: reads up to 500 bytes and appends a frame to frames, so that a run of
  // pieces is built in one reused buffer. kData: a FileData was appended. kEnd: the file is
  // at its end and closed, FileEnd was appended, state 4. kError: the read failed, or the
  // piece holds an STX or ETX byte that the frame cannot carry; the file is closed and error
  // says why. kNone in any other state. On kNone and kError frames stay as they were.
  Piece AppendNextPiece(std::string& frames, CFileError& error);

  // State 3 only: closes the file, TransferAbort, state 4. Empty otherwise.
  std::string AbortTransfer();
  // States 2, 3 and 4: closes the file, CancelRequest; state 3 becomes 4, the others stay.
  // Empty otherwise.
  std::string Cancel();
  // State 2 only: StatusRequest. Empty otherwise.
  std::string StatusRequest();
  // Close with reason 1 in any state; closes the file; state 6.
  std::string Close();

  ClientState State() const { return m_state; }
  // The flag of the last StatusReply, and the trimmed text of the last one with flag 2.
  char StatusFlag() const { return m_statusFlag; }
  const std::string& ServerStatusText() const { return m_statusText; }
  // The last DeliveryReport: its upload number and outcome character.
  std::uint32_t ReportUploadNumber() const { return m_reportUploadNumber; }
  char ReportOutcome() const { return m_reportOutcome; }

 private:
  ClientOutcome Handle(std::string_view frame);
  ClientOutcome HandleGreeting(std::string_view frame);
  ClientOutcome HandleStatusReply(std::string_view frame);
  ClientOutcome HandleDeliveryReport(std::string_view frame);

  CMessageFramer m_framer;
  std::unique_ptr<CUploadSource> m_source;
  ClientState m_state = ClientState::kAwaitingGreeting;
  std::string m_login;
  std::string m_password;
  std::string m_path;  // of the file being sent
  std::string m_reply;
  char m_statusFlag = '\0';
  std::string m_statusText;
  std::uint32_t m_reportUploadNumber = 0;
  char m_reportOutcome = '\0';
  // A cancel in state 4 returns to state 2 while the FileReceived for the file just sent is
  // still on its way; that one FileReceived is then taken, not treated as bad data.
  bool m_fileReceivedOwed = false;
};

}  // namespace trqx
