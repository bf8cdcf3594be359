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

  CLogEntry();
  // Text from the table's entry for number, "%1"/"%2" replaced by the first two args
  // ("%1" by a blank when there are none), blank-padded or cut to 200 characters.
  CLogEntry(std::time_t time, LogLevel level, LogCategory category, std::uint32_t number,
            const std::vector<std::string>& args, const StringTable& table);

  std::string Format(LogFlavour flavour) const;
  // Fails, leaving the entry unchanged, unless record is exactly 248 characters.
  bool Parse(std::string_view record, LogFlavour flavour);
  // True unless this entry's stamp is older than the given date and time.
  bool IsNotOlder(std::string_view date, std::string_view time) const;

  std::string m_date;  // MM/DD/YYYY
  std::string m_time;  // HH:MM:SS
  std::int16_t m_level = kLogNone;
  std::uint16_t m_category = kCategorySystem;
  std::uint32_t m_number = 0;
  std::string m_text;
};

// The window's display line for an entry (date and time, tab, level word, tabs, number,
// tab, text); the server adds its category word as a column after the level.
std::string EventLogDisplayLine(const CLogEntry& entry, LogFlavour flavour);

}  // namespace trqx
