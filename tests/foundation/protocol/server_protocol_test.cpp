#include "foundation/protocol/server_protocol.h"

#include <gtest/gtest.h>

#include "foundation/protocol/protocol_fakes.h"
#include "foundation/protocol/server_link.h"

namespace trqx {
namespace {

using test::RawFrame;
using O = ServerOutcome;

constexpr const char* kDir = "Remote/Remote0000003";
const std::string kLogin = wire::MakeLogin("alice", "secret");

// A session brought to a state (0 .. 4) through its ordinary path, spool files in memory.
struct Session {
  explicit Session(int state, std::string_view login = " alice ") {
    protocol.Start(login, "secret", kDir, "ftpuser", '1', "System OK");
    const std::string path[] = {"", kLogin, kLogin + wire::MakeFileStart("desk.inc", 17),
                                wire::MakeClose('1'), wire::MakeLogin("alice", "wrong")};
    for (std::size_t at = 0; at < path[state].size();) {
      at += protocol.Feed(path[state].data() + at, path[state].size() - at).consumed;
    }
    protocol.TakeReply();
    EXPECT_EQ(static_cast<int>(protocol.State()), state);
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
  const std::string login34 = kLogin.substr(0, 32) + "x" + wire::kEtx;
  const std::string login32 = kLogin.substr(0, 31) + wire::kEtx;
  const std::string shortData = wire::MakeFileData("abc").erase(20, 1);  // 510 bytes
  const std::string close = wire::MakeClose('1'), status = RawFrame('4'), end = RawFrame('7');
  const std::string start = wire::MakeFileStart("a", 1), ack = RawFrame('A'), none;
  auto data = [](const char* length) { return RawFrame('8', length + std::string(500, 'p')); };
  struct Row {
    int state;
    std::string frame;
    O outcome;
    int after;
    std::string reply;
    int closes;       // of the spool file
    char fail = ' ';  // the spool call made to fail: Create, Append or cLose
  };
  const Row rows[] = {
      {0, kLogin, O::kLoggedIn, 1, wire::MakeGreeting(), 0},
      {0, login34, O::kLoggedIn, 1, wire::MakeGreeting(), 0},
      {0, wire::MakeLogin("alice", "Secret"), O::kBadLogin, 4, wire::MakeClose('3'), 0},
      {0, wire::MakeLogin("Alice", "secret"), O::kBadLogin, 4, wire::MakeClose('3'), 0},
      {0, login32, O::kBadData, 0, none, 0},
      {0, close, O::kCloseReceived, 3, none, 0},
      {0, status, O::kBadData, 0, none, 0},
      {0, std::string("\x02\x03"), O::kBadData, 0, none, 0},
      {1, close, O::kCloseReceived, 3, none, 0},
      {1, status, O::kStatus, 1, wire::MakeStatusReply('1', "System OK"), 0},
      {1, start, O::kFileStarted, 2, none, 0},
      {1, start, O::kFileError, 1, none, 0, 'C'},
      {1, RawFrame('6', "short"), O::kBadData, 1, none, 0},
      {1, end, O::kNone, 1, none, 0},  // after a FileStart whose file could not be made
      {1, wire::MakeFileData("x"), O::kNone, 1, none, 0},
      {1, RawFrame('C'), O::kCancelRequest, 1, none, 0},
      {1, RawFrame('B'), O::kBadData, 1, none, 0},
      {1, RawFrame('x'), O::kBadData, 1, none, 0},
      {2, wire::MakeFileData("abc"), O::kNone, 2, none, 0},
      {2, data("00000000"), O::kNone, 2, none, 0},
      {2, wire::MakeFileData("abc"), O::kFileError, 1, none, 1, 'A'},
      {2, data("00000501"), O::kBadData, 1, none, 1},
      {2, data("-0000001"), O::kBadData, 1, none, 1},
      {2, shortData, O::kBadData, 2, none, 0},
      {2, end, O::kFileReceived, 1, RawFrame('9'), 1},
      {2, end, O::kFileError, 1, none, 1, 'L'},  // bytes may be lost: not received
      {2, RawFrame('B'), O::kTransferAborted, 1, ack, 1},
      {2, RawFrame('C'), O::kCancelRequest, 1, ack, 1},
      {2, close, O::kCloseReceived, 3, none, 1},
      {2, status, O::kBadData, 2, none, 1},
      {2, start, O::kBadData, 2, none, 1},
      {3, kLogin, O::kNone, 3, none, 0},
      {4, status, O::kNone, 4, none, 0},
  };
  for (const Row& row : rows) {
    Session session(row.state);
    session.disk.failCreate = row.fail == 'C';
    session.disk.failAppend = row.fail == 'A';
    session.disk.failClose = row.fail == 'L';
    SCOPED_TRACE("state " + std::to_string(row.state) + " type " + row.frame.substr(1, 1));
    EXPECT_EQ(session.Feed(row.frame), row.outcome);
    EXPECT_EQ(static_cast<int>(session.protocol.State()), row.after);
    EXPECT_EQ(session.protocol.TakeReply(), row.reply);
    EXPECT_EQ(session.disk.closes, row.closes);
  }
  // Names match only by the 15 characters sent.
  EXPECT_EQ(Session(0, "alicealicealice").Feed(wire::MakeLogin("alicealicealiceX", "secret")),
            O::kLoggedIn);
  EXPECT_EQ(Session(0, "alicealicealiceX").Feed(wire::MakeLogin("alicealicealiceX", "secret")),
            O::kBadLogin);
}

TEST(ServerLink, RepliesGoByPriorityReportsAreLimitedAndCloseDropsTheRest) {
  test::FakeSpoolDisk disk;
  CSpoolCounter counter;
  CServerLink link(std::make_unique<test::FakeSpoolFile>(disk), counter);
  link.Start("alice", "secret", kDir, "ftp", '1', "System OK");
  EXPECT_FALSE(link.QueueDeliveryReport(1, '1'));  // state 0
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeGreeting());
  std::vector<CServerEvent> events;
  link.Receive(kLogin, events);
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeGreeting());
  // The bytes after bad data are not looked at.
  link.Receive(RawFrame('4') + wire::MakeFileStart("f", 7) + RawFrame('7') + RawFrame('B') + kLogin,
               events);
  EXPECT_EQ(events.size(), 5u);
  for (std::uint32_t i = 0; i < CServerLink::kMaxPendingReports; ++i) {
    EXPECT_TRUE(link.QueueDeliveryReport(i, '1'));
  }
  EXPECT_FALSE(link.QueueDeliveryReport(10, '1'));
  // The status reply first, then the other reply, then the reports.
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeStatusReply('1', "System OK"));
  EXPECT_EQ(link.TakeNextMessage(), RawFrame('9'));
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeDeliveryReport('1', 0));
  EXPECT_TRUE(link.BeginClose());
  EXPECT_FALSE(link.BeginClose());
  EXPECT_EQ(link.TakeNextMessage(), wire::MakeClose('1'));
  EXPECT_EQ(link.TakeNextMessage(), "");
  EXPECT_FALSE(link.QueueDeliveryReport(3, '1'));
}

}  // namespace
}  // namespace trqx
