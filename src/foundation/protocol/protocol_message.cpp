#include "foundation/protocol/protocol_message.h"

#include <climits>
#include <cstdio>

#include "foundation/text.h"

namespace trqx::wire {
namespace {

constexpr std::uint32_t kUploadNumberModulus = 100000000;

std::string Begin(char type, std::size_t length) {
  std::string frame;
  frame.reserve(length);
  frame.push_back(kStx);
  frame.push_back(type);
  return frame;
}

std::string& End(std::string& frame) {
  frame.push_back(kEtx);
  return frame;
}

void AppendText(std::string& frame, std::string_view text, std::size_t width) {
  std::size_t used = text.size() < width ? text.size() : width;
  for (std::size_t i = 0; i < used; ++i) {
    char c = text[i];
    frame.push_back(c == kStx || c == kEtx ? ' ' : c);
  }
  frame.append(width - used, ' ');
}

void AppendNumber(std::string& frame, std::uint32_t value) {
  char digits[kUploadNumberWidth + 1];
  std::snprintf(digits, sizeof digits, "%08u", value % kUploadNumberModulus);
  frame.append(digits, kUploadNumberWidth);
}

}  // namespace

std::string MakeLogin(std::string_view loginName, std::string_view password) {
  std::string frame = Begin(kLogin, kLoginLength);
  AppendText(frame, loginName, kNameWidth);
  AppendText(frame, password, kNameWidth);
  return End(frame);
}

std::string MakeGreeting() {
  std::string frame = Begin(kGreeting, kGreetingLength);
  frame.append("    1");
  return End(frame);
}

std::string MakeClose(char reason) {
  std::string frame = Begin(kClose, kCloseLength);
  frame.push_back(reason);
  return End(frame);
}

std::string MakeStatusReply(char flag, std::string_view text) {
  std::string frame = Begin(kStatusReply, kStatusReplyLength);
  frame.push_back(flag);
  AppendText(frame, text, kStatusTextWidth);
  return End(frame);
}

std::string MakeFileStart(std::string_view fileName, std::uint32_t uploadNumber) {
  std::string frame = Begin(kFileStart, kFileStartLength);
  AppendText(frame, fileName, kNameWidth);
  AppendNumber(frame, uploadNumber);
  return End(frame);
}

std::string MakeFileData(std::string_view piece) {
  std::string frame;
  AppendFileData(frame, piece);
  return frame;
}

void AppendFileData(std::string& frames, std::string_view piece) {
  if (piece.size() > kMaxPiece) {
    piece = piece.substr(0, kMaxPiece);
  }
  // Written in place: this runs once per 500 bytes of every upload.
  const std::size_t start = frames.size();
  frames.resize(start + kFileDataLength, ' ');
  char* frame = frames.data() + start;
  frame[0] = kStx;
  frame[1] = kFileData;
  std::size_t length = piece.size();
  for (std::size_t i = kPieceOffset; i > kPieceLengthOffset; length /= 10) {
    frame[--i] = static_cast<char>('0' + length % 10);
  }
  piece.copy(frame + kPieceOffset, piece.size());
  frame[kFileDataLength - 1] = kEtx;
}

std::string MakeDeliveryReport(char outcome, std::uint32_t uploadNumber) {
  std::string frame = Begin(kDeliveryReport, kDeliveryReportLength);
  frame.push_back(outcome);
  AppendNumber(frame, uploadNumber);
  return End(frame);
}

std::string MakeBare(char type) {
  std::string frame = Begin(type, kMinFrameLength);
  return End(frame);
}

std::string_view TrimField(std::string_view field) {
  return TrimCSpace(field);
}

int ParseDecimal(std::string_view field) {
  field = TrimField(field);
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  long long value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') {
      break;
    }
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;
    }
  }
  if (negative) {
    return static_cast<int>(-value);
  }
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::uint32_t AccumulateDigits(std::string_view field) {
  std::uint32_t value = 0;
  for (char c : field) {
    // Characters count as signed, as the peers built on signed char read them.
    value = value * 10u + static_cast<std::uint32_t>(static_cast<signed char>(c) - '0');
  }
  return value;
}

}  // namespace trqx::wire
