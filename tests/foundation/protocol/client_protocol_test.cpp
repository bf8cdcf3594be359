#include "foundation/protocol/client_protocol.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/protocol/client_link.h"
#include "foundation/protocol/protocol_fakes.h"

namespace trqx {
namespace {

using test::RawFrame;
using O = ClientOutcome;
using S = ClientState;
using Piece = CClientProtocol::Piece;

class ClientProtocolTest : public ::testing::Test {
 protected:
  ClientProtocolTest() { m_disk.files["/up/f.inc"] = "hello"; }

  O Feed(const std::string& frame) {
    auto result = m_protocol.Feed(frame.data(), frame.size());
    EXPECT_EQ(result.consumed, frame.size());
    return result.outcome;
  }
  // Brings the protocol to the given state through its ordinary path.
  void Reach(int state) {
    m_protocol.Start("alice", "secret");
    CFileError error;
    std::string piece;
    if (state >= 1 && state <= 4) {
      ASSERT_EQ(Feed(wire::MakeGreeting()), O::kLoginSent);
      ASSERT_EQ(m_protocol.TakeReply(), wire::MakeLogin("alice", "secret"));
    }
    if (state >= 2 && state <= 4) {
      ASSERT_EQ(Feed(wire::MakeGreeting()), O::kLoggedIn);
    }
    if (state >= 3 && state <= 4) {
      ASSERT_EQ(m_protocol.BeginFile("f.inc", "/up/f.inc", 1, error),
                wire::MakeFileStart("f.inc", 1));
    }
    while (state == 4 && m_protocol.State() == S::kSendingFile) {
      ASSERT_NE(m_protocol.NextPiece(piece, error), Piece::kError);
    }
    if (state == 5) {
      Feed(wire::MakeClose('1'));
    }
    if (state == 6) {
      m_protocol.Close();
    }
    ASSERT_EQ(static_cast<int>(m_protocol.State()), state);
  }

  test::FakeUploadDisk m_disk;
  CClientProtocol m_protocol{std::make_unique<test::FakeUploadSource>(m_disk)};
};

TEST_F(ClientProtocolTest, EachMessageInEachStateGivesItsOutcomeAndState) {
  const O B = O::kBadData, N = O::kNone, C = O::kCloseReceived, St = O::kStatus,
          D = O::kDeliveryReport, A = O::kCancelAcknowledged;
  struct Row {
    std::string frame;
    O outcomes[7];      // in states 0 .. 6
    const char* after;  // the state after, per state
  };
  const Row rows[] = {
      {wire::MakeGreeting(), {O::kLoginSent, O::kLoggedIn, B, B, B, N, N}, "1223456"},
      {wire::MakeClose('3'), {C, C, C, C, C, N, N}, "5555556"},
      {wire::MakeStatusReply('1', ""), {B, B, St, St, St, N, N}, "0123456"},
      {wire::MakeDeliveryReport('1', 3), {B, B, D, D, D, N, N}, "0123456"},
      {RawFrame('A'), {B, B, B, A, A, N, N}, "0122256"},
      {RawFrame('9'), {B, B, B, B, O::kFileAcknowledged, N, N}, "0123256"},
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
}

TEST_F(ClientProtocolTest, GreetingVersionStatusTextAndReportFields) {
  const std::pair<const char*, O> versions[] = {{"00001", O::kLoginSent},
                                                {"    2", O::kBadVersion},
                                                {"     ", O::kBadVersion},
                                                {"1", O::kBadData}};
  for (auto [version, outcome] : versions) {
    Reach(0);
    EXPECT_EQ(Feed(RawFrame(wire::kGreeting, version)), outcome) << version;
  }
  Reach(3);
  EXPECT_EQ(Feed(wire::MakeStatusReply('2', "  Host down  ")), O::kStatus);
  EXPECT_EQ(Feed(wire::MakeStatusReply('1', "System OK")), O::kStatus);
  EXPECT_EQ(m_protocol.ServerStatusText(), "Host down");  // kept only with flag 2
  EXPECT_EQ(Feed(wire::MakeDeliveryReport('2', 87654321)), O::kDeliveryReport);
  EXPECT_EQ(m_protocol.ReportOutcome(), '2');
  EXPECT_EQ(m_protocol.ReportUploadNumber(), 87654321u);
  EXPECT_EQ(Feed(RawFrame(wire::kStatusReply, "2short")), O::kBadData);
  EXPECT_EQ(Feed(RawFrame(wire::kDeliveryReport, "1000")), O::kBadData);
}

TEST_F(ClientProtocolTest, OperationsByState) {
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
      {[&] { return m_protocol.Close(); }, wire::MakeClose('1'), "0123456", "6666666"},
      {[&] {
         CFileError error;
         return m_protocol.BeginFile("/up/f.inc", "/up/f.inc", 100000001, error);
       },
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
  Reach(2);
  CFileError error;
  EXPECT_EQ(m_protocol.BeginFile("missing.inc", "/up/missing.inc", 1, error), "");
  EXPECT_EQ(error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_protocol.State(), S::kLoggedIn);
}

TEST_F(ClientProtocolTest, CancelWhileAwaitingFileReceivedTakesThatOneFileReceived) {
  Reach(4);
  EXPECT_EQ(m_protocol.Cancel(), RawFrame('C'));
  EXPECT_EQ(Feed(RawFrame('9')), O::kFileAcknowledged);
  EXPECT_EQ(Feed(RawFrame('9')), O::kBadData);
}

TEST_F(ClientProtocolTest, FilesGoInPiecesOfAtMost500BytesAndUnframeableBytesAreErrors) {
  for (std::size_t size : {0, 1, 500, 501, 1200}) {
    std::string content;
    for (std::size_t i = 0; i < size; ++i) {
      content.push_back(static_cast<char>('a' + i % 26));
    }
    m_disk.files["/up/f.inc"] = content;
    Reach(3);
    std::string pieces;
    std::string message;
    CFileError error;
    while (m_protocol.NextPiece(message, error) == Piece::kData) {
      pieces += message;
    }
    std::string expected;
    for (std::size_t at = 0; at < size; at += 500) {
      expected += wire::MakeFileData(content.substr(at, 500));
    }
    EXPECT_EQ(pieces, expected) << size;
    EXPECT_EQ(message, RawFrame('7'));
    EXPECT_EQ(m_protocol.State(), S::kFileSent);
  }
  m_disk.files["/up/f.inc"] = "ab\x03";
  Reach(3);
  std::string message;
  CFileError error;
  EXPECT_EQ(m_protocol.NextPiece(message, error), Piece::kError);
  EXPECT_EQ(error.m_fileName, "/up/f.inc");
  Reach(3);
  m_disk.failRead = true;
  EXPECT_EQ(m_protocol.NextPiece(message, error), Piece::kError);
  EXPECT_EQ(message, "");
}

class ClientLinkTest : public ::testing::Test {
 protected:
  ClientLinkTest() {
    m_disk.files["/f.inc"] = std::string(700, 'k');
    m_disk.files["/big.inc"] = std::string(20000, 'g');
    m_link.Start("u", "p", m_now);
    Receive(wire::MakeGreeting());
    EXPECT_EQ(Take(), wire::MakeLogin("u", "p"));
    Receive(wire::MakeGreeting());
  }
  std::vector<CClientEvent> Receive(const std::string& bytes) {
    std::vector<CClientEvent> events;
    m_link.Receive(bytes, events);
    return events;
  }
  std::string Take() {
    std::string message;
    CFileError error;
    EXPECT_NE(m_link.TakeNextMessage(m_now, message, error), CClientLink::Take::kFileError);
    return message;
  }

  test::FakeUploadDisk m_disk;
  CClientLink m_link{std::make_unique<test::FakeUploadSource>(m_disk)};
  std::time_t m_now = 1000;
};

TEST_F(ClientLinkTest, IdlePollOnlyWhenLoggedInAndIdleForMoreThanTwentySeconds) {
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now + 21));
  m_now += 20;
  EXPECT_EQ(Take(), "");
  m_now += 1;
  EXPECT_EQ(Take(), RawFrame('4'));
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now + 21));
  EXPECT_TRUE(m_link.ExpectsData());
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_FALSE(m_link.IdleDeadline());
  EXPECT_EQ(Take(), wire::MakeFileStart("f.inc", 5));
  EXPECT_FALSE(m_link.ExpectsData());  // sending
  m_now += 100;
  // The whole small file is one run of pieces, ending with the FileEnd.
  EXPECT_EQ(Take(), wire::MakeFileData(std::string(500, 'k')) +
                        wire::MakeFileData(std::string(200, 'k')) + RawFrame('7'));
  EXPECT_TRUE(m_link.ExpectsData());  // awaiting FileReceived
  m_now += 100;
  EXPECT_FALSE(m_link.IdleDeadline());
  EXPECT_EQ(Take(), "");
  EXPECT_EQ(Receive(RawFrame('9')).at(0).m_outcome, O::kFileAcknowledged);
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now - 100 + 21));
}

TEST_F(ClientLinkTest, RequestsGoInOrderBeforePiecesAndCloseGoesBeforeAll) {
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_FALSE(m_link.SendFile("f.inc", "/f.inc", 6, error));  // one file at a time
  ASSERT_TRUE(m_link.AbortTransfer());
  EXPECT_EQ(Take(), wire::MakeFileStart("f.inc", 5));
  EXPECT_EQ(Take(), RawFrame('B'));
  EXPECT_EQ(Take(), "");  // no pieces after the abort
  Receive(RawFrame('A'));

  ASSERT_TRUE(m_link.SendFile("big.inc", "/big.inc", 7, error));
  EXPECT_EQ(Take(), wire::MakeFileStart("big.inc", 7));
  std::string run;
  for (std::size_t i = 0; i < CClientLink::kPiecesPerTake; ++i) {
    run += wire::MakeFileData(std::string(500, 'g'));
  }
  EXPECT_EQ(Take(), run);  // not yet at the end of the file
  ASSERT_TRUE(m_link.Cancel());
  EXPECT_EQ(Take(), RawFrame('C'));
  EXPECT_EQ(Take(), "");

  Receive(RawFrame('A'));
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 8, error));
  EXPECT_TRUE(m_link.BeginClose());
  EXPECT_FALSE(m_link.BeginClose());
  EXPECT_EQ(Take(), wire::MakeClose('1'));
  EXPECT_EQ(Take(), "");
  EXPECT_FALSE(m_link.ExpectsData());
  EXPECT_TRUE(Receive(RawFrame('9')).empty());  // ignored once closing
}

TEST_F(ClientLinkTest, ReadFailureEndsTheConnectionAndEventsStopAtBadData) {
  std::vector<CClientEvent> events =
      Receive(wire::MakeStatusReply('2', "Busy") + wire::MakeDeliveryReport('6', 0) +
              RawFrame('9') + wire::MakeClose('1'));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[0].m_showStatusText);
  EXPECT_EQ(events[0].m_statusText, "Busy");
  EXPECT_EQ(events[1].m_reportOutcome, '6');
  EXPECT_EQ(events[2].m_outcome, O::kBadData);
  EXPECT_FALSE(m_link.ClosedByServer());

  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  Take();
  m_disk.failRead = true;
  std::string message;
  EXPECT_EQ(m_link.TakeNextMessage(m_now, message, error), CClientLink::Take::kFileError);
  EXPECT_EQ(error.m_function, "read");
}

}  // namespace
}  // namespace trqx
