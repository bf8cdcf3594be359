#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_table.h"

namespace trqx {

enum LogLevel : std::int16_t { kLogNone = -1, kLogError = 1, kLogWarning = 2, kLogInfo = 4 };
enum LogCategory : std::uint16_t {
  kCategorySystem = 0,
  kCategoryFtp = 1,
  kCategoryServer = 2,
  kCategoryClient = 3,
};

// Whether the category column is written and read (server) or always blank (client,
// download converter).
enum class LogFlavour { kClient, kServer };

// One event-log entry; its texts always have their fixed lengths (10, 8, 200).
class CLogEntry {
 public:
  static constexpr std::size_t kTextLength = 200;
  static constexpr std::size_t kRecordLength = 248;  // without the line feed

  // Level -1, category 0, number 0, blank texts.
  CLogEntry();
  // Date and time from the local form of time (zeros when it has none with a four-digit
  // year). Text from the table's entry for number (empty for a number the table lacks),
  // every "%1" and "%2" replaced in one pass by the first two args ("%1" by a blank when
  // there are none; "%2" stays with fewer than two), control characters made blanks so a
  // record stays one line, then blank-padded or cut to 200 characters.
  CLogEntry(std::time_t time, LogLevel level, LogCategory category, std::uint32_t number,
            const std::vector<std::string>& args, const StringTable& table);

  // The 248 characters of the record, without its line feed: date, time, level text
  // (7 blanks for a level other than 1, 2, 4), category text (server only, 10 blanks
  // otherwise or for a category above 3), number "%8u", text; each column fitted to its
  // width. A number above 99999999 does not fit and is written as 99999999.
  std::string Format(LogFlavour flavour) const;
  // Fails, leaving the entry unchanged, unless record is exactly 248 characters. Otherwise
  // takes the date, time and text columns as they are, the level by exact comparison (-1
  // for any other text), the number from the digits after leading blanks (up to the first
  // other character, 0 for none), and on the server the category by exact comparison (0
  // for any other text; always 0 for the client and the converter).
  bool Parse(std::string_view record, LogFlavour flavour);
  // True unless this entry's stamp is older than the given date and time: the characters
  // are compared year (date 6-9), month (0-1), day (3-4), hour (time 0-1), minute (3-4),
  // second (6-7); the first differing one decides. Equal stamps are not older. A missing
  // character (a short text) compares below every other.
  bool IsNotOlder(std::string_view date, std::string_view time) const;

  std::string m_date;  // MM/DD/YYYY
  std::string m_time;  // HH:MM:SS
  std::int16_t m_level = kLogNone;
  std::uint16_t m_category = kCategorySystem;
  std::uint32_t m_number = 0;
  std::string m_text;
};

// pattern with "%1" (and, with two or more arguments, "%2") replaced in one pass, so that
// an argument holding "%2" is not replaced again; "%1" becomes a blank without arguments.
std::string SubstituteArguments(std::string_view pattern, const std::vector<std::string>& args);

// The event-log window's line for an entry: the record's first 20 characters (date, blank,
// time, blank), a tab, the level word ("ERROR", "WARNING", "INFO", empty for any other
// level) and two tabs after it (one after "WARNING", which is long enough to reach the
// next tab stop), the number, a tab, and the text without its leading blanks. The server
// puts its category word ("SYSTEM", "FTP", "SERVER", "CLIENT", empty for any other) and
// one tab between the level's tabs and the number.
std::string EventLogDisplayLine(const CLogEntry& entry, LogFlavour flavour);

}  // namespace trqx
