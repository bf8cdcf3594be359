#pragma once

#include <cstdint>

namespace trqx::client_strings {

// Numbered message texts of TRQXClient (ClientStrings()). "%1" and "%2" are replaced by
// the entry's first two arguments.

// Start-up and main window.
inline constexpr std::uint32_t kMsgAboutMenuItem = 101;  // system menu item "&About TRQXClient..."
inline constexpr std::uint32_t kMsgSystemStartup = 102;  // first entry of every run, INFO
// A file error: %1 the file name (or the failing function's text), %2 the system code.
// Shown in a message box when the log file cannot be opened; logged for the field format
// file, the value lists, the settings file, the poller's copy and the connection task.
inline constexpr std::uint32_t kMsgFileError = 103;
// The field format file has bad contents: %1 its name.
inline constexpr std::uint32_t kMsgBadFormatFile = 104;
// A registry value could not be read (serial number, user UUID): %1 the key, %2 the code.
inline constexpr std::uint32_t kMsgRegistryReadFailed = 137;

// Upload flow (category FTP for one file's upload, SYSTEM for 129).
inline constexpr std::uint32_t kMsgAttemptingUpload = 105;  // %1 the desk file path
// The conversion failed with a file error: %1 the system code, %2 the function.
inline constexpr std::uint32_t kMsgUploadFileError = 107;
inline constexpr std::uint32_t kMsgUploadFailedNoMapping = 108;  // %1 the desk file path
inline constexpr std::uint32_t kMsgNoMappingFound = 109;         // %1 the desk file path
inline constexpr std::uint32_t kMsgUploadingFile = 129;          // %1 path and " (bid=...)"
inline constexpr std::uint32_t kMsgUuidNotPositive = 131;        // upload file's UUID is 0
inline constexpr std::uint32_t kMsgPricingNumberNotZero = 133;   // terminal uploads only

// Terminal upload program.
// Starting or watching the program failed: %1 the system code, %2 the function.
inline constexpr std::uint32_t kMsgTerminalAccessFailed = 110;
inline constexpr std::uint32_t kMsgTerminalUploadSucceeded = 111;
// The program ended with a non-zero exit code; the text holds only "%2", so the code is
// passed as the second argument (the first is not shown).
inline constexpr std::uint32_t kMsgTerminalUploadFailed = 112;

// A worker's system error (connection task, directory notification task): %1 the code,
// %2 the failing call's text.
inline constexpr std::uint32_t kMsgSystemError = 113;

// Free text: the whole message is the only argument. Settings file, poller, terminal
// command line and spreadsheet conversion entries use it.
inline constexpr std::uint32_t kMsgFreeText = 130;

// Connection task to the upload server (category SERVER), and the main window's entry
// when that task has ended (category SYSTEM).
inline constexpr std::uint32_t kMsgConnectionEstablished = 114;
inline constexpr std::uint32_t kMsgReceivedCloseMessage = 115;
inline constexpr std::uint32_t kMsgConnectionHardClose = 116;
inline constexpr std::uint32_t kMsgTimeoutNoData = 117;
inline constexpr std::uint32_t kMsgConnectionUnexpectedlyClosed = 118;
// A socket event reported an error: %1 the code, %2 the event name ("FD_READ", ...).
inline constexpr std::uint32_t kMsgSocketEventError = 119;
inline constexpr std::uint32_t kMsgSpuriousUnblock = 120;
inline constexpr std::uint32_t kMsgReceivedBadData = 121;
inline constexpr std::uint32_t kMsgReceivedBadVersion = 122;
inline constexpr std::uint32_t kMsgTimeoutSendingMessage = 123;
inline constexpr std::uint32_t kMsgClientTaskEnded = 124;

}  // namespace trqx::client_strings
