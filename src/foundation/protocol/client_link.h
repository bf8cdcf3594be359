#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/protocol/client_protocol.h"

namespace trqx {

// One outcome of received bytes with the data the connection task hands on.
struct CClientEvent {
  ClientOutcome m_outcome = ClientOutcome::kNone;
  bool m_showStatusText = false;     // kStatus: the reply's flag was 2
  std::string m_statusText;          // kStatus with m_showStatusText
  std::uint32_t m_uploadNumber = 0;  // kDeliveryReport
  char m_reportOutcome = '\0';       // kDeliveryReport
};

// The client side of the connection without its socket: the protocol and the outgoing
// slots, taken in the order final Close, pending requests (FileStart, TransferAbort,
// CancelRequest, oldest first), the protocol's own reply (Login), then, with nothing else
// waiting, the next file pieces in state 3 or the idle poll (StatusRequest) in state 2 once
// more than 20 s have passed since the last message was taken. Times are whole seconds.
// The file goes out in runs of up to kPiecesPerTake FileData frames (the last run ending
// with the FileEnd) taken as one message: the bytes on the wire are the same as piece by
// piece, the socket is written once per run instead of once per 511 bytes, and a request
// made meanwhile waits for at most one run (8 KB) before it goes out.
// No lock of its own: the connection task and the owner call it only under the task's lock.
class CClientLink {
 public:
  static constexpr std::time_t kIdlePollSeconds = 20;
  static constexpr std::size_t kPiecesPerTake = 16;

  explicit CClientLink(
      std::unique_ptr<CUploadSource> source = std::make_unique<CDiskUploadSource>());

  // Starts the protocol in state 0 with empty slots; the idle poll counts from now.
  void Start(std::string_view login, std::string_view password, std::time_t now);

  // Handles all received bytes, appending one event per outcome other than kNone. Stops at
  // a framing error, bad data or a bad version (the last event, the connection ends).
  void Receive(std::string_view bytes, std::vector<CClientEvent>& events);

  enum class Take { kNothing, kMessage, kFileError };
  // The next message (or run of file pieces) by priority (kMessage, message filled), taken
  // at now. kFileError: the file being sent could not be read (error says why), the
  // connection must end; message is then empty.
  Take TakeNextMessage(std::time_t now, std::string& message, CFileError& error);
  // The second at which the idle poll falls due, while it is what would be sent next.
  std::optional<std::time_t> IdleDeadline() const;

  // The owner's requests. SendFile: state 2 only, the FileStart is queued (false, nothing
  // queued, in other states or when the file cannot be opened: error says why).
  bool SendFile(std::string_view fileName, const std::string& path, std::uint32_t uploadNumber,
                CFileError& error);
  // State 3 only: the file is closed and TransferAbort queued.
  bool AbortTransfer();
  // States 2, 3 and 4: the file is closed and CancelRequest queued.
  bool Cancel();
  // A request never replaces one still waiting: a FileStart not yet sent goes out before
  // the abort or cancel that follows it, so the server sees them in the order made.

  // The orderly close by the local side: pending requests and the reply are dropped, Close
  // (reason 1) becomes the final message, state 6. False, nothing changes, when closing
  // already.
  bool BeginClose();

  // Whether the no-data timer runs: states 0, 1, 2 and 4.
  bool ExpectsData() const;
  // State 5: the server's Close arrived.
  bool ClosedByServer() const { return m_protocol.State() == ClientState::kClosedByServer; }
  const CClientProtocol& Protocol() const { return m_protocol; }

 private:
  void Queue(std::string request);

  CClientProtocol m_protocol;
  std::string m_final;
  std::deque<std::string> m_requests;
  std::string m_reply;
  std::time_t m_lastStart = 0;
};

}  // namespace trqx
