#pragma once

#include <cstdint>

namespace trqx {

// The notification codes each worker task gives its owner (the wParam of the window
// message), and the message ids the owners use.

// The codes every task's thread procedure and log entries use.
struct TaskCodes {
  int m_started;
  int m_logEntry;
  int m_endedGood;
  int m_endedBad;
};

namespace accept_task {
inline constexpr int kStarted = 0;         // sent
inline constexpr int kClientAccepted = 1;  // sent: the accepted socket, the peer's dotted address
inline constexpr int kLogEntry = 2;        // sent
inline constexpr int kEndedGood = 3;       // posted
inline constexpr int kEndedBad = 4;        // posted
inline constexpr TaskCodes kCodes{kStarted, kLogEntry, kEndedGood, kEndedBad};
}  // namespace accept_task

namespace session_task {
inline constexpr int kStarted = 0;        // sent
inline constexpr int kLogEntry = 1;       // sent
inline constexpr int kFileReceived = 2;   // sent: upload number, spool file
inline constexpr int kCancelRequest = 3;  // posted
inline constexpr int kEndedGood = 4;      // posted
inline constexpr int kEndedBad = 5;       // posted
inline constexpr TaskCodes kCodes{kStarted, kLogEntry, kEndedGood, kEndedBad};
}  // namespace session_task

namespace client_task {
inline constexpr int kStarted = 0;             // sent
inline constexpr int kLogEntry = 1;            // sent
inline constexpr int kDeliveryReport = 2;      // posted (upload number, outcome)
inline constexpr int kFileAcknowledged = 3;    // posted
inline constexpr int kCancelAcknowledged = 4;  // posted
inline constexpr int kServerStatusText = 5;    // posted
inline constexpr int kEndedGood = 6;           // posted
inline constexpr int kEndedBad = 7;            // posted
inline constexpr TaskCodes kCodes{kStarted, kLogEntry, kEndedGood, kEndedBad};
}  // namespace client_task

// Window message ids of the notifications.
namespace task_message {
inline constexpr std::uint32_t kServerAccept = 1025;
inline constexpr std::uint32_t kServerFtp = 1026;
inline constexpr std::uint32_t kServerSession = 1027;
inline constexpr std::uint32_t kClientUploadProgress = 1126;  // from the upload progress window
inline constexpr std::uint32_t kClientConnection = 1127;
inline constexpr std::uint32_t kClientLoggedIn = 1128;  // posted, no data
}  // namespace task_message

}  // namespace trqx
