#include "foundation/protocol/message_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/protocol/protocol_fakes.h"

namespace trqx {
namespace {

using test::RawFrame;

enum class Seen { kNone, kFrame, kError };

// Feeds input in reads of readSize bytes, each handled frame ending the call. Returns each
// frame, or "ERR" for the first framing error, with the input offset just after the byte
// that decided it, and the size of a partial frame left at the end.
std::vector<std::string> FrameAll(const std::string& input, std::size_t readSize) {
  CMessageFramer framer;
  std::vector<std::string> seen;
  for (std::size_t read = 0; read < input.size(); read += readSize) {
    std::string_view chunk = std::string_view(input).substr(read, readSize);
    for (std::size_t at = 0; at < chunk.size();) {
      std::string frame;
      auto result = framer.Feed(chunk.data() + at, chunk.size() - at, Seen::kError,
                                [&](std::string_view f) { return frame = f, Seen::kFrame; });
      at += result.consumed;
      if (result.outcome != Seen::kNone) {
        seen.push_back((result.outcome == Seen::kError ? "ERR" : frame) + "@" +
                       std::to_string(read + at));
      }
      if (result.outcome == Seen::kError) {
        return seen;
      }
    }
  }
  if (framer.Count() != 0) {
    seen.push_back("partial " + std::to_string(framer.Count()));
  }
  return seen;
}

TEST(MessageFramer, FramesAreTheSameForEverySplitAndJoinOfTheReads) {
  const std::string greeting = wire::MakeGreeting();
  const std::string data = wire::MakeFileData(std::string(500, 'x'));
  const std::string end = wire::MakeBare(wire::kFileEnd);
  const std::string longest = RawFrame('8', std::string(508, 'y'));  // 511 bytes
  const std::string garbage = "garbage" + end;
  struct Row {
    std::string input;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {greeting + data + end, {greeting + "@8", data + "@519", end + "@522"}},
      {longest + end, {longest + "@511", end + "@514"}},
      {RawFrame('8', std::string(509, 'y')), {"ERR@512"}},  // 512 bytes
      {std::string("\x02") + "1abc" + end, {"ERR@6"}},      // STX inside a frame
      {garbage, {"ERR@8"}},                                 // garbage before the STX
      {"ab\x03" + end, {"ab\x03@3", end + "@6"}},           // the first byte is not examined
      {"\x03", {"\x03@1"}},
      {greeting + greeting.substr(0, 4), {greeting + "@8", "partial 4"}},
  };
  for (const Row& row : rows) {
    for (std::size_t readSize : {1, 2, 7, 250, 511, 4096}) {
      EXPECT_EQ(FrameAll(row.input, readSize), row.expected)
          << "read size " << readSize << " input " << row.input.substr(0, 20);
    }
  }
}

TEST(WireMessages, EveryMessageHasItsExactBytes) {
  const std::string stx(1, wire::kStx);
  const std::string etx(1, wire::kEtx);
  const std::pair<std::string, std::string> rows[] = {
      {wire::MakeLogin("alice", "secret"), stx + "1alice          secret         " + etx},
      // Cut to 15 characters; an STX or ETX in a text field becomes a blank.
      {wire::MakeLogin("abcdefghijklmnopq", "p\x03w"),
       stx + "1abcdefghijklmno" + "p w" + std::string(12, ' ') + etx},
      {wire::MakeGreeting(), stx + "2    1" + etx},
      {wire::MakeClose('1'), stx + "31" + etx},
      {wire::MakeClose('3'), stx + "33" + etx},
      {wire::MakeStatusReply('1', "System OK"), stx + "51System OK" + std::string(191, ' ') + etx},
      {wire::MakeStatusReply('2', std::string(300, 'z')), stx + "52" + std::string(200, 'z') + etx},
      {wire::MakeFileStart("TRQX001.inc", 42), stx + "6TRQX001.inc    00000042" + etx},
      {wire::MakeFileStart("a_very_long_file_name.inc", 123456789),
       stx + "6a_very_long_fil23456789" + etx},
      {wire::MakeFileData("hello"), stx + "800000005hello" + std::string(495, ' ') + etx},
      {wire::MakeFileData(std::string(500, 'q')), stx + "800000500" + std::string(500, 'q') + etx},
      {wire::MakeDeliveryReport('1', 7), stx + "D100000007" + etx},
  };
  for (const auto& [built, expected] : rows) {
    EXPECT_EQ(built, expected);
  }
  for (char type : {'4', '7', '9', 'A', 'B', 'C'}) {  // the messages without a body
    EXPECT_EQ(wire::MakeBare(type), stx + type + etx);
  }
}

}  // namespace
}  // namespace trqx
