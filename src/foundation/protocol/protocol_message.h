#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trqx {

// The frames that the client and the server exchange: STX, one type character, a
// fixed-width body, ETX. Every number on the wire is ASCII decimal.
namespace wire {

inline constexpr char kStx = '\x02';
inline constexpr char kEtx = '\x03';
inline constexpr std::size_t kMaxFrameLength = 511;  // STX and ETX included
inline constexpr std::size_t kMinFrameLength = 3;    // STX, type, ETX
inline constexpr std::size_t kMaxPiece = 500;        // file bytes carried by one FileData

// Message types (byte 1 of a frame).
inline constexpr char kLogin = '1';
inline constexpr char kGreeting = '2';
inline constexpr char kClose = '3';
inline constexpr char kStatusRequest = '4';
inline constexpr char kStatusReply = '5';
inline constexpr char kFileStart = '6';
inline constexpr char kFileEnd = '7';
inline constexpr char kFileData = '8';
inline constexpr char kFileReceived = '9';
inline constexpr char kCancelAck = 'A';
inline constexpr char kTransferAbort = 'B';
inline constexpr char kCancelRequest = 'C';
inline constexpr char kDeliveryReport = 'D';

// Whole lengths of the fixed messages, STX and ETX included.
inline constexpr std::size_t kLoginLength = 33;
inline constexpr std::size_t kGreetingLength = 8;
inline constexpr std::size_t kCloseLength = 4;
inline constexpr std::size_t kStatusReplyLength = 204;
inline constexpr std::size_t kFileStartLength = 26;
inline constexpr std::size_t kFileDataLength = 511;
inline constexpr std::size_t kDeliveryReportLength = 12;

// Field widths and positions (offsets from the frame's first byte).
inline constexpr std::size_t kNameWidth = 15;  // login name, password, file name
inline constexpr std::size_t kVersionWidth = 5;
inline constexpr std::size_t kStatusTextWidth = 200;
inline constexpr std::size_t kUploadNumberWidth = 8;
inline constexpr std::size_t kPieceLengthWidth = 8;
inline constexpr std::size_t kLoginNameOffset = 2;
inline constexpr std::size_t kPasswordOffset = 17;
inline constexpr std::size_t kVersionOffset = 2;
inline constexpr std::size_t kStatusFlagOffset = 2;
inline constexpr std::size_t kStatusTextOffset = 3;
inline constexpr std::size_t kFileUploadNumberOffset = 17;
inline constexpr std::size_t kPieceLengthOffset = 2;
inline constexpr std::size_t kPieceOffset = 10;
inline constexpr std::size_t kReportOutcomeOffset = 2;
inline constexpr std::size_t kReportUploadNumberOffset = 3;

inline constexpr int kProtocolVersion = 1;

// Close reasons.
inline constexpr char kCloseOrderly = '1';
inline constexpr char kCloseBadLogin = '3';

// StatusReply flags.
inline constexpr char kStatusNormal = '1';
inline constexpr char kStatusShowText = '2';

// DeliveryReport outcomes.
inline constexpr char kDeliveryForwarded = '1';
inline constexpr char kDeliveryFailed = '2';
inline constexpr char kDeliveryCancelled = '3';
inline constexpr char kDeliveryTaskEnded = '6';

// Builders. Text fields are cut to their width and padded with blanks; a 0x02 or 0x03 in a
// text field becomes a blank, since either would break the frame. Numbers are printed
// zero-padded to 8 digits, modulo 100000000.
std::string MakeLogin(std::string_view loginName, std::string_view password);
std::string MakeGreeting();
std::string MakeClose(char reason);
std::string MakeStatusReply(char flag, std::string_view text);
std::string MakeFileStart(std::string_view fileName, std::uint32_t uploadNumber);
// piece holds at most 500 bytes; the data area is padded with blanks to 500.
std::string MakeFileData(std::string_view piece);
// The same FileData appended to frames, which a sender reuses for a run of pieces.
void AppendFileData(std::string& frames, std::string_view piece);
std::string MakeDeliveryReport(char outcome, std::uint32_t uploadNumber);
// The bodiless messages: StatusRequest, FileEnd, FileReceived, CancelAck, TransferAbort,
// CancelRequest.
std::string MakeBare(char type);

// Readers of received fields.
// The field without leading and trailing white space (the C locale's isspace set).
std::string_view TrimField(std::string_view field);
// The ordinary decimal conversion of the trimmed field: an optional sign, then digits up
// to the first other character; 0 without digits. Values beyond int's range saturate.
int ParseDecimal(std::string_view field);
// Accumulates value * 10 + (c - '0') over every character without checking that it is a
// digit, in unsigned 32-bit arithmetic (wrapping, never undefined).
std::uint32_t AccumulateDigits(std::string_view field);

}  // namespace wire
}  // namespace trqx
