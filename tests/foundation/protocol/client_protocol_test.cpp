#include "foundation/protocol/client_protocol.h"

#include <gtest/gtest.h>

#include "foundation/protocol/protocol_fakes.h"

namespace trqx {
namespace {

using test::FakeUploadDisk;
using test::FakeUploadSource;
using test::RawFrame;

class ClientProtocolTest : public ::testing::Test {
 protected:
  ClientProtocolTest() : m_protocol(std::make_unique<FakeUploadSource>(m_disk)) {
    m_protocol.Start("alice", "secret");
    m_disk.files["/up/TRQX001.inc"] = "hello";
  }

  ClientOutcome Feed(const std::string& frame) {
    auto result = m_protocol.Feed(frame.data(), frame.size());
    EXPECT_EQ(result.consumed, frame.size());
    return result.outcome;
  }
  void LogIn() {
    ASSERT_EQ(Feed(wire::MakeGreeting()), ClientOutcome::kLoginSent);
    ASSERT_EQ(m_protocol.TakeReply(), wire::MakeLogin("alice", "secret"));
    ASSERT_EQ(Feed(wire::MakeGreeting()), ClientOutcome::kLoggedIn);
    ASSERT_EQ(m_protocol.State(), ClientState::kLoggedIn);
  }
  void BeginFile() {
    LogIn();
    CFileError error;
    ASSERT_FALSE(m_protocol.BeginFile("TRQX001.inc", "/up/TRQX001.inc", 1, error).empty());
  }
  void ToFileSent() {
    BeginFile();
    std::string message;
    CFileError error;
    ASSERT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kData);
    ASSERT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kEnd);
    ASSERT_EQ(m_protocol.State(), ClientState::kFileSent);
  }
  // Brings a fresh protocol into the given state through its ordinary path.
  void Reach(ClientState state) {
    m_protocol.Start("alice", "secret");
    switch (state) {
      case ClientState::kAwaitingGreeting:
        break;
      case ClientState::kLoginSent:
        Feed(wire::MakeGreeting());
        m_protocol.TakeReply();
        break;
      case ClientState::kLoggedIn:
        LogIn();
        break;
      case ClientState::kSendingFile:
        BeginFile();
        break;
      case ClientState::kFileSent:
        ToFileSent();
        break;
      case ClientState::kClosedByServer:
        Feed(wire::MakeClose('1'));
        break;
      case ClientState::kClosing:
        m_protocol.Close();
        break;
    }
    ASSERT_EQ(m_protocol.State(), state);
  }

  static constexpr ClientState kAllStates[] = {
      ClientState::kAwaitingGreeting, ClientState::kLoginSent, ClientState::kLoggedIn,
      ClientState::kSendingFile,      ClientState::kFileSent,  ClientState::kClosedByServer,
      ClientState::kClosing};

  FakeUploadDisk m_disk;
  CClientProtocol m_protocol;
};

TEST_F(ClientProtocolTest, GreetingVersionIsTrimmedAndConverted) {
  EXPECT_EQ(Feed(RawFrame(wire::kGreeting, "00001")), ClientOutcome::kLoginSent);
  EXPECT_EQ(m_protocol.State(), ClientState::kLoginSent);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeLogin("alice", "secret"));
  EXPECT_FALSE(m_protocol.HasReply());

  for (const char* version : {"    2", "     ", "    0"}) {
    m_protocol.Start("alice", "secret");
    EXPECT_EQ(Feed(RawFrame(wire::kGreeting, version)), ClientOutcome::kBadVersion) << version;
    EXPECT_FALSE(m_protocol.HasReply());
    EXPECT_EQ(m_protocol.State(), ClientState::kAwaitingGreeting);
  }
  // Too short to hold the version field.
  m_protocol.Start("alice", "secret");
  EXPECT_EQ(Feed(RawFrame(wire::kGreeting, "1")), ClientOutcome::kBadData);
}

TEST_F(ClientProtocolTest, CloseMovesStatesZeroToFourToClosedAndIsIgnoredAfter) {
  for (ClientState state : kAllStates) {
    Reach(state);
    bool ended = state == ClientState::kClosedByServer || state == ClientState::kClosing;
    EXPECT_EQ(Feed(wire::MakeClose('3')),
              ended ? ClientOutcome::kNone : ClientOutcome::kCloseReceived);
    EXPECT_EQ(m_protocol.State(), ended ? state : ClientState::kClosedByServer);
  }
}

TEST_F(ClientProtocolTest, EachMessageInEachStateGivesItsTableOutcome) {
  using O = ClientOutcome;
  const std::string status = wire::MakeStatusReply('1', "");
  const std::string report = wire::MakeDeliveryReport('1', 3);
  const std::string ack = wire::MakeBare(wire::kCancelAck);
  const std::string received = wire::MakeBare(wire::kFileReceived);
  struct Row {
    const std::string& frame;
    O outcomes[7];  // by state 0..6
  };
  const Row rows[] = {
      {status, {O::kBadData, O::kBadData, O::kStatus, O::kStatus, O::kStatus, O::kNone, O::kNone}},
      {report,
       {O::kBadData, O::kBadData, O::kDeliveryReport, O::kDeliveryReport, O::kDeliveryReport,
        O::kNone, O::kNone}},
      {ack,
       {O::kBadData, O::kBadData, O::kBadData, O::kCancelAcknowledged, O::kCancelAcknowledged,
        O::kNone, O::kNone}},
      {received,
       {O::kBadData, O::kBadData, O::kBadData, O::kBadData, O::kFileAcknowledged, O::kNone,
        O::kNone}},
  };
  for (const Row& row : rows) {
    for (ClientState state : kAllStates) {
      Reach(state);
      EXPECT_EQ(Feed(row.frame), row.outcomes[static_cast<int>(state)])
          << "type " << row.frame[1] << " in state " << static_cast<int>(state);
    }
  }
  // Types the client never receives.
  for (char type : {wire::kLogin, wire::kStatusRequest, wire::kFileData, 'Z'}) {
    for (ClientState state :
         {ClientState::kAwaitingGreeting, ClientState::kLoggedIn, ClientState::kFileSent}) {
      Reach(state);
      EXPECT_EQ(Feed(RawFrame(type)), O::kBadData);
    }
  }
  Reach(ClientState::kLoggedIn);
  EXPECT_EQ(Feed(wire::MakeGreeting()), O::kBadData);
  EXPECT_EQ(Feed(std::string("\x02\x03", 2)), O::kBadData);
}

TEST_F(ClientProtocolTest, StatusTextIsKeptOnlyWithFlagTwo) {
  LogIn();
  EXPECT_EQ(Feed(wire::MakeStatusReply('2', "  Host down  ")), ClientOutcome::kStatus);
  EXPECT_EQ(m_protocol.ServerStatusText(), "Host down");
  EXPECT_EQ(Feed(wire::MakeStatusReply('1', "System OK")), ClientOutcome::kStatus);
  EXPECT_EQ(m_protocol.ServerStatusText(), "Host down");
  EXPECT_EQ(Feed(RawFrame(wire::kStatusReply, "2short")), ClientOutcome::kBadData);
}

TEST_F(ClientProtocolTest, DeliveryReportDoesNotChangeTheSendingStates) {
  for (ClientState state : {ClientState::kSendingFile, ClientState::kFileSent}) {
    Reach(state);
    EXPECT_EQ(Feed(wire::MakeDeliveryReport('2', 87654321)), ClientOutcome::kDeliveryReport);
    EXPECT_EQ(m_protocol.ReportOutcome(), '2');
    EXPECT_EQ(m_protocol.ReportUploadNumber(), 87654321u);
    EXPECT_EQ(m_protocol.State(), state);
  }
  EXPECT_EQ(Feed(RawFrame(wire::kDeliveryReport, "1000")), ClientOutcome::kBadData);
}

TEST_F(ClientProtocolTest, BeginFileOnlyWhenLoggedInAndIdle) {
  CFileError error;
  for (ClientState state : kAllStates) {
    if (state == ClientState::kLoggedIn) {
      continue;
    }
    Reach(state);
    int opens = m_disk.opens;
    EXPECT_TRUE(m_protocol.BeginFile("TRQX001.inc", "/up/TRQX001.inc", 1, error).empty());
    EXPECT_EQ(m_protocol.State(), state);
    EXPECT_EQ(m_disk.opens, opens);
  }
  Reach(ClientState::kLoggedIn);
  EXPECT_TRUE(m_protocol.BeginFile("missing.inc", "/up/missing.inc", 1, error).empty());
  EXPECT_EQ(error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_protocol.State(), ClientState::kLoggedIn);
  EXPECT_EQ(m_protocol.BeginFile("/up/TRQX001.inc", "/up/TRQX001.inc", 100000001, error),
            wire::MakeFileStart("TRQX001.inc", 1));
  EXPECT_EQ(m_protocol.State(), ClientState::kSendingFile);
}

TEST_F(ClientProtocolTest, FilesAreCutIntoPiecesOfAtMost500Bytes) {
  for (std::size_t size : {0u, 1u, 500u, 501u, 1200u}) {
    std::string content;
    for (std::size_t i = 0; i < size; ++i) {
      content.push_back(static_cast<char>('a' + i % 26));
    }
    m_disk.files["/up/f.inc"] = content;
    Reach(ClientState::kLoggedIn);
    CFileError error;
    ASSERT_FALSE(m_protocol.BeginFile("f.inc", "/up/f.inc", 9, error).empty());
    std::string rebuilt;
    std::string message;
    int pieces = 0;
    CClientProtocol::Piece piece;
    while ((piece = m_protocol.NextPiece(message, error)) == CClientProtocol::Piece::kData) {
      ASSERT_EQ(message.size(), wire::kFileDataLength);
      int length = wire::ParseDecimal(message.substr(2, 8));
      ASSERT_GE(length, 1);
      ASSERT_LE(length, 500);
      rebuilt += message.substr(10, static_cast<std::size_t>(length));
      ++pieces;
    }
    ASSERT_EQ(piece, CClientProtocol::Piece::kEnd);
    EXPECT_EQ(message, wire::MakeBare(wire::kFileEnd));
    EXPECT_EQ(rebuilt, content);
    EXPECT_EQ(pieces, static_cast<int>((size + 499) / 500));
    EXPECT_EQ(m_protocol.State(), ClientState::kFileSent);
    EXPECT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kNone);
  }
}

TEST_F(ClientProtocolTest, ReadFailureAndUnframeableBytesAreErrors) {
  BeginFile();
  m_disk.failRead = true;
  std::string message;
  CFileError error;
  EXPECT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kError);
  EXPECT_TRUE(message.empty());
  m_disk.failRead = false;

  m_disk.files["/up/bin.inc"] = std::string(
      "ab\x03"
      "cd",
      5);
  Reach(ClientState::kLoggedIn);
  ASSERT_FALSE(m_protocol.BeginFile("bin.inc", "/up/bin.inc", 2, error).empty());
  EXPECT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kError);
  EXPECT_EQ(error.m_osError, EILSEQ);
  EXPECT_EQ(error.m_fileName, "/up/bin.inc");
}

TEST_F(ClientProtocolTest, AbortCancelStatusAndCloseByState) {
  for (ClientState state : kAllStates) {
    Reach(state);
    bool sending = state == ClientState::kSendingFile;
    EXPECT_EQ(m_protocol.AbortTransfer(),
              sending ? wire::MakeBare(wire::kTransferAbort) : std::string());
    EXPECT_EQ(m_protocol.State(), sending ? ClientState::kFileSent : state);

    Reach(state);
    bool cancellable = state == ClientState::kLoggedIn || state == ClientState::kSendingFile ||
                       state == ClientState::kFileSent;
    EXPECT_EQ(m_protocol.Cancel(),
              cancellable ? wire::MakeBare(wire::kCancelRequest) : std::string());
    ClientState after = state;
    if (state == ClientState::kSendingFile) {
      after = ClientState::kFileSent;
    } else if (state == ClientState::kFileSent) {
      after = ClientState::kLoggedIn;
    }
    EXPECT_EQ(m_protocol.State(), after);

    Reach(state);
    EXPECT_EQ(m_protocol.StatusRequest(), state == ClientState::kLoggedIn
                                              ? wire::MakeBare(wire::kStatusRequest)
                                              : std::string());

    Reach(state);
    EXPECT_EQ(m_protocol.Close(), wire::MakeClose('1'));
    EXPECT_EQ(m_protocol.State(), ClientState::kClosing);
  }
}

TEST_F(ClientProtocolTest, CancelWhileAwaitingFileReceivedTakesTheFileReceivedThatFollows) {
  ToFileSent();
  EXPECT_FALSE(m_protocol.Cancel().empty());
  EXPECT_EQ(m_protocol.State(), ClientState::kLoggedIn);
  // The server had the whole file already and answers the FileEnd.
  EXPECT_EQ(Feed(wire::MakeBare(wire::kFileReceived)), ClientOutcome::kFileAcknowledged);
  // Only that one.
  EXPECT_EQ(Feed(wire::MakeBare(wire::kFileReceived)), ClientOutcome::kBadData);
}

TEST_F(ClientProtocolTest, AbortClosesTheFileAndCancelAckReturnsToIdle) {
  BeginFile();
  EXPECT_FALSE(m_protocol.AbortTransfer().empty());
  std::string message;
  CFileError error;
  EXPECT_EQ(m_protocol.NextPiece(message, error), CClientProtocol::Piece::kNone);
  EXPECT_EQ(Feed(wire::MakeBare(wire::kCancelAck)), ClientOutcome::kCancelAcknowledged);
  EXPECT_EQ(m_protocol.State(), ClientState::kLoggedIn);
}

}  // namespace
}  // namespace trqx
