#include "foundation/log_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/local_time.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// A record of second s of 2 January 2024 whose number tells where it came from.
CLogEntry AtSecond(std::time_t s, std::uint32_t number) {
  static const CFixedStringTable kNoTexts{std::span<const StringTableEntry>()};
  return CLogEntry(LocalTime("2024-01-02 00:00:00") + s, kLogInfo, kCategorySystem, number, {},
                   kNoTexts);
}

std::string Line(std::time_t s, std::uint32_t number) {
  return AtSecond(s, number).Format(LogFlavour::kClient) + "\n";
}

class LogFileTest : public testing::Test {
 protected:
  // Opens the log file and gives the numbers of the loaded entries in their order.
  std::vector<std::uint32_t> Open(CLogFile& log) {
    EXPECT_TRUE(log.Open(m_entries, m_error));
    std::vector<std::uint32_t> numbers;
    for (const CLogEntry& entry : m_entries) {
      numbers.push_back(entry.m_number);
    }
    return numbers;
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder.File("qxu.log");
  std::vector<CLogEntry> m_entries{CLogEntry()};  // Open empties the list first
  CFileError m_error;
};

TEST_F(LogFileTest, AMissingFileIsCreatedAndWrittenFromOffsetZero) {
  CLogFile log(m_path, LogFlavour::kClient);
  EXPECT_TRUE(Open(log).empty());
  ASSERT_TRUE(log.Write(AtSecond(1, 7)));
  EXPECT_EQ(ReadWholeFile(m_path), Line(1, 7));
  CLogFile second(m_path, LogFlavour::kClient);
  EXPECT_FALSE(second.Open(m_entries, m_error));  // locked while in use
  log.Close();
  EXPECT_EQ(Open(second), std::vector<std::uint32_t>{7});
}

TEST_F(LogFileTest, AFullFileIsOverwrittenFromTheStart) {
  std::string content;
  for (std::size_t i = 0; i < CLogFile::kCapacity; ++i) {
    content += Line(i, i);
  }
  WriteWholeFile(m_path, content);
  CLogFile log(m_path, LogFlavour::kClient);
  EXPECT_EQ(Open(log).size(), CLogFile::kCapacity);
  EXPECT_EQ(log.NextSlot(), CLogFile::kCapacity);
  EXPECT_FALSE(log.Wrapped());
  ASSERT_TRUE(log.Write(AtSecond(5000, 5000)));
  EXPECT_TRUE(log.Wrapped());
  ASSERT_TRUE(log.Write(AtSecond(5001, 5001)));
  EXPECT_EQ(log.NextSlot(), 2u);
  EXPECT_EQ(ReadWholeFile(m_path),
            Line(5000, 5000) + Line(5001, 5001) + content.substr(2 * CLogFile::kRecordSize));
}

TEST_F(LogFileTest, LoadingPutsTheOldestRecordsFirstAndOverwritesThemNext) {
  struct Case {
    std::vector<std::size_t> seconds;  // of records 0, 1, ...
    std::string tail;                  // after them
    std::vector<std::uint32_t> order;
    std::size_t nextSlot;
    bool wrapped;
  };
  const std::vector<Case> cases = {
      {{100, 101, 102, 103, 4, 5, 6, 7, 8, 9}, "", {4, 5, 6, 7, 8, 9, 0, 1, 2, 3}, 4, true},
      {{3, 4, 1, 2, 0}, "", {4, 2, 3, 0, 1}, 4, true},  // every backward step puts its part first
      {{5, 5, 6}, "", {0, 1, 2}, 3, false},             // equal stamps are no wrap
      // A bad record ends loading and is overwritten next.
      {{1, 2}, "short record\n", {0, 1}, 2, false},
      {{1, 2}, std::string(CLogFile::kRecordSize, 'x') + Line(9, 9), {0, 1}, 2, false},
  };
  for (const Case& c : cases) {
    std::string content;
    for (std::size_t i = 0; i < c.seconds.size(); ++i) {
      content += Line(c.seconds[i], i);
    }
    WriteWholeFile(m_path, content + c.tail);
    CLogFile log(m_path, LogFlavour::kClient, 10);
    EXPECT_EQ(Open(log), c.order);
    EXPECT_EQ(log.NextSlot(), c.nextSlot);
    EXPECT_EQ(log.Wrapped(), c.wrapped);
    ASSERT_TRUE(log.Write(AtSecond(200, 42)));
    EXPECT_EQ(
        ReadWholeFile(m_path).substr(c.nextSlot * CLogFile::kRecordSize, CLogFile::kRecordSize),
        Line(200, 42));
  }
}

}  // namespace
}  // namespace trqx
