#include "foundation/protocol/server_protocol.h"

#include <gtest/gtest.h>

#include "foundation/protocol/protocol_fakes.h"
#include "foundation/protocol/server_link.h"

namespace trqx {
namespace {

using test::RawFrame;
using O = ServerOutcome;
using S = ServerState;

constexpr const char* kDir = "Remote/Remote0000003";
const std::string kLogin = wire::MakeLogin("alice", "secret");
const std::string kStatus = wire::MakeBare(wire::kStatusRequest);
const std::string kEnd = wire::MakeBare(wire::kFileEnd);

std::string FileDataWithLength(const std::string& lengthField) {
  return RawFrame(wire::kFileData, lengthField + std::string(500, 'p'));
}

// A session brought to a state through its ordinary path, with its spool files in memory.
struct Session {
  explicit Session(S state, std::string_view login = " alice ") {
    protocol.Start(login, "secret", kDir, "ftpuser", '1', "System OK");
    EXPECT_EQ(protocol.TakeReply(), wire::MakeGreeting());
    if (state == S::kLoggedIn || state == S::kReceivingFile) {
      Feed(kLogin);
    }
    Feed(state == S::kReceivingFile    ? wire::MakeFileStart("desk.inc", 17)
         : state == S::kClosedByClient ? wire::MakeClose('1')
         : state == S::kEnded          ? wire::MakeLogin("alice", "wrong")
                                       : std::string());
    protocol.TakeReply();
    EXPECT_EQ(protocol.State(), state);
    disk.closes = 0;
  }
  O Feed(const std::string& frame) {
    auto result = protocol.Feed(frame.data(), frame.size());
    EXPECT_EQ(result.consumed, frame.size());
    return result.outcome;
  }

  test::FakeSpoolDisk disk;
  CSpoolCounter counter;
  CServerProtocol protocol{std::make_unique<test::FakeSpoolFile>(disk), counter};
};

TEST(ServerProtocol, EachMessageInEachStateGivesItsOutcomeStateAndReply) {
  std::string login34 = kLogin;
  login34.insert(login34.size() - 1, "x");
  std::string login32 = kLogin;
  login32.erase(login32.size() - 2, 1);
  std::string shortData = wire::MakeFileData("abc");
  shortData.erase(20, 1);
  const std::string ack = wire::MakeBare(wire::kCancelAck);
  struct Row {
    S state;
    std::string frame;
    O outcome;
    S after;
    std::string reply;
    int closes;  // of the spool file
  };
  const Row rows[] = {
      {S::kAwaitingLogin, kLogin, O::kLoggedIn, S::kLoggedIn, wire::MakeGreeting(), 0},
      {S::kAwaitingLogin, login34, O::kLoggedIn, S::kLoggedIn, wire::MakeGreeting(), 0},
      {S::kAwaitingLogin, wire::MakeLogin("alice", "Secret"), O::kBadLogin, S::kEnded,
       wire::MakeClose('3'), 0},
      {S::kAwaitingLogin, login32, O::kBadData, S::kAwaitingLogin, "", 0},
      {S::kAwaitingLogin, wire::MakeClose('1'), O::kCloseReceived, S::kClosedByClient, "", 0},
      {S::kAwaitingLogin, kStatus, O::kBadData, S::kAwaitingLogin, "", 0},
      {S::kAwaitingLogin, wire::MakeFileStart("a", 1), O::kBadData, S::kAwaitingLogin, "", 0},
      {S::kAwaitingLogin, RawFrame('C'), O::kBadData, S::kAwaitingLogin, "", 0},
      {S::kAwaitingLogin, std::string("\x02\x03"), O::kBadData, S::kAwaitingLogin, "", 0},
      {S::kLoggedIn, wire::MakeClose('1'), O::kCloseReceived, S::kClosedByClient, "", 0},
      {S::kLoggedIn, kStatus, O::kStatus, S::kLoggedIn, wire::MakeStatusReply('1', "System OK"), 0},
      {S::kLoggedIn, wire::MakeFileStart("a", 1), O::kFileStarted, S::kReceivingFile, "", 0},
      {S::kLoggedIn, RawFrame('6', "short"), O::kBadData, S::kLoggedIn, "", 0},
      {S::kLoggedIn, kEnd, O::kNone, S::kLoggedIn, "", 0},
      {S::kLoggedIn, wire::MakeFileData("x"), O::kNone, S::kLoggedIn, "", 0},
      {S::kLoggedIn, RawFrame('C'), O::kCancelRequest, S::kLoggedIn, "", 0},
      {S::kLoggedIn, RawFrame('B'), O::kBadData, S::kLoggedIn, "", 0},
      {S::kLoggedIn, kLogin, O::kBadData, S::kLoggedIn, "", 0},
      {S::kLoggedIn, RawFrame('x'), O::kBadData, S::kLoggedIn, "", 0},
      {S::kReceivingFile, wire::MakeFileData("abc"), O::kNone, S::kReceivingFile, "", 0},
      {S::kReceivingFile, FileDataWithLength("00000501"), O::kBadData, S::kLoggedIn, "", 1},
      {S::kReceivingFile, FileDataWithLength("-0000001"), O::kBadData, S::kLoggedIn, "", 1},
      {S::kReceivingFile, shortData, O::kBadData, S::kReceivingFile, "", 0},
      {S::kReceivingFile, kEnd, O::kFileReceived, S::kLoggedIn, RawFrame('9'), 1},
      {S::kReceivingFile, RawFrame('B'), O::kTransferAborted, S::kLoggedIn, ack, 1},
      {S::kReceivingFile, RawFrame('C'), O::kCancelRequest, S::kLoggedIn, ack, 1},
      {S::kReceivingFile, wire::MakeClose('1'), O::kCloseReceived, S::kClosedByClient, "", 1},
      {S::kReceivingFile, kStatus, O::kBadData, S::kReceivingFile, "", 1},
      {S::kReceivingFile, RawFrame('1'), O::kBadData, S::kReceivingFile, "", 1},
      {S::kReceivingFile, wire::MakeFileStart("c", 3), O::kBadData, S::kReceivingFile, "", 1},
      {S::kClosedByClient, kLogin, O::kNone, S::kClosedByClient, "", 0},
      {S::kClosedByClient, wire::MakeFileData("x"), O::kNone, S::kClosedByClient, "", 0},
      {S::kEnded, kLogin, O::kNone, S::kEnded, "", 0},
      {S::kEnded, kStatus, O::kNone, S::kEnded, "", 0},
  };
  for (const Row& row : rows) {
    Session session(row.state);
    SCOPED_TRACE("state " + std::to_string(static_cast<int>(row.state)) + " type " +
                 row.frame.substr(1, 1));
    EXPECT_EQ(session.Feed(row.frame), row.outcome);
    EXPECT_EQ(session.protocol.State(), row.after);
    EXPECT_EQ(session.protocol.TakeReply(), row.reply);
    EXPECT_EQ(session.disk.closes, row.closes);
  }
}

TEST(ServerProtocol, NamesMatchOnlyByTheFifteenCharactersSent) {
  Session fifteen(S::kAwaitingLogin, "alicealicealice");
  EXPECT_EQ(fifteen.Feed(wire::MakeLogin("alicealicealiceXYZ", "secret")), O::kLoggedIn);
  Session sixteen(S::kAwaitingLogin, "alicealicealiceX");
  EXPECT_EQ(sixteen.Feed(wire::MakeLogin("alicealicealiceX", "secret")), O::kBadLogin);
}

TEST(ServerProtocol, SpoolFilesAreNamedFromFolderStemAndSharedCounterAndGetThePieces) {
  Session session(S::kLoggedIn);
  // The client's name is never used; the upload number is read digit by digit unchecked.
  EXPECT_EQ(session.Feed(RawFrame('6', "../../etc/pass 0000001:")), O::kFileStarted);
  EXPECT_EQ(session.protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo000.inc");
  EXPECT_EQ(session.protocol.UploadNumber(), 20u);
  for (const std::string& piece :
       {wire::MakeFileData("abc"), FileDataWithLength("00000000"),
        wire::MakeFileData(std::string(500, 'z')), FileDataWithLength("     002")}) {
    EXPECT_EQ(session.Feed(piece), O::kNone);
  }
  EXPECT_EQ(session.Feed(kEnd), O::kFileReceived);
  EXPECT_EQ(session.disk.files.at(session.protocol.SpoolFileName()),
            "abc" + std::string(500, 'z') + "pp");

  // A second session shares the counter; a '/' in its stem cannot leave the folder.
  CServerProtocol other(std::make_unique<test::FakeSpoolFile>(session.disk), session.counter);
  other.Start("a", "b", kDir, "../up", '1', "");
  for (int i = 0; i < 999; ++i) {
    session.counter.Take();
  }
  for (const std::string& frame : {wire::MakeLogin("a", "b"), wire::MakeFileStart("y", 2)}) {
    other.Feed(frame.data(), frame.size());
  }
  EXPECT_EQ(other.SpoolFileName(), "Remote/Remote0000003/.._upvexo1000.inc");
}

TEST(ServerProtocol, FileErrorsLeaveStateOneAndNothingIsHandedOn) {
  Session session(S::kLoggedIn);
  session.disk.failCreate = true;
  EXPECT_EQ(session.Feed(wire::MakeFileStart("desk.inc", 3)), O::kFileError);
  EXPECT_EQ(session.protocol.FileError().m_fileName, "Remote/Remote0000003/ftpuservexo000.inc");
  // The pieces and the end that follow are ignored, without reply.
  EXPECT_EQ(session.Feed(wire::MakeFileData("abc")), O::kNone);
  EXPECT_EQ(session.Feed(kEnd), O::kNone);
  EXPECT_FALSE(session.protocol.HasReply());
  session.disk.failCreate = false;
  session.disk.failAppend = true;
  EXPECT_EQ(session.Feed(wire::MakeFileStart("desk.inc", 4)), O::kFileStarted);
  EXPECT_EQ(session.protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo001.inc");
  EXPECT_EQ(session.Feed(wire::MakeFileData("abc")), O::kFileError);
  EXPECT_EQ(session.protocol.FileError().m_function, "write");
  EXPECT_EQ(session.protocol.State(), S::kLoggedIn);
  // A close that fails may have lost bytes: no FileReceived.
  session.disk.failClose = true;
  EXPECT_EQ(session.Feed(wire::MakeFileStart("desk.inc", 5)), O::kFileStarted);
  EXPECT_EQ(session.Feed(kEnd), O::kFileError);
  EXPECT_FALSE(session.protocol.HasReply());
  EXPECT_EQ(session.protocol.State(), S::kLoggedIn);
}

TEST(ServerLink, RepliesGoByPriorityReportsAreLimitedAndCloseDropsTheRest) {
  test::FakeSpoolDisk disk;
  CSpoolCounter counter;
  CServerLink link(std::make_unique<test::FakeSpoolFile>(disk), counter);
  link.Start("alice", "secret", kDir, "ftp", '1', "System OK");
  EXPECT_FALSE(link.QueueDeliveryReport(1, '1'));  // state 0
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeGreeting());
  EXPECT_EQ(link.TakeNextMessage(), "");
  std::vector<CServerEvent> events;
  link.Receive(kLogin, events);
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeGreeting());
  link.Receive(kStatus + wire::MakeFileStart("f", 77) + wire::MakeFileData("xyz") + kEnd +
                   RawFrame('B') + wire::MakeClose('1'),
               events);
  ASSERT_EQ(events.size(), 5u);  // the Close after the bad data is not looked at
  EXPECT_EQ(events[3].m_outcome, O::kFileReceived);
  EXPECT_EQ(events[3].m_spoolFileName, "Remote/Remote0000003/ftpvexo000.inc");
  EXPECT_EQ(events[3].m_uploadNumber, 77u);
  EXPECT_EQ(events[4].m_outcome, O::kBadData);
  EXPECT_FALSE(link.ClosedByClient());
  for (std::uint32_t i = 0; i < CServerLink::kMaxPendingReports; ++i) {
    EXPECT_TRUE(link.QueueDeliveryReport(i, '1'));
  }
  EXPECT_FALSE(link.QueueDeliveryReport(10, '1'));
  // The status reply first, then the other reply, then the reports.
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeStatusReply('1', "System OK"));
  EXPECT_EQ(link.TakeNextMessage(), RawFrame('9'));
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeDeliveryReport('1', 0));
  EXPECT_TRUE(link.QueueDeliveryReport(10, '2'));
  EXPECT_TRUE(link.BeginClose());
  EXPECT_FALSE(link.BeginClose());
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeClose('1'));
  EXPECT_EQ(link.TakeNextMessage(), "");
  EXPECT_FALSE(link.QueueDeliveryReport(3, '1'));

  // After a bad login the Close 3 stays when the stop comes.
  link.Start("alice", "secret", kDir, "ftp", '1', "System OK");
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeGreeting());
  link.Receive(wire::MakeLogin("alice", "x"), events);
  EXPECT_FALSE(link.BeginClose());
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeClose('3'));
}

}  // namespace
}  // namespace trqx
