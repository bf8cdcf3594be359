#include "foundation/log_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

constexpr std::size_t kRecord = CLogFile::kRecordSize;

// An entry with the given stamp whose number tells where it came from.
CLogEntry Stamped(const std::string& date, const std::string& time, std::uint32_t number) {
  CLogEntry entry;
  entry.m_date = date;
  entry.m_time = time;
  entry.m_level = kLogInfo;
  entry.m_number = number;
  entry.m_text = std::string(200, 'x');
  return entry;
}

// The stamp of second s of 01/02/2024.
CLogEntry AtSecond(std::size_t s, std::uint32_t number) {
  char time[32];
  std::snprintf(time, sizeof time, "%02zu:%02zu:%02zu", s / 3600, s / 60 % 60, s % 60);
  return Stamped("01/02/2024", time, number);
}

std::string Line(const CLogEntry& entry, LogFlavour flavour = LogFlavour::kClient) {
  return entry.Format(flavour) + "\n";
}

std::vector<std::uint32_t> Numbers(const std::vector<CLogEntry>& entries) {
  std::vector<std::uint32_t> numbers;
  for (const CLogEntry& entry : entries) {
    numbers.push_back(entry.m_number);
  }
  return numbers;
}

class LogFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return m_folder.File("qxu.log"); }
  std::string RecordAt(std::size_t slot) const {
    return ReadWholeFile(Path()).substr(slot * kRecord, kRecord);
  }

  ScratchFolder m_folder;
  std::vector<CLogEntry> m_entries;
  CFileError m_error;
};

TEST_F(LogFileTest, MissingOrEmptyFileStartsAtSlotZero) {
  CLogFile log(Path(), LogFlavour::kClient);
  m_entries.push_back(CLogEntry());  // emptied by Open
  ASSERT_TRUE(log.Open(m_entries, m_error));
  EXPECT_TRUE(m_entries.empty());
  EXPECT_EQ(log.NextSlot(), 0u);
  EXPECT_FALSE(log.Wrapped());
  EXPECT_EQ(ReadWholeFile(Path()), "");  // created

  ASSERT_TRUE(log.Write(AtSecond(1, 7)));
  EXPECT_EQ(ReadWholeFile(Path()), Line(AtSecond(1, 7)));
  EXPECT_EQ(log.NextSlot(), 1u);
  log.Close();

  // Opening again keeps what is there.
  CLogFile again(Path(), LogFlavour::kClient);
  ASSERT_TRUE(again.Open(m_entries, m_error));
  EXPECT_EQ(Numbers(m_entries), std::vector<std::uint32_t>{7});
  EXPECT_EQ(again.NextSlot(), 1u);
}

TEST_F(LogFileTest, FullFileOfTwoThousandRecordsIsOverwrittenFromTheStart) {
  std::string content;
  for (std::size_t i = 0; i < CLogFile::kCapacity; ++i) {
    content += Line(AtSecond(i, static_cast<std::uint32_t>(i)));
  }
  WriteWholeFile(Path(), content);

  CLogFile log(Path(), LogFlavour::kClient);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  ASSERT_EQ(m_entries.size(), CLogFile::kCapacity);
  EXPECT_EQ(m_entries.front().m_number, 0u);
  EXPECT_EQ(m_entries.back().m_number, 1999u);
  EXPECT_EQ(log.NextSlot(), CLogFile::kCapacity);
  EXPECT_FALSE(log.Wrapped());

  ASSERT_TRUE(log.Write(AtSecond(5000, 5000)));
  EXPECT_TRUE(log.Wrapped());
  EXPECT_EQ(log.NextSlot(), 1u);
  ASSERT_TRUE(log.Write(AtSecond(5001, 5001)));
  EXPECT_EQ(log.NextSlot(), 2u);
  EXPECT_EQ(RecordAt(0), Line(AtSecond(5000, 5000)));
  EXPECT_EQ(RecordAt(1), Line(AtSecond(5001, 5001)));
  EXPECT_EQ(RecordAt(2), Line(AtSecond(2, 2)));
  EXPECT_EQ(ReadWholeFile(Path()).size(), CLogFile::kCapacity * kRecord);
  log.Close();

  // Reloaded, the two new records come last and the next write goes after them.
  CLogFile again(Path(), LogFlavour::kClient);
  ASSERT_TRUE(again.Open(m_entries, m_error));
  ASSERT_EQ(m_entries.size(), CLogFile::kCapacity);
  EXPECT_EQ(m_entries.front().m_number, 2u);
  EXPECT_EQ(m_entries[CLogFile::kCapacity - 2].m_number, 5000u);
  EXPECT_EQ(m_entries.back().m_number, 5001u);
  EXPECT_EQ(again.NextSlot(), 2u);
  EXPECT_TRUE(again.Wrapped());
}

TEST_F(LogFileTest, WrapAtRecordKPutsTheOldestRecordsFirst) {
  // Records 0..3 are newer (second 100 on) than records 4..9 (second 0 on).
  std::string content;
  for (std::uint32_t i = 0; i < 10; ++i) {
    content += Line(i < 4 ? AtSecond(100 + i, i) : AtSecond(i, i));
  }
  WriteWholeFile(Path(), content);

  CLogFile log(Path(), LogFlavour::kClient, 10);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  EXPECT_EQ(Numbers(m_entries), (std::vector<std::uint32_t>{4, 5, 6, 7, 8, 9, 0, 1, 2, 3}));
  EXPECT_EQ(log.NextSlot(), 4u);
  EXPECT_TRUE(log.Wrapped());

  ASSERT_TRUE(log.Write(AtSecond(200, 42)));
  EXPECT_EQ(RecordAt(4), Line(AtSecond(200, 42)));
  EXPECT_EQ(log.NextSlot(), 5u);
}

TEST_F(LogFileTest, EveryBackwardStepPutsItsPartFirst) {
  // Seconds 3 4 1 2 0: time steps back at records 2 and 4.
  const std::size_t seconds[] = {3, 4, 1, 2, 0};
  std::string content;
  for (std::size_t s : seconds) {
    content += Line(AtSecond(s, static_cast<std::uint32_t>(s)));
  }
  WriteWholeFile(Path(), content);
  CLogFile log(Path(), LogFlavour::kClient, 10);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  EXPECT_EQ(Numbers(m_entries), (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(log.NextSlot(), 4u);
}

TEST_F(LogFileTest, EqualStampsAndLaterDaysAreNoWrap) {
  WriteWholeFile(Path(), Line(Stamped("12/31/2023", "23:59:59", 1)) +
                             Line(Stamped("12/31/2023", "23:59:59", 2)) +
                             Line(Stamped("01/01/2024", "00:00:00", 3)));
  CLogFile log(Path(), LogFlavour::kClient, 10);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  EXPECT_EQ(Numbers(m_entries), (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_EQ(log.NextSlot(), 3u);
  EXPECT_FALSE(log.Wrapped());
}

TEST_F(LogFileTest, BadRecordEndsLoadingAndIsOverwrittenNext) {
  const std::string good = Line(AtSecond(1, 1)) + Line(AtSecond(2, 2));
  const std::string after = Line(AtSecond(9, 9));
  std::string noLineFeed = Line(AtSecond(3, 3));
  noLineFeed.back() = ' ';
  for (const std::string& content : {good + "short record\n", good + noLineFeed + after}) {
    WriteWholeFile(Path(), content);
    CLogFile log(Path(), LogFlavour::kClient, 10);
    ASSERT_TRUE(log.Open(m_entries, m_error));
    EXPECT_EQ(Numbers(m_entries), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(log.NextSlot(), 2u);
    ASSERT_TRUE(log.Write(AtSecond(10, 10)));
    EXPECT_EQ(RecordAt(2), Line(AtSecond(10, 10)));
  }
}

TEST_F(LogFileTest, UnknownLevelIsWrittenBackAsBlanks) {
  std::string record = Line(AtSecond(1, 1), LogFlavour::kServer);
  record.replace(20, 7, "DEBUG  ");
  WriteWholeFile(Path(), record);
  CLogFile log(Path(), LogFlavour::kServer, 10);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  ASSERT_EQ(m_entries.size(), 1u);
  EXPECT_EQ(m_entries[0].m_level, kLogNone);
  ASSERT_TRUE(log.Write(m_entries[0]));
  record.replace(20, 7, std::string(7, ' '));
  EXPECT_EQ(RecordAt(1), record);
}

TEST_F(LogFileTest, SmallRingWrapsWhileWriting) {
  CLogFile log(Path(), LogFlavour::kClient, 3);
  ASSERT_TRUE(log.Open(m_entries, m_error));
  for (std::uint32_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(log.Write(AtSecond(i, i)));
  }
  EXPECT_EQ(ReadWholeFile(Path()),
            Line(AtSecond(3, 3)) + Line(AtSecond(4, 4)) + Line(AtSecond(2, 2)));
  EXPECT_EQ(log.NextSlot(), 2u);
  EXPECT_TRUE(log.Wrapped());
}

TEST_F(LogFileTest, SecondOpenIsLockedOutUntilTheFirstCloses) {
  CLogFile first(Path(), LogFlavour::kClient);
  ASSERT_TRUE(first.Open(m_entries, m_error));
  ASSERT_TRUE(first.Write(AtSecond(1, 1)));

  CLogFile second(Path(), LogFlavour::kClient);
  EXPECT_FALSE(second.Open(m_entries, m_error));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
  EXPECT_EQ(m_error.m_osError, EWOULDBLOCK);
  EXPECT_EQ(m_error.m_fileName, Path());
  EXPECT_FALSE(second.Write(AtSecond(2, 2)));
  EXPECT_EQ(ReadWholeFile(Path()), Line(AtSecond(1, 1)));

  first.Close();
  EXPECT_FALSE(first.Write(AtSecond(3, 3)));
  EXPECT_EQ(first.NextSlot(), 1u);
  ASSERT_TRUE(second.Open(m_entries, m_error));
  EXPECT_EQ(Numbers(m_entries), std::vector<std::uint32_t>{1});
}

TEST_F(LogFileTest, OpenFailureNamesTheFile) {
  const std::string path = m_folder.File("missing/qxd.log");
  CLogFile log(path, LogFlavour::kClient);
  EXPECT_FALSE(log.Open(m_entries, m_error));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_fileName, path);
  EXPECT_FALSE(log.Write(AtSecond(1, 1)));
}

}  // namespace
}  // namespace trqx
