#pragma once

#include <cstdint>

namespace trqx::server_strings {

// Numbered message texts of VEXOServer (ServerStrings()). "%1" and "%2" are replaced by
// the entry's first two arguments. The numbers the server shares in meaning with the
// client (101-103, 113, 137) are the client's.

// Start-up and main window (category SYSTEM).
inline constexpr std::uint32_t kMsgAboutMenuItem = 101;  // "&About VEXOServer..."
inline constexpr std::uint32_t kMsgSystemStarting = 102;
inline constexpr std::uint32_t kMsgSystemEnding = 138;
// A file error: %1 the code, %2 the file name or function. Shown in a message box when the
// log file cannot be opened; logged by a session whose spool file fails and when a
// received file cannot be prepared for forwarding.
inline constexpr std::uint32_t kMsgFileError = 103;
// A system call failed: %1 the code, %2 the failing call's text. Every task and the main
// window use it.
inline constexpr std::uint32_t kMsgSystemError = 113;
// The serial number or user UUID could not be read: %1 the key, %2 the code.
inline constexpr std::uint32_t kMsgRegistryReadFailed = 137;

// Accept task and admission of clients (category SERVER).
inline constexpr std::uint32_t kMsgAcceptTaskStarted = 140;
inline constexpr std::uint32_t kMsgAcceptTaskEndedGood = 141;
inline constexpr std::uint32_t kMsgAcceptTaskEndedBad = 142;
inline constexpr std::uint32_t kMsgTooManyClients = 143;  // %1 the peer address
inline constexpr std::uint32_t kMsgInvalidClient = 144;   // %1 the peer address
inline constexpr std::uint32_t kMsgNoAvailableId = 145;
inline constexpr std::uint32_t kMsgAcceptedRemoteHost = 146;  // %1 the peer address
// A socket event reported an error (accept task and sessions): %1 the code, %2 the event
// name or "Accept(...)".
inline constexpr std::uint32_t kMsgSocketError = 147;
inline constexpr std::uint32_t kMsgUnexpectedSocketClose = 148;

// Client sessions (category CLIENT); they also use 103, 113, 147 and 148.
inline constexpr std::uint32_t kMsgReceivedBadData = 150;
inline constexpr std::uint32_t kMsgReceivedCloseMessage = 151;
inline constexpr std::uint32_t kMsgBadLogin = 152;
inline constexpr std::uint32_t kMsgTransmissionCancelled = 153;
inline constexpr std::uint32_t kMsgCancelRequestReceived = 154;
inline constexpr std::uint32_t kMsgTimeoutNoData = 155;
inline constexpr std::uint32_t kMsgTimeoutSendingMessage = 156;
inline constexpr std::uint32_t kMsgHardSocketClose = 157;

// Event texts of the remote host history list.
inline constexpr std::uint32_t kHistTooManyClients = 160;
inline constexpr std::uint32_t kHistInvalidClient = 161;
inline constexpr std::uint32_t kHistNoFreeResources = 162;
inline constexpr std::uint32_t kHistAccepted = 163;
inline constexpr std::uint32_t kHistFileReceived = 164;  // %1 the spool file's base name
inline constexpr std::uint32_t kHistCancelRequest = 165;
inline constexpr std::uint32_t kHistOffline = 166;
inline constexpr std::uint32_t kHistOfflineError = 167;

// FTP forwarding (category FTP).
inline constexpr std::uint32_t kMsgFtpTaskStarted = 170;
inline constexpr std::uint32_t kMsgFtpTaskEndedGood = 171;
inline constexpr std::uint32_t kMsgFtpTaskEndedBad = 172;
// The outcome of one put: %1 the local path, %2 kMsgSuccessfullySent or kMsgFailedOnSend.
inline constexpr std::uint32_t kMsgPutOutcome = 173;
inline constexpr std::uint32_t kMsgSwitchingServers = 174;
inline constexpr std::uint32_t kMsgQueueFull = 175;
// Connecting to an FTP host failed: %1 the error code, %2 the context value.
inline constexpr std::uint32_t kMsgInternetException = 176;
inline constexpr std::uint32_t kMsgSuccessfullySent = 177;
inline constexpr std::uint32_t kMsgFailedOnSend = 178;

}  // namespace trqx::server_strings
