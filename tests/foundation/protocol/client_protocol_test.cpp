#include "foundation/protocol/client_protocol.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/protocol/client_link.h"
#include "foundation/protocol/protocol_fakes.h"

namespace trqx {
namespace {

using test::RawFrame;
using O = ClientOutcome;

class ClientProtocolTest : public ::testing::Test {
 protected:
  ClientProtocolTest() { m_disk.files["/up/f.inc"] = "hello"; }

  O Feed(const std::string& frame) {
    auto result = m_protocol.Feed(frame.data(), frame.size());
    EXPECT_EQ(result.consumed, frame.size());
    return result.outcome;
  }
  // Brings the protocol to a state (0 .. 6) through its ordinary path.
  void Reach(int state) {
    m_protocol.Start("alice", "secret");
    CFileError error;
    std::string piece;
    const std::function<void()> steps[] = {
        [&] { Feed(wire::MakeGreeting()); },
        [&] { Feed(wire::MakeGreeting()); },
        [&] { m_protocol.BeginFile("f.inc", "/up/f.inc", 1, error); },
        [&] {
          while (m_protocol.NextPiece(piece, error) == CClientProtocol::Piece::kData) {
          }
        },
        [&] { Feed(wire::MakeClose('1')); },
        [&] { m_protocol.Close(); }};
    for (int step = 0; step < state; ++step) {
      if (state <= 4 || step == state - 1) {
        steps[step]();
      }
    }
    ASSERT_EQ(static_cast<int>(m_protocol.State()), state);
  }

  test::FakeUploadDisk m_disk;
  CClientProtocol m_protocol{std::make_unique<test::FakeUploadSource>(m_disk)};
};

TEST_F(ClientProtocolTest, EachMessageInEachStateGivesItsOutcomeAndState) {
  const O B = O::kBadData, N = O::kNone, C = O::kCloseReceived, S = O::kStatus,
          D = O::kDeliveryReport, A = O::kCancelAcknowledged;
  struct Row {
    std::string frame;
    O outcomes[7];      // in states 0 .. 6
    const char* after;  // the state after, per state
  };
  const Row rows[] = {
      {wire::MakeGreeting(), {O::kLoginSent, O::kLoggedIn, B, B, B, N, N}, "1223456"},
      {wire::MakeClose('3'), {C, C, C, C, C, N, N}, "5555556"},
      {wire::MakeStatusReply('1', ""), {B, B, S, S, S, N, N}, "0123456"},
      {wire::MakeDeliveryReport('1', 3), {B, B, D, D, D, N, N}, "0123456"},
      {RawFrame('A'), {B, B, B, A, A, N, N}, "0122256"},
      {RawFrame('9'), {B, B, B, B, O::kFileAcknowledged, N, N}, "0123256"},
      {RawFrame('5', "2short"), {B, B, B, B, B, N, N}, "0123456"},
      {RawFrame('D', "1000"), {B, B, B, B, B, N, N}, "0123456"},
      {RawFrame('1'), {B, B, B, B, B, N, N}, "0123456"},
      {RawFrame('4'), {B, B, B, B, B, N, N}, "0123456"},
      {wire::MakeFileData("x"), {B, B, B, B, B, N, N}, "0123456"},
      {RawFrame('Z'), {B, B, B, B, B, N, N}, "0123456"},
      {std::string("\x02\x03"), {B, B, B, B, B, B, B}, "0123456"},  // too short in any state
  };
  for (const Row& row : rows) {
    for (int state = 0; state < 7; ++state) {
      Reach(state);
      SCOPED_TRACE("type " + row.frame.substr(1, 1) + " in state " + std::to_string(state));
      EXPECT_EQ(Feed(row.frame), row.outcomes[state]);
      EXPECT_EQ(static_cast<int>(m_protocol.State()), row.after[state] - '0');
    }
  }
  const std::pair<const char*, O> versions[] = {
      {"00001", O::kLoginSent}, {"    2", O::kBadVersion}, {"     ", O::kBadVersion}, {"1", B}};
  for (auto [version, outcome] : versions) {
    Reach(0);
    EXPECT_EQ(Feed(RawFrame(wire::kGreeting, version)), outcome) << version;
  }
  EXPECT_EQ(m_protocol.TakeReply(), "");
}

TEST_F(ClientProtocolTest, OperationsByState) {
  CFileError error;
  struct Op {
    std::function<std::string()> call;
    std::string message;
    const char* madeIn;  // the states that build the message
    const char* after;   // the state after, per state
  };
  const Op ops[] = {
      {[&] { return m_protocol.AbortTransfer(); }, RawFrame('B'), "3", "0124456"},
      {[&] { return m_protocol.Cancel(); }, RawFrame('C'), "234", "0124256"},
      {[&] { return m_protocol.StatusRequest(); }, RawFrame('4'), "2", "0123456"},
      {[&] { return m_protocol.BeginFile("/up/f.inc", "/up/f.inc", 100000001, error); },
       wire::MakeFileStart("f.inc", 1), "2", "0133456"},
  };
  for (const Op& op : ops) {
    for (int state = 0; state < 7; ++state) {
      Reach(state);
      bool made = std::string_view(op.madeIn).find(char('0' + state)) != std::string_view::npos;
      EXPECT_EQ(op.call(), made ? op.message : "") << op.message << " in state " << state;
      EXPECT_EQ(static_cast<int>(m_protocol.State()), op.after[state] - '0');
    }
  }
  // A cancel while awaiting FileReceived takes the one FileReceived still on its way.
  Reach(4);
  EXPECT_EQ(m_protocol.Cancel(), RawFrame('C'));
  EXPECT_EQ(Feed(RawFrame('9')), O::kFileAcknowledged);
  EXPECT_EQ(Feed(RawFrame('9')), O::kBadData);
  // A file that cannot be opened, read or framed.
  Reach(2);
  EXPECT_EQ(m_protocol.BeginFile("missing.inc", "/up/missing.inc", 1, error), "");
  EXPECT_EQ(error.m_cause, FileErrorCause::kOpen);
  std::string message;
  for (bool failRead : {false, true}) {
    m_disk.files["/up/f.inc"] = "ab\x03";
    m_disk.failRead = failRead;
    Reach(3);
    EXPECT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kError);
    EXPECT_EQ(message, "");
  }
}

TEST(ClientLink, IdlePollAfter20sOnlyWhenIdleAndACloseDropsTheRequests) {
  test::FakeUploadDisk disk;
  disk.files["/f.inc"] = std::string(700, 'k');
  CClientLink link(std::make_unique<test::FakeUploadSource>(disk));
  std::time_t now = 1000;
  CFileError error;
  auto take = [&] {
    std::string message;
    const bool taken = link.TakeNextMessage(now, message, error) == CClientLink::Take::kMessage;
    EXPECT_EQ(taken, !message.empty());
    return message;
  };

  std::vector<CClientEvent> events;
  link.Start("u", "p", now);
  link.Receive(wire::MakeGreeting() + wire::MakeGreeting(), events);
  EXPECT_EQ(take(), wire::MakeLogin("u", "p"));
  EXPECT_EQ(link.IdleDeadline(), std::optional<std::time_t>(now + 21));
  now += 20;
  EXPECT_EQ(take(), "");
  now += 1;
  EXPECT_EQ(take(), RawFrame('4'));  // more than 20 s since the last message
  ASSERT_TRUE(link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_FALSE(link.IdleDeadline());
  EXPECT_EQ(take(), wire::MakeFileStart("f.inc", 5));
  EXPECT_FALSE(link.ExpectsData());  // sending
  now += 100;
  EXPECT_EQ(take(), wire::MakeFileData(std::string(500, 'k')) +
                        wire::MakeFileData(std::string(200, 'k')) + RawFrame('7'));
  EXPECT_TRUE(link.ExpectsData());  // awaiting FileReceived, with no poll meanwhile
  EXPECT_FALSE(link.IdleDeadline());
  ASSERT_TRUE(link.Cancel());
  EXPECT_TRUE(link.BeginClose());
  EXPECT_EQ(take(), wire::MakeClose('1'));  // the request is dropped
  EXPECT_EQ(take(), "");
  EXPECT_FALSE(link.ExpectsData());
}

}  // namespace
}  // namespace trqx
