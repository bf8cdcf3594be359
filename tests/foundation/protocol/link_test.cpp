#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "foundation/protocol/client_link.h"
#include "foundation/protocol/protocol_fakes.h"
#include "foundation/protocol/server_link.h"

namespace trqx {
namespace {

using test::FakeSpoolDisk;
using test::FakeSpoolFile;
using test::FakeUploadDisk;
using test::FakeUploadSource;

constexpr const char* kDir = "Remote/Remote0000000";

std::vector<ServerOutcome> Outcomes(const std::vector<CServerEvent>& events) {
  std::vector<ServerOutcome> outcomes;
  for (const CServerEvent& event : events) {
    outcomes.push_back(event.m_outcome);
  }
  return outcomes;
}

std::vector<ClientOutcome> Outcomes(const std::vector<CClientEvent>& events) {
  std::vector<ClientOutcome> outcomes;
  for (const CClientEvent& event : events) {
    outcomes.push_back(event.m_outcome);
  }
  return outcomes;
}

class ServerLinkTest : public ::testing::Test {
 protected:
  ServerLinkTest() : m_link(std::make_unique<FakeSpoolFile>(m_disk), m_counter) {
    m_link.Start("u", "p", kDir, "ftp", '1', "System OK");
  }
  std::vector<ServerOutcome> Receive(const std::string& bytes) {
    std::vector<CServerEvent> events;
    m_link.Receive(bytes, events);
    return Outcomes(events);
  }

  FakeSpoolDisk m_disk;
  CSpoolCounter m_counter;
  CServerLink m_link;
};

TEST_F(ServerLinkTest, GreetingGoesFirstAndRepliesFollowTheirPriority) {
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeGreeting());
  EXPECT_TRUE(m_link.TakeNextMessage().empty());
  // Login, a status request and a file start in one read.
  EXPECT_EQ(Receive(wire::MakeLogin("u", "p") + wire::MakeBare(wire::kStatusRequest) +
                    wire::MakeFileStart("f", 4) + wire::MakeFileData("abc")),
            (std::vector<ServerOutcome>{ServerOutcome::kLoggedIn, ServerOutcome::kStatus,
                                        ServerOutcome::kFileStarted}));
  ASSERT_TRUE(m_link.QueueDeliveryReport(9, '1'));
  // Status reply before the other replies, reports last.
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeStatusReply('1', "System OK"));
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeGreeting());
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeDeliveryReport('1', 9));
  EXPECT_TRUE(m_link.TakeNextMessage().empty());
  EXPECT_EQ(m_disk.files.at("Remote/Remote0000000/ftpvexo000.inc"), "abc");
}

TEST_F(ServerLinkTest, EventsCarryTheReceivedFileAndStopAtBadData) {
  std::vector<CServerEvent> events;
  m_link.Receive(wire::MakeLogin("u", "p") + wire::MakeFileStart("f", 77) +
                     wire::MakeFileData("xyz") + wire::MakeBare(wire::kFileEnd) +
                     wire::MakeBare(wire::kTransferAbort) + wire::MakeClose('1'),
                 events);
  ASSERT_EQ(Outcomes(events),
            (std::vector<ServerOutcome>{ServerOutcome::kLoggedIn, ServerOutcome::kFileStarted,
                                        ServerOutcome::kFileReceived, ServerOutcome::kBadData}));
  EXPECT_EQ(events[2].m_spoolFileName, "Remote/Remote0000000/ftpvexo000.inc");
  EXPECT_EQ(events[2].m_uploadNumber, 77u);
  // The Close after the bad data was not looked at.
  EXPECT_FALSE(m_link.ClosedByClient());
}

TEST_F(ServerLinkTest, FileErrorEventNamesTheFile) {
  m_disk.failCreate = true;
  std::vector<CServerEvent> events;
  m_link.Receive(wire::MakeLogin("u", "p") + wire::MakeFileStart("f", 1), events);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].m_outcome, ServerOutcome::kFileError);
  EXPECT_EQ(events[1].m_fileError.m_fileName, "Remote/Remote0000000/ftpvexo000.inc");
}

TEST_F(ServerLinkTest, AtMostTenReportsAndOnlyInStatesOneAndTwo) {
  EXPECT_FALSE(m_link.QueueDeliveryReport(1, '1'));  // state 0
  ASSERT_EQ(m_link.TakeNextMessage(), wire::MakeGreeting());
  Receive(wire::MakeLogin("u", "p"));
  for (std::uint32_t i = 0; i < CServerLink::kMaxPendingReports; ++i) {
    EXPECT_TRUE(m_link.QueueDeliveryReport(i, '1'));
  }
  EXPECT_FALSE(m_link.QueueDeliveryReport(10, '1'));
  EXPECT_EQ(m_link.PendingReports(), 10u);
  ASSERT_EQ(m_link.TakeNextMessage(), wire::MakeGreeting());  // the login's answer
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeDeliveryReport('1', 0));
  EXPECT_TRUE(m_link.QueueDeliveryReport(10, '2'));
}

TEST_F(ServerLinkTest, OrderlyCloseDropsRepliesAndReportsAndGoesFirst) {
  Receive(wire::MakeLogin("u", "p") + wire::MakeBare(wire::kStatusRequest));
  m_link.QueueDeliveryReport(3, '1');
  EXPECT_TRUE(m_link.BeginClose());
  EXPECT_FALSE(m_link.BeginClose());
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeClose('1'));
  EXPECT_TRUE(m_link.TakeNextMessage().empty());
  EXPECT_EQ(m_link.Protocol().State(), ServerState::kEnded);
  EXPECT_FALSE(m_link.QueueDeliveryReport(3, '1'));
}

TEST_F(ServerLinkTest, BadLoginCloseStaysWhenTheStopComes) {
  m_link.TakeNextMessage();
  EXPECT_EQ(Receive(wire::MakeLogin("u", "x")),
            std::vector<ServerOutcome>{ServerOutcome::kBadLogin});
  EXPECT_FALSE(m_link.BeginClose());
  EXPECT_EQ(m_link.TakeNextMessage(), wire::MakeClose('3'));
}

class ClientLinkTest : public ::testing::Test {
 protected:
  ClientLinkTest() : m_link(std::make_unique<FakeUploadSource>(m_disk)) {
    m_disk.files["/f.inc"] = std::string(700, 'k');
    m_disk.files["/big.inc"] = std::string(20000, 'g');
    m_link.Start("u", "p", m_now);
  }
  std::vector<ClientOutcome> Receive(const std::string& bytes) {
    std::vector<CClientEvent> events;
    m_link.Receive(bytes, events);
    return Outcomes(events);
  }
  std::string Take() {
    std::string message;
    CFileError error;
    EXPECT_NE(m_link.TakeNextMessage(m_now, message, error), CClientLink::Take::kFileError);
    return message;
  }
  void LogIn() {
    Receive(wire::MakeGreeting());
    ASSERT_EQ(Take(), wire::MakeLogin("u", "p"));
    Receive(wire::MakeGreeting());
    ASSERT_EQ(m_link.Protocol().State(), ClientState::kLoggedIn);
  }

  FakeUploadDisk m_disk;
  CClientLink m_link;
  std::time_t m_now = 1000;
};

TEST_F(ClientLinkTest, IdlePollAfterMoreThanTwentySecondsSinceTheLastMessage) {
  EXPECT_FALSE(m_link.IdleDeadline());  // not logged in
  LogIn();
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now + 21));
  m_now += 20;
  EXPECT_TRUE(Take().empty());
  m_now += 1;
  EXPECT_EQ(Take(), wire::MakeBare(wire::kStatusRequest));
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now + 21));
  EXPECT_TRUE(m_link.ExpectsData());
}

TEST_F(ClientLinkTest, NoPollWhileAFileIsInFlightOrAwaitingFileReceived) {
  LogIn();
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_FALSE(m_link.IdleDeadline());
  EXPECT_EQ(Take(), wire::MakeFileStart("f.inc", 5));
  EXPECT_FALSE(m_link.ExpectsData());  // sending
  m_now += 100;
  // The whole small file is one run of pieces, ending with the FileEnd.
  EXPECT_EQ(Take(), wire::MakeFileData(std::string(500, 'k')) +
                        wire::MakeFileData(std::string(200, 'k')) + wire::MakeBare(wire::kFileEnd));
  EXPECT_TRUE(m_link.ExpectsData());  // awaiting FileReceived
  m_now += 100;
  EXPECT_FALSE(m_link.IdleDeadline());
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(Receive(wire::MakeBare(wire::kFileReceived)),
            std::vector<ClientOutcome>{ClientOutcome::kFileAcknowledged});
  EXPECT_EQ(m_link.IdleDeadline(), std::optional<std::time_t>(m_now - 100 + 21));
}

TEST_F(ClientLinkTest, RequestsGoBeforePiecesAndAFileStartBeforeItsAbort) {
  LogIn();
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_FALSE(m_link.SendFile("f.inc", "/f.inc", 6, error));  // one file at a time
  ASSERT_TRUE(m_link.AbortTransfer());
  EXPECT_EQ(Take(), wire::MakeFileStart("f.inc", 5));
  EXPECT_EQ(Take(), wire::MakeBare(wire::kTransferAbort));
  EXPECT_TRUE(Take().empty());  // no pieces after the abort
  EXPECT_EQ(Receive(wire::MakeBare(wire::kCancelAck)),
            std::vector<ClientOutcome>{ClientOutcome::kCancelAcknowledged});

  ASSERT_TRUE(m_link.SendFile("big.inc", "/big.inc", 7, error));
  EXPECT_EQ(Take(), wire::MakeFileStart("big.inc", 7));
  // One run of pieces, and the file is not at its end yet.
  std::string run;
  for (std::size_t i = 0; i < CClientLink::kPiecesPerTake; ++i) {
    run += wire::MakeFileData(std::string(500, 'g'));
  }
  EXPECT_EQ(Take(), run);
  ASSERT_TRUE(m_link.Cancel());
  EXPECT_EQ(Take(), wire::MakeBare(wire::kCancelRequest));
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(m_link.AbortTransfer());  // state 4
}

TEST_F(ClientLinkTest, ReadFailureEndsTheConnection) {
  LogIn();
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  Take();
  m_disk.failRead = true;
  std::string message;
  EXPECT_EQ(m_link.TakeNextMessage(m_now, message, error), CClientLink::Take::kFileError);
  EXPECT_EQ(error.m_function, "read");
}

TEST_F(ClientLinkTest, OrderlyCloseDropsRequestsAndStopsTheNoDataTimer) {
  LogIn();
  CFileError error;
  ASSERT_TRUE(m_link.SendFile("f.inc", "/f.inc", 5, error));
  EXPECT_TRUE(m_link.BeginClose());
  EXPECT_FALSE(m_link.BeginClose());
  EXPECT_EQ(Take(), wire::MakeClose('1'));
  EXPECT_TRUE(Take().empty());
  EXPECT_FALSE(m_link.ExpectsData());
  EXPECT_FALSE(m_link.IdleDeadline());
  // Anything the server still sends is ignored.
  EXPECT_TRUE(Receive(wire::MakeBare(wire::kFileReceived)).empty());
}

TEST_F(ClientLinkTest, EventsCarryStatusTextAndReports) {
  LogIn();
  std::vector<CClientEvent> events;
  m_link.Receive(wire::MakeStatusReply('1', "System OK") + wire::MakeStatusReply('2', "Busy") +
                     wire::MakeDeliveryReport('6', 0) + wire::MakeBare(wire::kFileReceived) +
                     wire::MakeClose('1'),
                 events);
  ASSERT_EQ(Outcomes(events),
            (std::vector<ClientOutcome>{ClientOutcome::kStatus, ClientOutcome::kStatus,
                                        ClientOutcome::kDeliveryReport, ClientOutcome::kBadData}));
  EXPECT_FALSE(events[0].m_showStatusText);
  EXPECT_TRUE(events[1].m_showStatusText);
  EXPECT_EQ(events[1].m_statusText, "Busy");
  EXPECT_EQ(events[2].m_reportOutcome, '6');
  EXPECT_FALSE(m_link.ClosedByServer());
}

// Both links joined without sockets: whatever one side sends, the other receives.
class LinkPair {
 public:
  LinkPair(std::unique_ptr<CSpoolFile> spool, CSpoolCounter& counter,
           std::unique_ptr<CUploadSource> source)
      : m_server(std::move(spool), counter), m_client(std::move(source)) {
    m_server.Start("u", "p", kDir, "ftp", '1', "System OK");
    m_client.Start("u", "p", m_now);
  }
  // Moves messages both ways until neither side has one, in reads of readSize bytes.
  void Pump(std::size_t readSize = 250) {
    for (bool moved = true; moved;) {
      moved = false;
      for (std::string m; !(m = m_server.TakeNextMessage()).empty(); moved = true) {
        for (std::size_t at = 0; at < m.size(); at += readSize) {
          m_client.Receive(std::string_view(m).substr(at, readSize), m_clientEvents);
        }
      }
      std::string m;
      CFileError error;
      while (m_client.TakeNextMessage(m_now, m, error) == CClientLink::Take::kMessage) {
        moved = true;
        for (std::size_t at = 0; at < m.size(); at += readSize) {
          m_server.Receive(std::string_view(m).substr(at, readSize), m_serverEvents);
        }
      }
    }
  }

  CServerLink m_server;
  CClientLink m_client;
  std::vector<CServerEvent> m_serverEvents;
  std::vector<CClientEvent> m_clientEvents;
  std::time_t m_now = 5000;
};

TEST(LinkSession, WholeSessionInOrder) {
  FakeSpoolDisk spoolDisk;
  FakeUploadDisk uploadDisk;
  uploadDisk.files["/a.inc"] = std::string(1234, 'a');
  uploadDisk.files["/b.inc"] = std::string(10, 'b');
  CSpoolCounter counter;
  LinkPair pair(std::make_unique<FakeSpoolFile>(spoolDisk), counter,
                std::make_unique<FakeUploadSource>(uploadDisk));
  pair.Pump(7);
  ASSERT_EQ(pair.m_client.Protocol().State(), ClientState::kLoggedIn);
  EXPECT_EQ(Outcomes(pair.m_clientEvents),
            (std::vector<ClientOutcome>{ClientOutcome::kLoginSent, ClientOutcome::kLoggedIn}));

  // 20 s idle: nothing; 21 s: a status request and its reply.
  pair.m_now += 20;
  pair.Pump();
  EXPECT_EQ(pair.m_clientEvents.size(), 2u);
  pair.m_now += 1;
  pair.Pump();
  ASSERT_EQ(pair.m_clientEvents.size(), 3u);
  EXPECT_EQ(pair.m_clientEvents.back().m_outcome, ClientOutcome::kStatus);

  CFileError error;
  ASSERT_TRUE(pair.m_client.SendFile("a.inc", "/a.inc", 1, error));
  pair.Pump(250);
  EXPECT_EQ(pair.m_clientEvents.back().m_outcome, ClientOutcome::kFileAcknowledged);
  ASSERT_EQ(pair.m_serverEvents.back().m_outcome, ServerOutcome::kFileReceived);
  EXPECT_EQ(spoolDisk.files.at(pair.m_serverEvents.back().m_spoolFileName), std::string(1234, 'a'));

  // A delivery report for the first file while the second is in flight.
  ASSERT_TRUE(pair.m_client.SendFile("b.inc", "/b.inc", 2, error));
  std::string message;
  ASSERT_EQ(pair.m_client.TakeNextMessage(pair.m_now, message, error), CClientLink::Take::kMessage);
  pair.m_server.Receive(message, pair.m_serverEvents);  // FileStart
  ASSERT_TRUE(pair.m_server.QueueDeliveryReport(1, wire::kDeliveryForwarded));
  pair.Pump();
  ASSERT_GE(pair.m_clientEvents.size(), 2u);
  const CClientEvent& report = pair.m_clientEvents[pair.m_clientEvents.size() - 2];
  EXPECT_EQ(report.m_outcome, ClientOutcome::kDeliveryReport);
  EXPECT_EQ(report.m_uploadNumber, 1u);
  EXPECT_EQ(pair.m_clientEvents.back().m_outcome, ClientOutcome::kFileAcknowledged);
  EXPECT_EQ(spoolDisk.files.at(pair.m_serverEvents.back().m_spoolFileName), std::string(10, 'b'));

  // The client closes.
  ASSERT_TRUE(pair.m_client.BeginClose());
  pair.Pump();
  EXPECT_TRUE(pair.m_server.ClosedByClient());
  EXPECT_EQ(pair.m_serverEvents.back().m_outcome, ServerOutcome::kCloseReceived);
}

TEST(LinkSession, CancelAndAbortInEachState) {
  FakeSpoolDisk spoolDisk;
  FakeUploadDisk uploadDisk;
  uploadDisk.files["/a.inc"] = std::string(20000, 'a');
  CSpoolCounter counter;
  LinkPair pair(std::make_unique<FakeSpoolFile>(spoolDisk), counter,
                std::make_unique<FakeUploadSource>(uploadDisk));
  pair.Pump();
  CFileError error;
  std::string message;

  // Idle: the cancel reaches the server, which tells its owner; no reply.
  ASSERT_TRUE(pair.m_client.Cancel());
  pair.Pump();
  EXPECT_EQ(pair.m_serverEvents.back().m_outcome, ServerOutcome::kCancelRequest);
  EXPECT_EQ(pair.m_client.Protocol().State(), ClientState::kLoggedIn);

  // Sending, after one run of pieces: abort, then cancel.
  for (bool abort : {true, false}) {
    ASSERT_TRUE(pair.m_client.SendFile("a.inc", "/a.inc", 3, error));
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(pair.m_client.TakeNextMessage(pair.m_now, message, error),
                CClientLink::Take::kMessage);
      pair.m_server.Receive(message, pair.m_serverEvents);
    }
    ASSERT_TRUE(abort ? pair.m_client.AbortTransfer() : pair.m_client.Cancel());
    pair.Pump();
    EXPECT_EQ(pair.m_serverEvents.back().m_outcome,
              abort ? ServerOutcome::kTransferAborted : ServerOutcome::kCancelRequest);
    EXPECT_EQ(pair.m_clientEvents.back().m_outcome, ClientOutcome::kCancelAcknowledged);
    EXPECT_EQ(pair.m_client.Protocol().State(), ClientState::kLoggedIn);
    EXPECT_EQ(pair.m_server.Protocol().State(), ServerState::kLoggedIn);
    EXPECT_EQ(spoolDisk.files.at(pair.m_server.Protocol().SpoolFileName()),
              std::string(500 * CClientLink::kPiecesPerTake, 'a'));
  }

  // File sent, FileReceived not yet back: the cancel goes out, the FileReceived is taken.
  ASSERT_TRUE(pair.m_client.SendFile("a.inc", "/a.inc", 4, error));
  while (pair.m_client.Protocol().State() == ClientState::kSendingFile) {
    ASSERT_EQ(pair.m_client.TakeNextMessage(pair.m_now, message, error),
              CClientLink::Take::kMessage);
    pair.m_server.Receive(message, pair.m_serverEvents);
  }
  ASSERT_TRUE(pair.m_client.Cancel());
  pair.Pump();
  EXPECT_EQ(pair.m_serverEvents.back().m_outcome, ServerOutcome::kCancelRequest);
  EXPECT_EQ(pair.m_clientEvents.back().m_outcome, ClientOutcome::kFileAcknowledged);
  EXPECT_EQ(pair.m_client.Protocol().State(), ClientState::kLoggedIn);
}

// Real files both ends: what the client reads arrives in the spool file byte for byte.
TEST(LinkSession, FilesArriveByteExactOnDisk) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("trqx_link_" + std::to_string(::getpid()));
  fs::create_directories(root / kDir);
  CSpoolCounter counter;
  auto spool = std::make_unique<CDiskSpoolFile>();
  LinkPair pair(std::move(spool), counter, std::make_unique<CDiskUploadSource>());
  pair.m_server.Start("u", "p", (root / kDir).string(), "ftp", '1', "System OK");
  pair.Pump();
  std::mt19937 random(7);
  for (std::size_t size : {0u, 1u, 500u, 501u, 1u << 20}) {
    std::string content(size, ' ');
    for (char& c : content) {
      c = static_cast<char>(' ' + random() % 95);
      if (random() % 40 == 0) {
        c = '\n';
      }
    }
    fs::path source = root / ("up" + std::to_string(size) + ".inc");
    std::ofstream(source, std::ios::binary) << content;
    CFileError error;
    ASSERT_TRUE(pair.m_client.SendFile(source.filename().string(), source.string(),
                                       static_cast<std::uint32_t>(size), error))
        << error.m_function;
    pair.Pump(250);
    ASSERT_EQ(pair.m_serverEvents.back().m_outcome, ServerOutcome::kFileReceived);
    EXPECT_EQ(pair.m_serverEvents.back().m_uploadNumber, size);
    std::ifstream spooled(pair.m_serverEvents.back().m_spoolFileName, std::ios::binary);
    std::stringstream got;
    got << spooled.rdbuf();
    EXPECT_TRUE(got.str() == content) << "size " << size;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace trqx

namespace trqx {
namespace {

TEST(DiskFiles, UploadAndSpoolFilesAreHeldUnderTheirLocks) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("trqx_locks_" + std::to_string(::getpid()));
  fs::create_directories(root);
  const std::string upload = (root / "up.inc").string();
  std::ofstream(upload) << "data\n";
  CFileError error;

  CDiskUploadSource source;
  ASSERT_TRUE(source.Open(upload, error));
  LockedFile writer;
  EXPECT_FALSE(writer.Open(upload, O_WRONLY, FileLock::kExclusive, error));
  EXPECT_EQ(error.m_cause, FileErrorCause::kLocked);
  CDiskUploadSource secondReader;
  EXPECT_TRUE(secondReader.Open(upload, error));  // readers share
  source.Close();
  secondReader.Close();
  EXPECT_TRUE(writer.Open(upload, O_WRONLY, FileLock::kExclusive, error));
  writer.Close(error);

  const std::string spoolName = (root / "ftpvexo000.inc").string();
  CDiskSpoolFile spool;
  ASSERT_TRUE(spool.Create(spoolName, error));
  ASSERT_TRUE(spool.Append("abc", error));
  CDiskSpoolFile other;
  EXPECT_FALSE(other.Create(spoolName, error));
  EXPECT_EQ(error.m_cause, FileErrorCause::kLocked);
  // The held file was not emptied by the refused create.
  EXPECT_EQ(fs::file_size(spoolName), 3u);
  EXPECT_TRUE(spool.Close(error));
  EXPECT_FALSE(spool.Append("x", error));
  fs::remove_all(root);
}

}  // namespace
}  // namespace trqx
