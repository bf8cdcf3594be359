#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "foundation/protocol/message_framer.h"
#include "foundation/protocol/spool_file.h"

namespace trqx {

enum class ServerState {
  kAwaitingLogin = 0,
  kLoggedIn = 1,
  kReceivingFile = 2,
  kClosedByClient = 3,
  kEnded = 4,  // bad login or local stop
};

// What a received frame means to the session task.
enum class ServerOutcome {
  kNone,
  kFramingError,
  kBadData,
  kLoggedIn,
  kBadLogin,
  kCloseReceived,
  kStatus,
  kFileStarted,
  kFileError,  // FileError() tells which call failed on which file
  kFileReceived,
  kTransferAborted,
  kCancelRequest,
};

// The server's half of the wire protocol for one connection: frames in, outcomes and at most
// one reply out, received files written through a CSpoolFile. No sockets, no clock, no lock
// of its own: the session task uses it only under the lock all server tasks share.
class CServerProtocol {
 public:
  using FeedResult = CMessageFramer::FeedResult<ServerOutcome>;

  // spool writes the received files; counter numbers them (the process's own by default).
  explicit CServerProtocol(std::unique_ptr<CSpoolFile> spool = std::make_unique<CDiskSpoolFile>(),
                           CSpoolCounter& counter = ProcessSpoolCounter());

  // Resets to state 0 with trimmed copies of the configured login and password, sets the
  // spool prefix (session directory, '/', stem, "vexo"; a '/' in the stem becomes '_' so
  // that no file leaves the session directory) and puts the Greeting in the reply buffer.
  void Start(std::string_view login, std::string_view password, std::string_view sessionDirectory,
             std::string_view fileNameStem, char statusFlag, std::string_view statusText);

  // Handles received bytes (CMessageFramer::Feed): stops after the first frame with an
  // outcome other than kNone, or after a framing error; feed the rest again.
  FeedResult Feed(const char* data, std::size_t count);

  // The reply produced by the last handled frame (or the Greeting after Start), taken out of
  // the buffer; empty when there is none.
  std::string TakeReply();
  bool HasReply() const { return !m_reply.empty(); }

  // The 12-byte DeliveryReport, only in states 1 and 2; empty otherwise.
  std::string MakeDeliveryReport(std::uint32_t uploadNumber, char outcome) const;
  // Close with reason 1; closes any open spool file and enters state 4. Empty (nothing
  // changes) when already in state 4.
  std::string MakeClose();

  ServerState State() const { return m_state; }
  // The spool file of the last FileStart (full name) and that upload's number.
  const std::string& SpoolFileName() const { return m_spoolFileName; }
  std::uint32_t UploadNumber() const { return m_uploadNumber; }
  // The failure behind the last kFileError.
  const CFileError& FileError() const { return m_fileError; }
  const std::string& SpoolPrefix() const { return m_spoolPrefix; }

 private:
  ServerOutcome Handle(std::string_view frame);
  ServerOutcome HandleLogin(std::string_view frame);
  ServerOutcome HandleFileStart(std::string_view frame);
  ServerOutcome HandleFileData(std::string_view frame);
  ServerOutcome HandleFileEnd();
  // Closes the spool file; a failing close is kept in m_fileError and reported false.
  bool CloseSpool();

  CMessageFramer m_framer;
  std::unique_ptr<CSpoolFile> m_spool;
  CSpoolCounter& m_counter;
  ServerState m_state = ServerState::kAwaitingLogin;
  std::string m_login;
  std::string m_password;
  std::string m_spoolPrefix;
  std::string m_spoolFileName;
  std::uint32_t m_uploadNumber = 0;
  char m_statusFlag = '1';
  std::string m_statusText;
  std::string m_reply;
  CFileError m_fileError;
};

}  // namespace trqx
