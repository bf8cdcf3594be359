#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "server/forwarding_queue.h"
#include "server/spool_preparation.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// Sessions are identities to the queue; these stand in for two of them.
const auto* const kSessionA = reinterpret_cast<const CServerSession*>(0x10);
const auto* const kSessionB = reinterpret_cast<const CServerSession*>(0x20);

CQueueEntry Entry(const CServerSession* session, std::uint32_t uploadNumber) {
  CQueueEntry entry;
  entry.m_localPath = "Remote/Remote0000000/u" + std::to_string(uploadNumber);
  entry.m_session = session;
  entry.m_uploadNumber = uploadNumber;
  return entry;
}

class ForwardingQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_queue.Create(m_error)); }
  CForwardingQueue::Enqueued Put(const CServerSession* session, std::uint32_t number) {
    return m_queue.Enqueue(Entry(session, number), m_error);
  }
  // The upload numbers Take hands out until the queue is empty.
  std::vector<std::uint32_t> Drain() {
    std::vector<std::uint32_t> numbers;
    CQueueEntry entry;
    while (m_queue.Take(0, nullptr, entry, m_error) == CForwardingQueue::Taken::kEntry) {
      numbers.push_back(entry.m_uploadNumber);
      m_queue.Done();
    }
    return numbers;
  }

  CForwardingQueue m_queue;
  CSysErrorInfo m_error;
};

TEST_F(ForwardingQueueTest, HoldsAtMost199AndDropsThe200th) {
  for (std::uint32_t i = 0; i < CForwardingQueue::kSlots - 1; ++i) {
    ASSERT_EQ(Put(kSessionA, i), CForwardingQueue::Enqueued::kQueued) << i;
  }
  EXPECT_EQ(Put(kSessionA, 999), CForwardingQueue::Enqueued::kFull);
  EXPECT_EQ(m_queue.Size(), CForwardingQueue::kSlots - 1);
  std::vector<std::uint32_t> numbers = Drain();
  ASSERT_EQ(numbers.size(), CForwardingQueue::kSlots - 1);
  EXPECT_EQ(numbers.front(), 0u);
  EXPECT_EQ(numbers.back(), CForwardingQueue::kSlots - 2);
}

TEST_F(ForwardingQueueTest, WithdrawKeepsOtherSessionsInOrderAcrossTheRingsEnd) {
  // Move the indexes near the ring's end so the waiting entries wrap around it.
  for (std::uint32_t i = 0; i < 190; ++i) {
    Put(kSessionB, i);
  }
  Drain();
  for (std::uint32_t i = 1; i <= 20; ++i) {
    Put(i % 2 == 0 ? kSessionA : kSessionB, i);
  }
  std::size_t count = 0;
  EXPECT_TRUE(m_queue.Withdraw(kSessionA, count));
  EXPECT_EQ(count, 10u);
  EXPECT_EQ(Drain(), (std::vector<std::uint32_t>{1, 3, 5, 7, 9, 11, 13, 15, 17, 19}));
}

TEST_F(ForwardingQueueTest, WithdrawLeavesTheEntryBeingForwardedAndSaysSo) {
  Put(kSessionA, 1);
  Put(kSessionA, 2);
  Put(kSessionB, 3);
  CQueueEntry taken;
  ASSERT_EQ(m_queue.Take(0, nullptr, taken, m_error), CForwardingQueue::Taken::kEntry);
  std::size_t count = 0;
  EXPECT_FALSE(m_queue.Withdraw(kSessionA, count));
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(m_queue.Withdraw(kSessionB, count)) << "B's entry is only waiting";
  EXPECT_EQ(count, 1u);
  m_queue.Done();
  EXPECT_TRUE(m_queue.Withdraw(kSessionA, count));
  EXPECT_EQ(count, 0u);
}

TEST_F(ForwardingQueueTest, ClearEmptiesAndForgetsTheForwardedEntry) {
  Put(kSessionA, 1);
  Put(kSessionA, 2);
  CQueueEntry taken;
  m_queue.Take(0, nullptr, taken, m_error);
  m_queue.Clear();
  EXPECT_EQ(m_queue.Size(), 0u);
  std::size_t count = 0;
  EXPECT_TRUE(m_queue.Withdraw(kSessionA, count));
  EXPECT_EQ(Drain(), std::vector<std::uint32_t>{});
}

TEST_F(ForwardingQueueTest, AnEmptyTakeWaitsForAnEntryOrTheTakersStop) {
  CQueueEntry entry;
  EXPECT_EQ(m_queue.Take(0, nullptr, entry, m_error), CForwardingQueue::Taken::kEmpty);
  std::thread producer([&] {
    CSysErrorInfo error;
    m_queue.Enqueue(Entry(kSessionA, 7), error);
  });
  // Without the wake a Take after an empty one would wait for ever.
  CForwardingQueue::Taken taken;
  while ((taken = m_queue.Take(-1, nullptr, entry, m_error)) == CForwardingQueue::Taken::kEmpty) {
  }
  producer.join();
  ASSERT_EQ(taken, CForwardingQueue::Taken::kEntry);
  EXPECT_EQ(entry.m_uploadNumber, 7u);
  m_queue.Done();
  // A stop set before Take resets the queue event still ends the wait.
  CSysEvent stop;
  ASSERT_TRUE(stop.Create(true, m_error));
  EXPECT_EQ(m_queue.Take(-1, &stop, entry, m_error), CForwardingQueue::Taken::kEmpty);
}

// A received upload file as the client writes it, with the server's placeholder serial.
constexpr const char* kUpload =
    "START-OF-FILE\nLOGIN=desk\nSN=Server    \nWS=ws1\nUUID=12345\nBASKET=7\nA,B\nEND-OF-FILE";

struct SerialRow {
  const char* m_serial;
  const char* m_expectedLine;
};

class SpoolPreparationTest : public ::testing::TestWithParam<SerialRow> {
 protected:
  ScratchFolder m_folder;
  CFileError m_error;
};

TEST_P(SpoolPreparationTest, ServerLineTakesTheSerialNumberAndTheRestStays) {
  const std::string path = m_folder.File("deskvexo000.inc");
  WriteWholeFile(path, kUpload);
  CSpoolHeader header;
  ASSERT_TRUE(ScanSpoolFile(path, header, m_error));
  EXPECT_EQ(header.m_headerUuid, "12345");
  EXPECT_TRUE(header.m_serverMarker);
  ASSERT_TRUE(ReplaceServerSerialNumber(path, header, GetParam().m_serial, m_error));
  std::string expected = kUpload;
  expected.replace(expected.find("SN=Server    "), 13, GetParam().m_expectedLine);
  EXPECT_EQ(ReadWholeFile(path), expected);
  EXPECT_FALSE(std::filesystem::exists(path + "Temp"));
}

INSTANTIATE_TEST_SUITE_P(
    Serials, SpoolPreparationTest,
    ::testing::Values(SerialRow{.m_serial = "A1", .m_expectedLine = "SN=A1        "},
                      SerialRow{.m_serial = "ABCDEFGHIJ", .m_expectedLine = "SN=ABCDEFGHIJ"},
                      SerialRow{.m_serial = "", .m_expectedLine = "SN=          "},
                      // Longer than the line: the file grows rather than losing "WS=".
                      SerialRow{.m_serial = "ABCDEFGHIJKLMNOP",
                                .m_expectedLine = "SN=ABCDEFGHIJKLMNOP"}));

TEST(SpoolScan, LastUuidWinsAndAFileWithoutMarkersStaysUntouched) {
  ScratchFolder folder;
  const std::string path = folder.File("f.inc");
  const std::string content = "START-OF-FILE\nSN=12\nUUID=1\nX\nUSERUUID=99\r\nlast line";
  WriteWholeFile(path, content);
  CSpoolHeader header;
  CFileError error;
  ASSERT_TRUE(ScanSpoolFile(path, header, error));
  EXPECT_EQ(header.m_headerUuid, "99\r");
  EXPECT_FALSE(header.m_serverMarker);
  EXPECT_TRUE(ReplaceServerSerialNumber(path, header, "XYZ", error));
  EXPECT_EQ(ReadWholeFile(path), content);
  EXPECT_FALSE(ScanSpoolFile(folder.File("missing.inc"), header, error));
  EXPECT_EQ(error.m_fileName, folder.File("missing.inc"));
}

TEST(AdministratorLine, EmptyOrMinusOneBecomesMinusOne) {
  EXPECT_EQ(AdministratorLine("4711"), "ADMIN=4711");
  EXPECT_EQ(AdministratorLine(""), "ADMIN=-1");
  EXPECT_EQ(AdministratorLine("-1"), "ADMIN=-1");
  EXPECT_EQ(AdministratorLine("abc"), "ADMIN=abc");
}

TEST(InsertLineAfterFirst, GoesAfterTheFirstLineThroughTheTempFile) {
  ScratchFolder folder;
  const std::string path = folder.File("f.inc");
  CFileError error;
  struct Row {
    std::string m_before;
    std::string m_after;
  };
  const std::string bigTail(200000, 'x');
  for (const Row& row :
       {Row{kUpload, std::string(kUpload).insert(14, "ADMIN=5\n")}, Row{"ONE", "ONE\nADMIN=5\n"},
        Row{"", "\nADMIN=5\n"}, Row{"H\n" + bigTail, "H\nADMIN=5\n" + bigTail}}) {
    WriteWholeFile(path, row.m_before);
    ASSERT_TRUE(InsertLineAfterFirst(path, "ADMIN=5", error)) << row.m_before.substr(0, 20);
    EXPECT_EQ(ReadWholeFile(path), row.m_after) << row.m_before.substr(0, 20);
    EXPECT_FALSE(std::filesystem::exists(path + "Temp"));
  }
  EXPECT_FALSE(InsertLineAfterFirst(folder.File("missing"), "ADMIN=5", error));
}

}  // namespace
}  // namespace trqx
