// The wire protocol without sockets: framing, message bytes, and the dispatch and outgoing
// slots of both sides.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "foundation/protocol/client_link.h"
#include "foundation/protocol/message_framer.h"
#include "foundation/protocol/server_link.h"
#include "support/protocol_fakes.h"
#include "support/scratch_folder.h"

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
  for (std::size_t at = 0; at < input.size();) {
    const std::size_t readEnd = std::min(input.size(), (at / readSize + 1) * readSize);
    std::string frame;
    auto result = framer.Feed(input.data() + at, readEnd - at, Seen::kError,
                              [&](std::string_view f) { return frame = f, Seen::kFrame; });
    at += result.consumed;
    if (result.outcome != Seen::kNone) {
      seen.push_back((result.outcome == Seen::kError ? "ERR" : frame) + "@" + std::to_string(at));
    }
    if (result.outcome == Seen::kError) {
      return seen;
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
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {greeting + data + end, {greeting + "@8", data + "@519", end + "@522"}},
      {longest + end, {longest + "@511", end + "@514"}},
      {RawFrame('8', std::string(509, 'y')), {"ERR@512"}},  // 512 bytes
      {std::string("\x02") + "1abc" + end, {"ERR@6"}},      // STX inside a frame
      {garbage, {"ERR@8"}},                                 // garbage before the STX
      {"ab\x03" + end, {"ab\x03@3", end + "@6"}},           // the first byte is not examined
      {"\x03", {"\x03@1"}},
      {greeting + greeting.substr(0, 4), {greeting + "@8", "partial 4"}},
  };
  for (const auto& [input, expected] : rows) {
    for (std::size_t readSize : {1, 2, 7, 250, 511, 4096}) {
      EXPECT_EQ(FrameAll(input, readSize), expected)
          << "read size " << readSize << " input " << input.substr(0, 20);
    }
  }
}

TEST(WireMessages, EveryMessageHasItsExactBytes) {
  const std::string stx(1, wire::kStx), etx(1, wire::kEtx);
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

using SO = ServerOutcome;

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
  SO Feed(const std::string& frame) {
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
    SO outcome;
    int after;
    std::string reply;
    int closes;       // of the spool file
    char fail = ' ';  // the spool call made to fail: Create, Append or cLose
  };
  const Row rows[] = {
      {0, kLogin, SO::kLoggedIn, 1, wire::MakeGreeting(), 0},
      {0, login34, SO::kLoggedIn, 1, wire::MakeGreeting(), 0},
      {0, wire::MakeLogin("alice", "Secret"), SO::kBadLogin, 4, wire::MakeClose('3'), 0},
      {0, wire::MakeLogin("Alice", "secret"), SO::kBadLogin, 4, wire::MakeClose('3'), 0},
      {0, login32, SO::kBadData, 0, none, 0},
      {0, close, SO::kCloseReceived, 3, none, 0},
      {0, status, SO::kBadData, 0, none, 0},
      {0, std::string("\x02\x03"), SO::kBadData, 0, none, 0},
      {1, close, SO::kCloseReceived, 3, none, 0},
      {1, status, SO::kStatus, 1, wire::MakeStatusReply('1', "System OK"), 0},
      {1, start, SO::kFileStarted, 2, none, 0},
      {1, start, SO::kFileError, 1, none, 0, 'C'},
      {1, RawFrame('6', "short"), SO::kBadData, 1, none, 0},
      {1, end, SO::kNone, 1, none, 0},  // as FileData: after a FileStart whose file failed
      {1, RawFrame('C'), SO::kCancelRequest, 1, none, 0},
      {1, RawFrame('B'), SO::kBadData, 1, none, 0},
      {2, data("00000000"), SO::kNone, 2, none, 0},
      {2, wire::MakeFileData("abc"), SO::kFileError, 1, none, 1, 'A'},
      {2, data("00000501"), SO::kBadData, 1, none, 1},
      {2, data("-0000001"), SO::kBadData, 1, none, 1},
      {2, shortData, SO::kBadData, 2, none, 0},
      {2, end, SO::kFileReceived, 1, RawFrame('9'), 1},
      {2, end, SO::kFileError, 1, none, 1, 'L'},  // bytes may be lost: not received
      {2, RawFrame('B'), SO::kTransferAborted, 1, ack, 1},
      {2, RawFrame('C'), SO::kCancelRequest, 1, ack, 1},
      {2, close, SO::kCloseReceived, 3, none, 1},
      {2, status, SO::kBadData, 2, none, 1},
      {2, start, SO::kBadData, 2, none, 1},
      {3, kLogin, SO::kNone, 3, none, 0},
      {4, status, SO::kNone, 4, none, 0},
      {4, close, SO::kCloseReceived, 4, none, 0},  // both closing: no need to wait the grace
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
            SO::kLoggedIn);
  EXPECT_EQ(Session(0, "alicealicealiceX").Feed(wire::MakeLogin("alicealicealiceX", "secret")),
            SO::kBadLogin);
}

// While it lives, files of this process cannot grow beyond bytes: a write past the limit
// fails with EFBIG, as one on a full disk fails with ENOSPC. SIGXFSZ is ignored so that
// the write call fails instead of the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_saved.rlim_cur = m_saved.rlim_max = RLIM_INFINITY;
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool IsSet() const { return m_set; }

 private:
  rlimit m_saved{};
  void (*m_savedHandler)(int) = SIG_DFL;
  bool m_set = false;
};

TEST(ServerProtocol, AFailingSpoolWriteIsAFileErrorAtTheLatestWhenFileEndIsHandled) {
  struct Row {
    const char* sentence;
    std::size_t pieces;
    bool failsBeforeFileEnd;
  };
  const std::size_t piecesPerBlock = CDiskSpoolFile::kBlockSize / wire::kMaxPiece;
  const Row rows[] = {
      {.sentence = "a file smaller than a write block fails when FileEnd closes it",
       .pieces = 3,
       .failsBeforeFileEnd = false},
      {.sentence = "a larger file fails at a piece, without waiting for its end",
       .pieces = 2 * piecesPerBlock,
       .failsBeforeFileEnd = true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.sentence);
    ScratchFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    CSpoolCounter counter;
    CServerProtocol protocol(std::make_unique<CDiskSpoolFile>(), counter);
    protocol.Start("alice", "secret", folder.Path(), "ftpuser", '1', "System OK");
    std::vector<std::string> frames = {kLogin, wire::MakeFileStart("desk.inc", 17)};
    frames.insert(frames.end(), row.pieces, wire::MakeFileData(std::string(500, 'd')));
    frames.push_back(RawFrame(wire::kFileEnd));

    FileSizeLimit limit(1000);  // the first write block does not fit
    ASSERT_TRUE(limit.IsSet());
    std::size_t fileErrors = 0;
    std::size_t firstErrorAt = frames.size();
    std::size_t received = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      auto result = protocol.Feed(frames[i].data(), frames[i].size());
      EXPECT_EQ(result.consumed, frames[i].size());
      if (result.outcome == SO::kFileError) {
        firstErrorAt = std::min(firstErrorAt, i);
        ++fileErrors;
      }
      received += result.outcome == SO::kFileReceived ? 1 : 0;
    }
    EXPECT_EQ(fileErrors, 1u);
    EXPECT_EQ(firstErrorAt < frames.size() - 1, row.failsBeforeFileEnd);
    // The file may have lost bytes: it is not taken as received.
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(protocol.State(), ServerState::kLoggedIn);
    const CFileError& error = protocol.FileError();
    EXPECT_EQ(error.m_cause, FileErrorCause::kWrite);
    EXPECT_EQ(error.m_osError, EFBIG);
    EXPECT_EQ(error.m_function, "write");
    EXPECT_EQ(error.m_fileName, protocol.SpoolFileName());
  }
}

TEST(ServerLink, RepliesGoByPriorityReportsAreLimitedAndCloseDropsTheRest) {
  test::FakeSpoolDisk disk;
  CSpoolCounter counter;
  CServerLink link(std::make_unique<test::FakeSpoolFile>(disk), counter);
  link.Start("alice", "secret", kDir, "ftp", '1', "System OK");
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

using CO = ClientOutcome;

class ClientProtocolTest : public ::testing::Test {
 protected:
  ClientProtocolTest() { m_disk.files["/up/f.inc"] = "hello"; }

  CO Feed(const std::string& frame) {
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
          while (m_protocol.AppendNextPiece(piece, error) == CClientProtocol::Piece::kData) {
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
  const CO B = CO::kBadData, N = CO::kNone, C = CO::kCloseReceived, S = CO::kStatus,
           D = CO::kDeliveryReport, A = CO::kCancelAcknowledged;
  struct Row {
    std::string frame;
    CO outcomes[7];     // in states 0 .. 6
    const char* after;  // the state after, per state
  };
  const Row rows[] = {
      {wire::MakeGreeting(), {CO::kLoginSent, CO::kLoggedIn, B, B, B, N, N}, "1223456"},
      {RawFrame('2', "00001"), {CO::kLoginSent, CO::kLoggedIn, B, B, B, N, N}, "1223456"},
      {RawFrame('2', "    2"), {CO::kBadVersion, CO::kLoggedIn, B, B, B, N, N}, "0223456"},
      {RawFrame('2', "1"), {B, CO::kLoggedIn, B, B, B, N, N}, "0223456"},  // no version field
      {wire::MakeClose('3'), {C, C, C, C, C, N, C}, "5555556"},
      // Both sides closing: the server's Close lets the client drop the connection at once.
      {wire::MakeClose('1'), {C, C, C, C, C, N, C}, "5555556"},
      {wire::MakeStatusReply('1', ""), {B, B, S, S, S, N, N}, "0123456"},
      {wire::MakeDeliveryReport('1', 3), {B, B, D, D, D, N, N}, "0123456"},
      {RawFrame('A'), {B, B, B, A, A, N, N}, "0122256"},
      {RawFrame('9'), {B, B, B, B, CO::kFileAcknowledged, N, N}, "0123256"},
      {RawFrame('5', "2short"), {B, B, B, B, B, N, N}, "0123456"},
      {RawFrame('D', "1000"), {B, B, B, B, B, N, N}, "0123456"},
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
      {[&] { return m_protocol.BeginFile("/up/f.inc", "/up/f.inc", 1, error); },
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
  EXPECT_EQ(Feed(RawFrame('9')), CO::kFileAcknowledged);
  EXPECT_EQ(Feed(RawFrame('9')), CO::kBadData);
  // A file that cannot be opened, read or framed.
  Reach(2);
  EXPECT_EQ(m_protocol.BeginFile("missing.inc", "/up/missing.inc", 1, error), "");
  EXPECT_EQ(error.m_cause, FileErrorCause::kOpen);
  std::string message;
  for (bool failRead : {false, true}) {
    m_disk.files["/up/f.inc"] = "ab\x03";
    m_disk.failRead = failRead;
    Reach(3);
    EXPECT_EQ(m_protocol.AppendNextPiece(message, error), CClientProtocol::Piece::kError);
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
    EXPECT_NE(link.TakeNextMessage(now, message, error), CClientLink::Take::kFileError);
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
}

}  // namespace
}  // namespace trqx
