#include "foundation/log_entry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "foundation/client_strings.h"
#include "foundation/converter_strings.h"
#include "foundation/server_strings.h"

namespace trqx {
namespace {

constexpr std::time_t kStamp = 1700000000;  // 11/14/2023 22:13:20 UTC

const std::array kTestEntries{
    StringTableEntry{1, "Value %1 and %2."}, StringTableEntry{2, "No args%1here"},
    StringTableEntry{3, "%1%1 %2%2"},        StringTableEntry{4, "Code %2 only"},
    StringTableEntry{5, "Name: %1"},
};
const CFixedStringTable kTestTable(kTestEntries);

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

// Entries are stamped in local time; the tests pin it to UTC.
class LogEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) {
      m_oldTz = tz;
    }
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (m_oldTz) {
      setenv("TZ", m_oldTz->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  static CLogEntry Make(std::uint32_t number, const std::vector<std::string>& args,
                        LogLevel level = kLogInfo, LogCategory category = kCategorySystem) {
    return CLogEntry(kStamp, level, category, number, args, kTestTable);
  }

 private:
  std::optional<std::string> m_oldTz;
};

TEST_F(LogEntryTest, StampIsLocalDateAndTime) {
  const CLogEntry entry = Make(5, {"x"});
  EXPECT_EQ(entry.m_date, "11/14/2023");
  EXPECT_EQ(entry.m_time, "22:13:20");
  const CLogEntry morning(1704103505, kLogInfo, kCategorySystem, 5, {}, kTestTable);
  EXPECT_EQ(morning.m_date, "01/01/2024");
  EXPECT_EQ(morning.m_time, "10:05:05");
}

TEST_F(LogEntryTest, PlaceholdersFollowTheArgumentCount) {
  EXPECT_EQ(Make(2, {}).m_text, Padded("No args here", 200));
  EXPECT_EQ(Make(1, {}).m_text, Padded("Value   and %2.", 200));
  EXPECT_EQ(Make(1, {"a"}).m_text, Padded("Value a and %2.", 200));
  EXPECT_EQ(Make(1, {"a", "b", "c"}).m_text, Padded("Value a and b.", 200));
  EXPECT_EQ(Make(3, {"x", "y"}).m_text, Padded("xx yy", 200));
  // With one argument "%2" stays, so the caller passes the value second.
  EXPECT_EQ(Make(4, {"", "3"}).m_text, Padded("Code 3 only", 200));
  // An argument is inserted as it is, never searched for placeholders itself.
  EXPECT_EQ(Make(1, {"%2", "%1"}).m_text, Padded("Value %2 and %1.", 200));
}

TEST_F(LogEntryTest, TextIsCutAtTwoHundredAndKeptOnOneLine) {
  const std::string longName(300, 'n');
  const CLogEntry entry = Make(5, {longName});
  EXPECT_EQ(entry.m_text, "Name: " + std::string(194, 'n'));
  EXPECT_EQ(Make(5, {"a\nb\r\tc"}).m_text, Padded("Name: a b  c", 200));
  EXPECT_EQ(Make(999, {"a"}).m_text, std::string(200, ' '));  // not in the table
}

TEST_F(LogEntryTest, FormatLaysOutTheRecordColumns) {
  const CLogEntry entry = Make(5, {"f"}, kLogWarning, kCategoryFtp);
  const std::string text = Padded("Name: f", 200);
  EXPECT_EQ(entry.Format(LogFlavour::kClient),
            "11/14/2023 22:13:20 WARNING" + std::string(12, ' ') + "       5 " + text);
  EXPECT_EQ(entry.Format(LogFlavour::kServer),
            "11/14/2023 22:13:20 WARNING FTP" + std::string(8, ' ') + "       5 " + text);

  const std::array<std::pair<std::uint16_t, std::string>, 5> categories{{
      {kCategorySystem, "SYSTEM    "},
      {kCategoryFtp, "FTP       "},
      {kCategoryServer, "SERVER    "},
      {kCategoryClient, "CLIENT    "},
      {4, "          "},
  }};
  for (const auto& [category, column] : categories) {
    CLogEntry server = entry;
    server.m_category = category;
    EXPECT_EQ(server.Format(LogFlavour::kServer).substr(27, 12), " " + column + " ");
    EXPECT_EQ(server.Format(LogFlavour::kClient).substr(27, 12), std::string(12, ' '));
  }
}

TEST_F(LogEntryTest, FormatKeepsTheRecordLengthWhateverTheFields) {
  CLogEntry entry = Make(5, {"x"}, kLogError);
  entry.m_level = 3;  // no such level
  entry.m_number = 123456789;
  entry.m_date = "1/2/3";
  entry.m_time = "too long a time";
  entry.m_text = "short";
  const std::string record = entry.Format(LogFlavour::kServer);
  ASSERT_EQ(record.size(), CLogEntry::kRecordLength);
  EXPECT_EQ(record.substr(0, 20), "1/2/3      too long ");
  EXPECT_EQ(record.substr(20, 7), std::string(7, ' '));
  EXPECT_EQ(record.substr(39, 8), "99999999");
  EXPECT_EQ(record.substr(48), Padded("short", 200));
}

TEST_F(LogEntryTest, ParseAcceptsOnlyWholeRecords) {
  const CLogEntry original = Make(1, {"a", "b"}, kLogError, kCategoryClient);
  const std::string record = original.Format(LogFlavour::kServer);
  CLogEntry entry = Make(2, {}, kLogInfo);
  const CLogEntry before = entry;
  EXPECT_FALSE(entry.Parse(record.substr(0, 247), LogFlavour::kServer));
  EXPECT_FALSE(entry.Parse(record + "\n", LogFlavour::kServer));
  EXPECT_FALSE(entry.Parse("", LogFlavour::kServer));
  EXPECT_EQ(entry.Format(LogFlavour::kServer), before.Format(LogFlavour::kServer));

  ASSERT_TRUE(entry.Parse(record, LogFlavour::kServer));
  EXPECT_EQ(entry.m_date, original.m_date);
  EXPECT_EQ(entry.m_time, original.m_time);
  EXPECT_EQ(entry.m_level, kLogError);
  EXPECT_EQ(entry.m_category, kCategoryClient);
  EXPECT_EQ(entry.m_number, 1u);
  EXPECT_EQ(entry.m_text, original.m_text);
  EXPECT_EQ(entry.Format(LogFlavour::kServer), record);

  // The client and the converter have no category column to read.
  ASSERT_TRUE(entry.Parse(record, LogFlavour::kClient));
  EXPECT_EQ(entry.m_category, kCategorySystem);
}

TEST_F(LogEntryTest, ParseComparesLevelAndCategoryExactly) {
  const std::string base = Make(5, {"x"}).Format(LogFlavour::kServer);
  auto parsed = [&](std::size_t offset, const std::string& column) {
    std::string record = base;
    record.replace(offset, column.size(), column);
    CLogEntry entry;
    EXPECT_TRUE(entry.Parse(record, LogFlavour::kServer));
    return entry;
  };
  EXPECT_EQ(parsed(20, "ERROR  ").m_level, kLogError);
  EXPECT_EQ(parsed(20, "WARNING").m_level, kLogWarning);
  EXPECT_EQ(parsed(20, "INFO   ").m_level, kLogInfo);
  EXPECT_EQ(parsed(20, "error  ").m_level, kLogNone);
  EXPECT_EQ(parsed(20, " INFO  ").m_level, kLogNone);
  EXPECT_EQ(parsed(20, "DEBUG  ").m_level, kLogNone);
  EXPECT_EQ(parsed(28, "SERVER    ").m_category, kCategoryServer);
  EXPECT_EQ(parsed(28, "CLIENT    ").m_category, kCategoryClient);
  EXPECT_EQ(parsed(28, "client    ").m_category, kCategorySystem);
  EXPECT_EQ(parsed(28, "FTP      x").m_category, kCategorySystem);

  // An unrecognised level is written back as blanks.
  const CLogEntry unknown = parsed(20, "DEBUG  ");
  EXPECT_EQ(unknown.Format(LogFlavour::kServer).substr(20, 7), std::string(7, ' '));
}

TEST_F(LogEntryTest, ParseReadsTheNumberColumnSafely) {
  const std::string base = Make(5, {"x"}).Format(LogFlavour::kClient);
  auto number = [&](const std::string& column) {
    std::string record = base;
    record.replace(39, 8, column);
    CLogEntry entry;
    EXPECT_TRUE(entry.Parse(record, LogFlavour::kClient));
    return entry.m_number;
  };
  EXPECT_EQ(number("     102"), 102u);
  EXPECT_EQ(number("00000137"), 137u);
  EXPECT_EQ(number("99999999"), 99999999u);
  EXPECT_EQ(number("        "), 0u);
  EXPECT_EQ(number("  12ab34"), 12u);
  EXPECT_EQ(number("-5      "), 0u);
  EXPECT_EQ(number(std::string("\0\xff 7   ", 8)), 0u);
}

TEST_F(LogEntryTest, IsNotOlderComparesYearThenMonthThenDayThenTime) {
  CLogEntry entry = Make(5, {"x"});
  entry.m_date = "01/01/2024";
  entry.m_time = "00:00:00";
  EXPECT_TRUE(entry.IsNotOlder("12/31/2023", "23:59:59"));  // year decides before month
  EXPECT_FALSE(entry.IsNotOlder("01/01/2025", "00:00:00"));
  entry.m_date = "02/01/2024";
  EXPECT_TRUE(entry.IsNotOlder("01/31/2024", "23:59:59"));  // month before day
  EXPECT_FALSE(entry.IsNotOlder("03/01/2024", "00:00:00"));
  entry.m_date = "02/02/2024";
  EXPECT_TRUE(entry.IsNotOlder("02/01/2024", "23:59:59"));  // day before hour
  EXPECT_FALSE(entry.IsNotOlder("02/03/2024", "00:00:00"));
  entry.m_time = "10:20:30";
  EXPECT_TRUE(entry.IsNotOlder("02/02/2024", "10:20:30"));  // equal stamps
  EXPECT_TRUE(entry.IsNotOlder("02/02/2024", "09:59:59"));
  EXPECT_FALSE(entry.IsNotOlder("02/02/2024", "11:00:00"));
  EXPECT_FALSE(entry.IsNotOlder("02/02/2024", "10:21:00"));
  EXPECT_FALSE(entry.IsNotOlder("02/02/2024", "10:20:31"));
  EXPECT_TRUE(entry.IsNotOlder("00/00/0000", "00:00:00"));
  EXPECT_TRUE(entry.IsNotOlder("", ""));  // a short stamp is older than any
}

TEST_F(LogEntryTest, DisplayLineLinesUpTheLevelWords) {
  const std::string prefix = "11/14/2023 22:13:20 \t";
  const std::string text = Padded("Name: d", 200);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogError), LogFlavour::kClient),
            prefix + "ERROR\t\t5\t" + text);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogInfo), LogFlavour::kClient),
            prefix + "INFO\t\t5\t" + text);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogWarning), LogFlavour::kClient),
            prefix + "WARNING\t5\t" + text);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogNone), LogFlavour::kClient),
            prefix + "\t\t5\t" + text);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogWarning, kCategoryFtp), LogFlavour::kServer),
            prefix + "WARNING\tFTP\t5\t" + text);
  EXPECT_EQ(EventLogDisplayLine(Make(5, {"d"}, kLogInfo, kCategoryClient), LogFlavour::kServer),
            prefix + "INFO\t\tCLIENT\t5\t" + text);

  CLogEntry indented = Make(5, {"d"});
  indented.m_text = Padded("   lead", 200);
  EXPECT_EQ(EventLogDisplayLine(indented, LogFlavour::kClient),
            prefix + "INFO\t\t5\t" + Padded("lead", 197));
}

TEST_F(LogEntryTest, ProgramTablesKeepTheirOwnSpelling) {
  EXPECT_EQ(ClientStrings().Text(client_strings::kMsgSystemStartup), "System startup.");
  EXPECT_EQ(ConverterStrings().Text(converter_strings::kMsgSystemStartup), "System startup .");
  EXPECT_EQ(ServerStrings().Text(server_strings::kMsgSystemError),
            "System error, code: %1, function: %2.");
  EXPECT_TRUE(ClientStrings().Text(106).empty());
}

}  // namespace
}  // namespace trqx
