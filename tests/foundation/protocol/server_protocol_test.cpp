#include "foundation/protocol/server_protocol.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "foundation/protocol/protocol_fakes.h"

namespace trqx {
namespace {

using test::FakeSpoolDisk;
using test::FakeSpoolFile;
using test::RawFrame;

constexpr const char* kSessionDirectory = "Remote/Remote0000003";

class ServerProtocolTest : public ::testing::Test {
 protected:
  ServerProtocolTest() : m_protocol(std::make_unique<FakeSpoolFile>(m_disk), m_counter) {
    m_protocol.Start(" alice ", "secret", kSessionDirectory, "ftpuser", '1', "System OK");
    EXPECT_EQ(m_protocol.TakeReply(), wire::MakeGreeting());
  }

  // Feeds the whole input; the outcome of every call that stopped early, then the last.
  std::vector<ServerOutcome> Feed(const std::string& input) {
    std::vector<ServerOutcome> outcomes;
    std::size_t at = 0;
    do {
      auto result = m_protocol.Feed(input.data() + at, input.size() - at);
      at += result.consumed;
      if (result.outcome != ServerOutcome::kNone || at == input.size()) {
        outcomes.push_back(result.outcome);
      }
    } while (at < input.size());
    return outcomes;
  }
  ServerOutcome FeedOne(const std::string& frame) {
    auto outcomes = Feed(frame);
    EXPECT_EQ(outcomes.size(), 1u);
    return outcomes.back();
  }
  void LogIn() {
    ASSERT_EQ(FeedOne(wire::MakeLogin("alice", "secret")), ServerOutcome::kLoggedIn);
    ASSERT_EQ(m_protocol.TakeReply(), wire::MakeGreeting());
  }
  void StartFile(std::uint32_t number = 17) {
    LogIn();
    ASSERT_EQ(FeedOne(wire::MakeFileStart("desk.inc", number)), ServerOutcome::kFileStarted);
    ASSERT_EQ(m_protocol.State(), ServerState::kReceivingFile);
  }
  static std::string FileDataWithLength(const std::string& lengthField) {
    return RawFrame(wire::kFileData, lengthField + std::string(500, 'p'));
  }

  FakeSpoolDisk m_disk;
  CSpoolCounter m_counter;
  CServerProtocol m_protocol;
};

TEST_F(ServerProtocolTest, LoginComparesTrimmedTextExactly) {
  LogIn();
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
}

TEST_F(ServerProtocolTest, LongerLoginIsAcceptedAndExtraBytesIgnored) {
  std::string login = wire::MakeLogin("alice", "secret");
  login.insert(login.size() - 1, "extra");
  EXPECT_EQ(FeedOne(login), ServerOutcome::kLoggedIn);
}

TEST_F(ServerProtocolTest, BadLoginRepliesCloseThreeAndEnds) {
  EXPECT_EQ(FeedOne(wire::MakeLogin("alice", "Secret")), ServerOutcome::kBadLogin);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeClose('3'));
  EXPECT_EQ(m_protocol.State(), ServerState::kEnded);
  // Nothing more is taken from this client.
  EXPECT_EQ(FeedOne(wire::MakeLogin("alice", "secret")), ServerOutcome::kNone);
  EXPECT_FALSE(m_protocol.HasReply());
  EXPECT_TRUE(m_protocol.MakeClose().empty());
}

TEST_F(ServerProtocolTest, NamesMatchOnlyByTheFifteenCharactersSent) {
  CServerProtocol fifteen(std::make_unique<FakeSpoolFile>(m_disk), m_counter);
  fifteen.Start("abcdefghijklmno", "pw", kSessionDirectory, "u", '1', "");
  std::string login = wire::MakeLogin("abcdefghijklmnopqrs", "pw");
  EXPECT_EQ(fifteen.Feed(login.data(), login.size()).outcome, ServerOutcome::kLoggedIn);

  CServerProtocol sixteen(std::make_unique<FakeSpoolFile>(m_disk), m_counter);
  sixteen.Start("abcdefghijklmnop", "pw", kSessionDirectory, "u", '1', "");
  login = wire::MakeLogin("abcdefghijklmnop", "pw");
  EXPECT_EQ(sixteen.Feed(login.data(), login.size()).outcome, ServerOutcome::kBadLogin);
}

TEST_F(ServerProtocolTest, StateZeroTakesOnlyLoginAndClose) {
  std::string login32 = wire::MakeLogin("alice", "secret");
  login32.erase(login32.size() - 2, 1);
  ASSERT_EQ(login32.size(), 32u);
  for (const std::string& frame :
       {login32, wire::MakeBare(wire::kStatusRequest), wire::MakeFileStart("a", 1),
        wire::MakeBare(wire::kCancelRequest), RawFrame('Z'), std::string("\x02\x03", 2)}) {
    EXPECT_EQ(FeedOne(frame), ServerOutcome::kBadData);
    EXPECT_EQ(m_protocol.State(), ServerState::kAwaitingLogin);
    EXPECT_FALSE(m_protocol.HasReply());
  }
  EXPECT_EQ(FeedOne(wire::MakeClose('1')), ServerOutcome::kCloseReceived);
  EXPECT_EQ(m_protocol.State(), ServerState::kClosedByClient);
}

TEST_F(ServerProtocolTest, StateOneRows) {
  LogIn();
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kStatusRequest)), ServerOutcome::kStatus);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeStatusReply('1', "System OK"));
  // FileData and FileEnd without a file are ignored.
  EXPECT_EQ(FeedOne(wire::MakeFileData("x")), ServerOutcome::kNone);
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kFileEnd)), ServerOutcome::kNone);
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kCancelRequest)), ServerOutcome::kCancelRequest);
  EXPECT_FALSE(m_protocol.HasReply());
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  for (const std::string& frame :
       {wire::MakeBare(wire::kTransferAbort), wire::MakeLogin("alice", "secret"), RawFrame('6'),
        RawFrame('x')}) {
    EXPECT_EQ(FeedOne(frame), ServerOutcome::kBadData);
    EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  }
  EXPECT_TRUE(m_disk.created.empty());
  EXPECT_EQ(FeedOne(wire::MakeClose('1')), ServerOutcome::kCloseReceived);
  EXPECT_EQ(m_protocol.State(), ServerState::kClosedByClient);
}

TEST_F(ServerProtocolTest, FileStartNamesTheSpoolFileOnlyFromFolderStemAndCounter) {
  LogIn();
  EXPECT_EQ(FeedOne(wire::MakeFileStart("../../etc/passwd", 12345678)),
            ServerOutcome::kFileStarted);
  EXPECT_EQ(m_protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo000.inc");
  EXPECT_EQ(m_protocol.UploadNumber(), 12345678u);
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kFileEnd)), ServerOutcome::kFileReceived);
  EXPECT_EQ(FeedOne(wire::MakeFileStart("x", 1)), ServerOutcome::kFileStarted);
  EXPECT_EQ(m_protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo001.inc");

  // A '/' in the stem cannot lead out of the session directory.
  CServerProtocol other(std::make_unique<FakeSpoolFile>(m_disk), m_counter);
  other.Start("a", "b", kSessionDirectory, "../up", '1', "");
  for (const std::string& frame : {wire::MakeLogin("a", "b"), wire::MakeFileStart("y", 2)}) {
    other.Feed(frame.data(), frame.size());
  }
  EXPECT_EQ(other.SpoolFileName(), "Remote/Remote0000003/.._upvexo002.inc");
}

TEST_F(ServerProtocolTest, CounterAbove999HasMoreDigits) {
  for (int i = 0; i < 1000; ++i) {
    m_counter.Take();
  }
  StartFile();
  EXPECT_EQ(m_protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo1000.inc");
}

TEST_F(ServerProtocolTest, UnwritableSpoolFileLeavesStateOneAndIgnoresTheFile) {
  LogIn();
  m_disk.failCreate = true;
  EXPECT_EQ(FeedOne(wire::MakeFileStart("desk.inc", 3)), ServerOutcome::kFileError);
  EXPECT_EQ(m_protocol.FileError().m_fileName, "Remote/Remote0000003/ftpuservexo000.inc");
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  // The pieces and the end that follow get no reply.
  EXPECT_EQ(Feed(wire::MakeFileData("abc") + wire::MakeBare(wire::kFileEnd)),
            std::vector<ServerOutcome>{ServerOutcome::kNone});
  EXPECT_FALSE(m_protocol.HasReply());
  // The number was used all the same.
  m_disk.failCreate = false;
  EXPECT_EQ(FeedOne(wire::MakeFileStart("desk.inc", 4)), ServerOutcome::kFileStarted);
  EXPECT_EQ(m_protocol.SpoolFileName(), "Remote/Remote0000003/ftpuservexo001.inc");
}

TEST_F(ServerProtocolTest, PiecesAreAppendedByTheirLength) {
  StartFile();
  EXPECT_EQ(Feed(wire::MakeFileData("abc") + FileDataWithLength("00000000") +
                 wire::MakeFileData(std::string(500, 'z')) + FileDataWithLength("     002")),
            std::vector<ServerOutcome>{ServerOutcome::kNone});
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kFileEnd)), ServerOutcome::kFileReceived);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeBare(wire::kFileReceived));
  EXPECT_EQ(m_disk.files.at(m_protocol.SpoolFileName()), "abc" + std::string(500, 'z') + "pp");
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  EXPECT_EQ(m_disk.closes, 1);
}

TEST_F(ServerProtocolTest, PieceLengthOutsideTheDataAreaIsBadDataAndClosesTheFile) {
  for (const char* length : {"00000501", "-0000001", "99999999"}) {
    StartFile();
    EXPECT_EQ(FeedOne(FileDataWithLength(length)), ServerOutcome::kBadData) << length;
    EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
    EXPECT_EQ(m_disk.files.at(m_protocol.SpoolFileName()), "");
    m_protocol.Start("alice", "secret", kSessionDirectory, "ftpuser", '1', "System OK");
    m_protocol.TakeReply();
  }
}

TEST_F(ServerProtocolTest, ShortFileDataIsBadDataInStateTwo) {
  StartFile();
  std::string shortData = wire::MakeFileData("abc");
  shortData.erase(20, 1);
  EXPECT_EQ(FeedOne(shortData), ServerOutcome::kBadData);
  EXPECT_EQ(m_protocol.State(), ServerState::kReceivingFile);
}

TEST_F(ServerProtocolTest, WriteFailureIsAFileErrorBackInStateOne) {
  StartFile();
  m_disk.failAppend = true;
  EXPECT_EQ(FeedOne(wire::MakeFileData("abc")), ServerOutcome::kFileError);
  EXPECT_EQ(m_protocol.FileError().m_function, "write");
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  EXPECT_EQ(m_disk.closes, 1);
}

TEST_F(ServerProtocolTest, FailingCloseAtTheEndIsAFileErrorNotAReceivedFile) {
  StartFile();
  m_disk.failClose = true;
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kFileEnd)), ServerOutcome::kFileError);
  EXPECT_FALSE(m_protocol.HasReply());
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
}

TEST_F(ServerProtocolTest, StateTwoAbortCancelCloseAndOthers) {
  StartFile();
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kTransferAbort)), ServerOutcome::kTransferAborted);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeBare(wire::kCancelAck));
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);
  EXPECT_EQ(m_disk.closes, 1);

  ASSERT_EQ(FeedOne(wire::MakeFileStart("b", 2)), ServerOutcome::kFileStarted);
  EXPECT_EQ(FeedOne(wire::MakeBare(wire::kCancelRequest)), ServerOutcome::kCancelRequest);
  EXPECT_EQ(m_protocol.TakeReply(), wire::MakeBare(wire::kCancelAck));
  EXPECT_EQ(m_protocol.State(), ServerState::kLoggedIn);

  for (const std::string& frame : {wire::MakeBare(wire::kStatusRequest), RawFrame('1'),
                                   wire::MakeFileStart("c", 3), RawFrame('?')}) {
    ASSERT_EQ(FeedOne(wire::MakeFileStart("b", 2)), ServerOutcome::kFileStarted);
    int closes = m_disk.closes;
    EXPECT_EQ(FeedOne(frame), ServerOutcome::kBadData);
    EXPECT_EQ(m_protocol.State(), ServerState::kReceivingFile);
    EXPECT_EQ(m_disk.closes, closes + 1);
    EXPECT_FALSE(m_protocol.HasReply());
    m_protocol.Start("alice", "secret", kSessionDirectory, "ftpuser", '1', "System OK");
    m_protocol.TakeReply();
    LogIn();
  }

  ASSERT_EQ(FeedOne(wire::MakeFileStart("d", 4)), ServerOutcome::kFileStarted);
  int closes = m_disk.closes;
  EXPECT_EQ(FeedOne(wire::MakeClose('1')), ServerOutcome::kCloseReceived);
  EXPECT_EQ(m_protocol.State(), ServerState::kClosedByClient);
  EXPECT_EQ(m_disk.closes, closes + 1);
  // Closed by the client: everything after is ignored.
  EXPECT_EQ(FeedOne(wire::MakeFileData("x")), ServerOutcome::kNone);
}

TEST_F(ServerProtocolTest, DeliveryReportsOnlyInStatesOneAndTwo) {
  EXPECT_TRUE(m_protocol.MakeDeliveryReport(5, '1').empty());
  LogIn();
  EXPECT_EQ(m_protocol.MakeDeliveryReport(5, '1'), wire::MakeDeliveryReport('1', 5));
  ASSERT_EQ(FeedOne(wire::MakeFileStart("a", 1)), ServerOutcome::kFileStarted);
  EXPECT_EQ(m_protocol.MakeDeliveryReport(0, '3'), wire::MakeDeliveryReport('3', 0));
  EXPECT_EQ(m_protocol.MakeClose(), wire::MakeClose('1'));
  EXPECT_EQ(m_disk.closes, 1);
  EXPECT_EQ(m_protocol.State(), ServerState::kEnded);
  EXPECT_TRUE(m_protocol.MakeDeliveryReport(5, '1').empty());
}

TEST(ServerProtocolSessions, ConcurrentSessionsGetDifferentSpoolNames) {
  CSpoolCounter counter;
  constexpr int kFiles = 200;
  std::vector<std::string> names[2];
  FakeSpoolDisk disks[2];
  auto session = [&](int index) {
    CServerProtocol protocol(std::make_unique<FakeSpoolFile>(disks[index]), counter);
    protocol.Start("u", "p", kSessionDirectory, "stem", '1', "");
    std::string login = wire::MakeLogin("u", "p");
    protocol.Feed(login.data(), login.size());
    const std::string start = wire::MakeFileStart("f", 1);
    const std::string end = wire::MakeBare(wire::kFileEnd);
    for (int i = 0; i < kFiles; ++i) {
      protocol.Feed(start.data(), start.size());
      names[index].push_back(protocol.SpoolFileName());
      protocol.Feed(end.data(), end.size());
    }
  };
  std::thread first(session, 0);
  std::thread second(session, 1);
  first.join();
  second.join();
  std::set<std::string> all(names[0].begin(), names[0].end());
  all.insert(names[1].begin(), names[1].end());
  EXPECT_EQ(all.size(), 2u * kFiles);
}

}  // namespace
}  // namespace trqx
