#include "foundation/log_entry.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

const std::array kTestEntries{
    StringTableEntry{1, "Value %1 and %2."}, StringTableEntry{2, "No args%1here"},
    StringTableEntry{3, "%1%1 %2%2"},        StringTableEntry{4, "Code %2 only"},
    StringTableEntry{5, "Name: %1"},
};
const CFixedStringTable kTestTable(kTestEntries);

std::string Padded(const std::string& text, std::size_t width = CLogEntry::kTextLength) {
  return text + std::string(width - text.size(), ' ');
}

CLogEntry Make(std::uint32_t number, const std::vector<std::string>& args,
               LogLevel level = kLogInfo, LogCategory category = kCategorySystem) {
  return CLogEntry(LocalTime("2023-11-14 22:13:20"), level, category, number, args, kTestTable);
}

// A server record of entry 5 with one column replaced, parsed back.
CLogEntry Reparsed(std::size_t offset, const std::string& column,
                   LogFlavour flavour = LogFlavour::kServer) {
  std::string record = Make(5, {"x"}).Format(flavour);
  record.replace(offset, column.size(), column);
  CLogEntry entry;
  EXPECT_TRUE(entry.Parse(record, flavour));
  return entry;
}

TEST(LogEntryTest, StampAndPlaceholders) {
  const CLogEntry morning(LocalTime("2024-01-01 09:05:05"), kLogInfo, kCategorySystem, 5, {},
                          kTestTable);
  EXPECT_EQ(morning.Format(LogFlavour::kClient).substr(0, 20), "01/01/2024 09:05:05 ");
  const std::vector<std::pair<CLogEntry, std::string>> cases = {
      {Make(2, {}), "No args here"},
      {Make(1, {}), "Value   and %2."},
      {Make(1, {"a"}), "Value a and %2."},
      {Make(1, {"a", "b", "c"}), "Value a and b."},
      {Make(3, {"x", "y"}), "xx yy"},
      {Make(4, {"", "3"}), "Code 3 only"},
      {Make(1, {"%2", "%1"}), "Value %2 and %1."},  // arguments are not searched again
      {Make(5, {"a\nb\r\tc"}), "Name: a b  c"},     // a record stays one line
      {Make(5, {std::string(300, 'n')}), "Name: " + std::string(194, 'n')},
      {Make(999, {"a"}), ""},  // not in the table
  };
  for (const auto& [entry, text] : cases) {
    EXPECT_EQ(entry.m_text, Padded(text));
  }
}

TEST(LogEntryTest, FormatLaysOutTheRecordColumns) {
  CLogEntry entry = Make(5, {"f"}, kLogWarning, kCategoryFtp);
  const std::string tail = "       5 " + Padded("Name: f");
  EXPECT_EQ(entry.Format(LogFlavour::kClient),
            "11/14/2023 22:13:20 WARNING" + std::string(12, ' ') + tail);
  EXPECT_EQ(entry.Format(LogFlavour::kServer), "11/14/2023 22:13:20 WARNING FTP        " + tail);
  const std::string categories = "SYSTEM    FTP       SERVER    CLIENT              ";
  for (std::uint16_t category = 0; category < 5; ++category) {
    entry.m_category = category;
    EXPECT_EQ(entry.Format(LogFlavour::kServer).substr(28, 10),
              categories.substr(category * 10, 10));
    EXPECT_EQ(entry.Format(LogFlavour::kClient).substr(28, 10), std::string(10, ' '));
  }
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

  EXPECT_EQ(Reparsed(20, "ERROR  ").m_level, kLogError);
  EXPECT_EQ(Reparsed(20, "WARNING").m_level, kLogWarning);
  EXPECT_EQ(Reparsed(20, "INFO   ").m_level, kLogInfo);
  EXPECT_EQ(Reparsed(20, " INFO  ").m_level, kLogNone);
  EXPECT_EQ(Reparsed(20, "error  ").m_level, kLogNone);
  EXPECT_EQ(Reparsed(28, "SERVER    ").m_category, kCategoryServer);
  EXPECT_EQ(Reparsed(28, "client    ").m_category, kCategorySystem);
  EXPECT_EQ(Reparsed(28, "FTP      x").m_category, kCategorySystem);
  // An unknown level is written back as blanks.
  EXPECT_EQ(Reparsed(20, "DEBUG  ").Format(LogFlavour::kServer).substr(20, 7), "       ");

  const char* columns[] = {"     102", "00000137", "99999999",     "        ",
                           "  12ab34", "-5      ", "\x01\xff 7   "};
  const std::uint32_t numbers[] = {102, 137, 99999999, 0, 12, 0, 0};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Reparsed(39, columns[i], LogFlavour::kClient).m_number, numbers[i]) << columns[i];
  }
}

TEST(LogEntryTest, IsNotOlderComparesYearMonthDayThenTime) {
  CLogEntry entry = Make(5, {"x"});
  entry.m_date = "02/02/2024";
  entry.m_time = "10:20:30";
  // Year before month, month before day, day before hour, and so on.
  for (const std::string stamp :
       {"12/31/2023 23:59:59", "01/31/2024 23:59:59", "02/01/2024 23:59:59", "02/02/2024 10:20:30",
        "02/02/2024 09:59:59", "00/00/0000 00:00:00"}) {
    EXPECT_TRUE(entry.IsNotOlder(stamp.substr(0, 10), stamp.substr(11))) << stamp;
  }
  for (const std::string stamp :
       {"01/01/2025 00:00:00", "03/01/2024 00:00:00", "02/03/2024 00:00:00", "02/02/2024 11:00:00",
        "02/02/2024 10:21:00", "02/02/2024 10:20:31"}) {
    EXPECT_FALSE(entry.IsNotOlder(stamp.substr(0, 10), stamp.substr(11))) << stamp;
  }
  EXPECT_TRUE(entry.IsNotOlder("", ""));
}

TEST(LogEntryTest, DisplayLineLinesUpTheLevelWords) {
  const std::string stamp = "11/14/2023 22:13:20 \t";
  const std::string text = "5\t" + Padded("Name: d");
  const auto line = [](LogLevel level, LogCategory category, LogFlavour flavour) {
    return EventLogDisplayLine(Make(5, {"d"}, level, category), flavour);
  };
  EXPECT_EQ(line(kLogError, kCategorySystem, LogFlavour::kClient), stamp + "ERROR\t\t" + text);
  EXPECT_EQ(line(kLogInfo, kCategorySystem, LogFlavour::kClient), stamp + "INFO\t\t" + text);
  EXPECT_EQ(line(kLogWarning, kCategorySystem, LogFlavour::kClient), stamp + "WARNING\t" + text);
  EXPECT_EQ(line(kLogNone, kCategorySystem, LogFlavour::kClient), stamp + "\t\t" + text);
  EXPECT_EQ(line(kLogWarning, kCategoryFtp, LogFlavour::kServer), stamp + "WARNING\tFTP\t" + text);
  EXPECT_EQ(line(kLogInfo, kCategoryClient, LogFlavour::kServer),
            stamp + "INFO\t\tCLIENT\t" + text);
  CLogEntry indented = Make(5, {"d"});
  indented.m_text = Padded("   lead");
  EXPECT_EQ(EventLogDisplayLine(indented, LogFlavour::kClient),
            stamp + "INFO\t\t5\t" + Padded("lead", 197));
}

}  // namespace
}  // namespace trqx
