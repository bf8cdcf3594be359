#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/protocol/server_protocol.h"

namespace trqx {

// One outcome of received bytes with the data the session task hands on: the spool file
// and upload number of a received file, the failure behind a file error.
struct CServerEvent {
  ServerOutcome m_outcome = ServerOutcome::kNone;
  std::string m_spoolFileName;
  std::uint32_t m_uploadNumber = 0;
  CFileError m_fileError;
};

// The server side of one connection without its socket: the protocol and the outgoing
// message slots, taken in the order final Close, status reply, other replies (Greeting,
// FileReceived, CancelAck, Close reason 3), then the pending DeliveryReports (at most 10).
// No lock of its own: the session task calls it only while it holds the lock all server
// tasks share, and the owner's calls (QueueDeliveryReport) take that lock too.
class CServerLink {
 public:
  static constexpr std::size_t kMaxPendingReports = 10;

  explicit CServerLink(std::unique_ptr<CSpoolFile> spool = std::make_unique<CDiskSpoolFile>(),
                       CSpoolCounter& counter = ProcessSpoolCounter());

  // Starts the protocol (CServerProtocol::Start) with empty slots; the Greeting waits to
  // be sent first.
  void Start(std::string_view login, std::string_view password, std::string_view sessionDirectory,
             std::string_view fileNameStem, char statusFlag, std::string_view statusText);

  // Handles all received bytes, appending one event per outcome other than kNone and
  // putting each reply in its slot. Stops at a framing error or bad data (the last event,
  // the session ends); the bytes after it are not looked at.
  void Receive(std::string_view bytes, std::vector<CServerEvent>& events);

  // The next message to send by priority, out of its slot; empty when none waits.
  std::string TakeNextMessage();

  // The orderly close by the local side: pending replies and reports are dropped and the
  // Close (reason 1) becomes the final message, state 4. False, and nothing changes, when
  // the session is in state 4 already (a bad login's Close 3 stays and goes out).
  bool BeginClose();

  // Queues a DeliveryReport (the owner's call). False, nothing queued, outside states 1
  // and 2 or when 10 are pending already.
  bool QueueDeliveryReport(std::uint32_t uploadNumber, char outcome);
  std::size_t PendingReports() const { return m_reports.size(); }

  // State 3: the client's Close arrived.
  bool ClosedByClient() const { return m_protocol.State() == ServerState::kClosedByClient; }
  const CServerProtocol& Protocol() const { return m_protocol; }

 private:
  CServerProtocol m_protocol;
  std::string m_final;
  std::string m_statusReply;
  std::string m_reply;
  std::deque<std::string> m_reports;
};

}  // namespace trqx
