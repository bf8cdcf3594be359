#include "foundation/protocol/message_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/protocol/protocol_fakes.h"
#include "foundation/protocol/protocol_message.h"

namespace trqx {
namespace {

using test::RawFrame;

enum class Seen { kNone, kFrame, kError };

// Feeds the input in reads of the given size and returns the frames handled, with every
// frame's handler asking to stop so that each call hands back one frame.
std::vector<std::string> FrameAll(CMessageFramer& framer, const std::string& input,
                                  std::size_t readSize, int* errors = nullptr) {
  std::vector<std::string> frames;
  for (std::size_t at = 0; at < input.size(); at += readSize) {
    std::string read = input.substr(at, readSize);
    std::size_t offset = 0;
    while (offset < read.size()) {
      auto result = framer.Feed(read.data() + offset, read.size() - offset, Seen::kError,
                                [&](std::string_view frame) {
                                  frames.emplace_back(frame);
                                  return Seen::kFrame;
                                });
      if (result.outcome == Seen::kError && errors != nullptr) {
        ++*errors;
      }
      EXPECT_GT(result.consumed, 0u);
      offset += result.consumed;
    }
  }
  return frames;
}

TEST(MessageFramer, SplitsAndJoinsOfReadsGiveTheSameFrames) {
  const std::string a = wire::MakeGreeting();
  const std::string b = wire::MakeFileData(std::string(500, 'x'));
  const std::string c = wire::MakeBare(wire::kFileEnd);
  const std::string stream = a + b + c;
  for (std::size_t readSize : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{250},
                               std::size_t{511}, stream.size()}) {
    CMessageFramer framer;
    int errors = 0;
    EXPECT_EQ(FrameAll(framer, stream, readSize, &errors), (std::vector<std::string>{a, b, c}))
        << "read size " << readSize;
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(framer.Count(), 0u);
  }
}

TEST(MessageFramer, KeepsAPartialFrameAcrossCallsAndStopsRightAfterTheDecidingByte) {
  CMessageFramer framer;
  const std::string two = wire::MakeBare(wire::kFileEnd) + wire::MakeGreeting();
  // Outcome kNone for a frame lets the call go on; the partial second frame is kept.
  auto result =
      framer.Feed(two.data(), 6, Seen::kError, [](std::string_view) { return Seen::kNone; });
  EXPECT_EQ(result.outcome, Seen::kNone);
  EXPECT_EQ(result.consumed, 6u);
  EXPECT_EQ(framer.Count(), 3u);
  std::string seen;
  result = framer.Feed(two.data() + 6, two.size() - 6, Seen::kError, [&](std::string_view f) {
    seen = f;
    return Seen::kFrame;
  });
  EXPECT_EQ(result.outcome, Seen::kFrame);
  EXPECT_EQ(result.consumed, two.size() - 6);
  EXPECT_EQ(seen, wire::MakeGreeting());
}

TEST(MessageFramer, FrameLengthLimitIs511) {
  CMessageFramer framer;
  // 511 bytes with the ETX last: one frame.
  std::string longest = RawFrame('8', std::string(508, 'y'));
  ASSERT_EQ(longest.size(), 511u);
  EXPECT_EQ(FrameAll(framer, longest, 100), std::vector<std::string>{longest});

  // 512 bytes: the 512th byte finds the buffer full; the frame is dropped as an error.
  std::string tooLong = RawFrame('8', std::string(509, 'y'));
  CMessageFramer fresh;
  auto result = fresh.Feed(tooLong.data(), tooLong.size(), Seen::kError,
                           [](std::string_view) { return Seen::kFrame; });
  EXPECT_EQ(result.outcome, Seen::kError);
  EXPECT_EQ(result.consumed, 512u);
  EXPECT_EQ(fresh.Count(), 0u);
}

TEST(MessageFramer, StxInsideAFrameAndGarbageBeforeTheFirstStxAreFramingErrors) {
  for (const std::string& input :
       {std::string("\x02") + "1abc" + RawFrame('4'), std::string("garbage") + RawFrame('4'),
        std::string("x") + RawFrame('4')}) {
    CMessageFramer framer;
    bool handled = false;
    auto result = framer.Feed(input.data(), input.size(), Seen::kError, [&](std::string_view) {
      handled = true;
      return Seen::kFrame;
    });
    EXPECT_EQ(result.outcome, Seen::kError);
    EXPECT_FALSE(handled);
    // The error comes at the second STX, which is consumed with it.
    EXPECT_EQ(input[result.consumed - 1], wire::kStx);
    EXPECT_EQ(framer.Count(), 0u);
  }
}

TEST(MessageFramer, FirstByteIsNotExaminedAndAnEtxAloneIsAFrame) {
  CMessageFramer framer;
  // Garbage that ends in ETX is handed on as a frame; the dispatch judges it.
  EXPECT_EQ(FrameAll(framer, "ab\x03", 1), std::vector<std::string>{"ab\x03"});
  EXPECT_EQ(FrameAll(framer, "\x03", 1), std::vector<std::string>{"\x03"});
}

TEST(WireMessages, EveryBuilderGivesItsExactBytes) {
  EXPECT_EQ(wire::MakeGreeting(), std::string("\x02"
                                              "2    1\x03"));
  EXPECT_EQ(wire::MakeClose('1'), std::string("\x02"
                                              "31\x03"));
  EXPECT_EQ(wire::MakeClose('3'), std::string("\x02"
                                              "33\x03"));
  EXPECT_EQ(wire::MakeBare(wire::kStatusRequest), std::string("\x02"
                                                              "4\x03"));
  EXPECT_EQ(wire::MakeLogin("alice", "secret"), std::string("\x02"
                                                            "1alice          secret         \x03"));
  // Cut to 15 characters; an STX or ETX in a text field becomes a blank.
  EXPECT_EQ(wire::MakeLogin("abcdefghijklmnopq", std::string("p\x03w", 3)),
            std::string("\x02"
                        "1abcdefghijklmnop w            \x03"));
  EXPECT_EQ(wire::MakeFileStart("TRQX001.inc", 42), std::string("\x02"
                                                                "6TRQX001.inc    00000042\x03"));
  EXPECT_EQ(wire::MakeFileStart("a_very_long_file_name.inc", 123456789),
            std::string("\x02"
                        "6a_very_long_fil23456789\x03"));
  EXPECT_EQ(wire::MakeDeliveryReport('1', 7), std::string("\x02"
                                                          "D100000007\x03"));

  const std::string reply = wire::MakeStatusReply('1', "System OK");
  ASSERT_EQ(reply.size(), wire::kStatusReplyLength);
  EXPECT_EQ(reply.substr(0, 12), std::string("\x02"
                                             "51System OK"));
  EXPECT_EQ(reply.substr(12, 191), std::string(191, ' '));
  EXPECT_EQ(wire::MakeStatusReply('2', std::string(300, 'z')).substr(3, 200),
            std::string(200, 'z'));

  const std::string data = wire::MakeFileData("hello");
  ASSERT_EQ(data.size(), wire::kFileDataLength);
  EXPECT_EQ(data.substr(0, 15), std::string("\x02"
                                            "800000005hello"));
  EXPECT_EQ(data.substr(15, 495), std::string(495, ' '));
  EXPECT_EQ(data.back(), wire::kEtx);
  EXPECT_EQ(wire::MakeFileData(std::string(500, 'q')).substr(2, 8), "00000500");
}

TEST(WireMessages, FieldReaders) {
  EXPECT_EQ(wire::TrimField(" \t a b \r\n"), "a b");
  EXPECT_EQ(wire::ParseDecimal("00000500"), 500);
  EXPECT_EQ(wire::ParseDecimal("   -1   "), -1);
  EXPECT_EQ(wire::ParseDecimal("+0000012"), 12);
  EXPECT_EQ(wire::ParseDecimal("12ab"), 12);
  EXPECT_EQ(wire::ParseDecimal("abc"), 0);
  EXPECT_EQ(wire::ParseDecimal("99999999999999"), 2147483647);
  EXPECT_EQ(wire::ParseDecimal("-99999999999999"), -2147483647 - 1);
  EXPECT_EQ(wire::AccumulateDigits("00000042"), 42u);
  // Not checked to be digits: ':' is one past '9'.
  EXPECT_EQ(wire::AccumulateDigits("0000001:"), 20u);
}

}  // namespace
}  // namespace trqx
