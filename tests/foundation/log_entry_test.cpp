#include "foundation/log_entry.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/local_time.h"

namespace trqx {
namespace {

const std::array kTestEntries{
    StringTableEntry{1, "Value %1 and %2."},
    StringTableEntry{2, "Name: %1"},
    StringTableEntry{3, "%1%1 %2%2"},
    StringTableEntry{4, "Code %2 only"},
};
const CFixedStringTable kTestTable(kTestEntries);

std::string Padded(const std::string& text, std::size_t width = CLogEntry::kTextLength) {
  return text + std::string(width - text.size(), ' ');
}

CLogEntry Make(std::uint32_t number, const std::vector<std::string>& args,
               LogLevel level = kLogInfo, LogCategory category = kCategorySystem) {
  return CLogEntry(LocalTime("2023-11-14 22:13:20"), level, category, number, args, kTestTable);
}

// A record of entry 2 with one column replaced, parsed back.
CLogEntry Reparsed(std::size_t offset, const std::string& column,
                   LogFlavour flavour = LogFlavour::kServer) {
  std::string record = Make(2, {"x"}).Format(flavour);
  record.replace(offset, column.size(), column);
  CLogEntry entry;
  EXPECT_TRUE(entry.Parse(record, flavour));
  return entry;
}

TEST(LogEntryTest, StampAndPlaceholders) {
  const CLogEntry morning(LocalTime("2024-01-01 09:05:05"), kLogInfo, kCategorySystem, 1, {},
                          kTestTable);
  EXPECT_EQ(morning.m_date + " " + morning.m_time, "01/01/2024 09:05:05");
  const std::vector<std::pair<CLogEntry, std::string>> cases = {
      {Make(1, {}), "Value   and %2."},
      {Make(1, {"a", "b", "c"}), "Value a and b."},
      {Make(3, {"x", "y"}), "xx yy"},
      {Make(4, {"", "3"}), "Code 3 only"},
      {Make(1, {"%2", "%1"}), "Value %2 and %1."},  // arguments are not searched again
      {Make(2, {"a\nb\r\tc"}), "Name: a b  c"},     // a record stays one line
      {Make(2, {std::string(300, 'n')}), "Name: " + std::string(194, 'n')},
      {Make(999, {"a"}), ""},  // not in the table
  };
  for (const auto& [entry, text] : cases) {
    EXPECT_EQ(entry.m_text, Padded(text));
  }
}

TEST(LogEntryTest, FormatLaysOutTheRecordColumns) {
  CLogEntry entry = Make(2, {"f"}, kLogWarning, kCategoryFtp);
  const std::string tail = "       2 " + Padded("Name: f");
  EXPECT_EQ(entry.Format(LogFlavour::kClient),
            "11/14/2023 22:13:20 WARNING" + std::string(12, ' ') + tail);
  EXPECT_EQ(entry.Format(LogFlavour::kServer), "11/14/2023 22:13:20 WARNING FTP        " + tail);
  entry.m_number = 123456789;  // does not fit its column
  EXPECT_EQ(entry.Format(LogFlavour::kServer).substr(39, 9), "99999999 ");
}

TEST(LogEntryTest, ParseTakesWholeRecordsAndComparesColumnsExactly) {
  const std::string record =
      Make(1, {"a", "b"}, kLogError, kCategoryClient).Format(LogFlavour::kServer);
  CLogEntry entry = Make(2, {});
  for (const std::string& bad : {record.substr(0, 247), record + "\n", std::string()}) {
    EXPECT_FALSE(entry.Parse(bad, LogFlavour::kServer));
    EXPECT_EQ(entry.Format(LogFlavour::kServer), Make(2, {}).Format(LogFlavour::kServer));
  }
  ASSERT_TRUE(entry.Parse(record, LogFlavour::kServer));
  EXPECT_EQ(entry.Format(LogFlavour::kServer), record);
  ASSERT_TRUE(entry.Parse(record, LogFlavour::kClient));
  EXPECT_EQ(entry.m_category, kCategorySystem);  // the client has no category column

  EXPECT_EQ(Reparsed(20, "WARNING").m_level, kLogWarning);
  EXPECT_EQ(Reparsed(20, "error  ").m_level, kLogNone);
  EXPECT_EQ(Reparsed(28, "SERVER    ").m_category, kCategoryServer);
  // An unknown level is written back as blanks.
  EXPECT_EQ(Reparsed(20, "DEBUG  ").Format(LogFlavour::kServer).substr(20, 7), "       ");

  const char* columns[] = {"     102", "99999999", "        ",
                           "  12ab34", "-5      ", "\x01\xff 7   "};
  const std::uint32_t numbers[] = {102, 99999999, 0, 12, 0, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Reparsed(39, columns[i], LogFlavour::kClient).m_number, numbers[i]) << columns[i];
  }
}

TEST(LogEntryTest, IsNotOlderComparesYearMonthDayThenTime) {
  CLogEntry entry = Make(2, {"x"});
  entry.m_date = "02/02/2024";
  entry.m_time = "10:20:30";
  // Year before month, month before day, day before hour, and so on; '+' marks not older.
  for (const std::string stamp :
       {"12/31/2023 23:59:59+", "01/01/2025 00:00:00-", "01/31/2024 23:59:59+",
        "03/01/2024 00:00:00-", "02/01/2024 23:59:59+", "02/03/2024 00:00:00-",
        "02/02/2024 10:20:30+", "02/02/2024 09:59:59+", "02/02/2024 11:00:00-",
        "02/02/2024 10:21:00-", "02/02/2024 10:20:31-", "00/00/0000 00:00:00+"}) {
    EXPECT_EQ(entry.IsNotOlder(stamp.substr(0, 10), stamp.substr(11, 8)), stamp[19] == '+')
        << stamp;
  }
  EXPECT_TRUE(entry.IsNotOlder("", ""));
}

TEST(LogEntryTest, DisplayLineLinesUpTheLevelWords) {
  const std::string stamp = "11/14/2023 22:13:20 \t";
  const std::string text = "2\t" + Padded("Name: d");
  const auto line = [](LogLevel level, LogFlavour flavour = LogFlavour::kClient) {
    return EventLogDisplayLine(Make(2, {"d"}, level, kCategoryFtp), flavour);
  };
  EXPECT_EQ(line(kLogError), stamp + "ERROR\t\t" + text);
  EXPECT_EQ(line(kLogInfo), stamp + "INFO\t\t" + text);
  EXPECT_EQ(line(kLogWarning), stamp + "WARNING\t" + text);
  EXPECT_EQ(line(kLogNone), stamp + "\t\t" + text);
  EXPECT_EQ(line(kLogWarning, LogFlavour::kServer), stamp + "WARNING\tFTP\t" + text);
  CLogEntry indented = Make(2, {"d"});
  indented.m_text = Padded("   lead");
  EXPECT_EQ(EventLogDisplayLine(indented, LogFlavour::kClient),
            stamp + "INFO\t\t2\t" + Padded("lead", 197));
}

}  // namespace
}  // namespace trqx
