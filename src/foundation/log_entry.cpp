#include "foundation/log_entry.h"

#include <array>
#include <cstdio>

#include "foundation/text.h"

namespace trqx {

namespace {

constexpr std::size_t kDateLength = 10;
constexpr std::size_t kTimeLength = 8;
constexpr std::size_t kLevelLength = 7;
constexpr std::size_t kCategoryLength = 10;
constexpr std::size_t kNumberLength = 8;

// Column offsets of a record.
constexpr std::size_t kTimeOffset = 11;
constexpr std::size_t kLevelOffset = 20;
constexpr std::size_t kCategoryOffset = 28;
constexpr std::size_t kNumberOffset = 39;
constexpr std::size_t kTextOffset = 48;

constexpr std::uint32_t kLargestNumber = 99999999;  // what eight columns can hold

struct LevelText {
  std::int16_t m_level;
  std::string_view m_text;
};
constexpr std::array<LevelText, 3> kLevelTexts{{
    {kLogError, "ERROR  "},
    {kLogInfo, "INFO   "},
    {kLogWarning, "WARNING"},
}};

constexpr std::array<std::string_view, 4> kCategoryTexts{
    "SYSTEM    ",
    "FTP       ",
    "SERVER    ",
    "CLIENT    ",
};

// text blank-padded or cut to exactly width characters.
void AppendFitted(std::string& out, std::string_view text, std::size_t width) {
  const std::size_t used = text.size() < width ? text.size() : width;
  out.append(text.substr(0, used));
  out.append(width - used, ' ');
}

std::string Fitted(std::string_view text, std::size_t width) {
  std::string out;
  out.reserve(width);
  AppendFitted(out, text, width);
  return out;
}

std::string_view LevelColumn(std::int16_t level) {
  for (const LevelText& entry : kLevelTexts) {
    if (entry.m_level == level) {
      return entry.m_text;
    }
  }
  return {};
}

std::string_view CategoryColumn(std::uint16_t category, LogFlavour flavour) {
  if (flavour != LogFlavour::kServer || category >= kCategoryTexts.size()) {
    return {};
  }
  return kCategoryTexts[category];
}

}  // namespace

std::string SubstituteArguments(std::string_view pattern, const std::vector<std::string>& args) {
  const std::string_view first = args.empty() ? std::string_view(" ") : args[0];
  const bool hasSecond = args.size() >= 2;
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == '1') {
        out.append(first);
        ++i;
        continue;
      }
      if (pattern[i + 1] == '2' && hasSecond) {
        out.append(args[1]);
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

namespace {

// Control characters (a line feed in a file name, say) would split the record's line.
void BlankControls(std::string& text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      c = ' ';
    }
  }
}

char At(std::string_view text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

}  // namespace

CLogEntry::CLogEntry()
    : m_date(kDateLength, ' '), m_time(kTimeLength, ' '), m_text(kTextLength, ' ') {}

CLogEntry::CLogEntry(std::time_t time, LogLevel level, LogCategory category, std::uint32_t number,
                     const std::vector<std::string>& args, const StringTable& table)
    : m_level(level), m_category(category), m_number(number) {
  std::tm local{};
  char date[32] = "00/00/0000";
  char clock[32] = "00:00:00";
  if (localtime_r(&time, &local) != nullptr && local.tm_year >= -1900 &&
      local.tm_year <= 9999 - 1900) {
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900);
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  }
  m_date = Fitted(date, kDateLength);
  m_time = Fitted(clock, kTimeLength);
  std::string text = SubstituteArguments(table.Text(number), args);
  BlankControls(text);
  m_text = Fitted(text, kTextLength);
}

std::string CLogEntry::Format(LogFlavour flavour) const {
  char number[16];
  std::snprintf(number, sizeof number, "%8u",
                static_cast<unsigned>(m_number < kLargestNumber ? m_number : kLargestNumber));
  std::string record;
  record.reserve(kRecordLength);
  AppendFitted(record, m_date, kDateLength);
  record.push_back(' ');
  AppendFitted(record, m_time, kTimeLength);
  record.push_back(' ');
  AppendFitted(record, LevelColumn(m_level), kLevelLength);
  record.push_back(' ');
  AppendFitted(record, CategoryColumn(m_category, flavour), kCategoryLength);
  record.push_back(' ');
  AppendFitted(record, number, kNumberLength);
  record.push_back(' ');
  AppendFitted(record, m_text, kTextLength);
  return record;
}

bool CLogEntry::Parse(std::string_view record, LogFlavour flavour) {
  if (record.size() != kRecordLength) {
    return false;
  }
  m_date.assign(record.substr(0, kDateLength));
  m_time.assign(record.substr(kTimeOffset, kTimeLength));

  const std::string_view level = record.substr(kLevelOffset, kLevelLength);
  m_level = kLogNone;
  for (const LevelText& entry : kLevelTexts) {
    if (level == entry.m_text) {
      m_level = entry.m_level;
    }
  }

  // At most eight digits: the value always fits.
  const std::string_view digits = record.substr(kNumberOffset, kNumberLength);
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == ' ') {
    ++i;
  }
  std::uint32_t number = 0;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
    number = number * 10 + static_cast<std::uint32_t>(digits[i] - '0');
  }
  m_number = number;

  m_category = kCategorySystem;
  if (flavour == LogFlavour::kServer) {
    const std::string_view category = record.substr(kCategoryOffset, kCategoryLength);
    for (std::size_t c = 0; c < kCategoryTexts.size(); ++c) {
      if (category == kCategoryTexts[c]) {
        m_category = static_cast<std::uint16_t>(c);
      }
    }
  }
  m_text.assign(record.substr(kTextOffset, kTextLength));
  return true;
}

bool CLogEntry::IsNotOlder(std::string_view date, std::string_view time) const {
  // Year, month, day, then hour, minute, second; the first differing character decides.
  static constexpr std::array<std::size_t, 8> kDateOrder{6, 7, 8, 9, 0, 1, 3, 4};
  static constexpr std::array<std::size_t, 6> kTimeOrder{0, 1, 3, 4, 6, 7};
  auto differs = [](std::string_view mine, std::string_view theirs, std::size_t index,
                    bool& older) {
    const auto a = static_cast<unsigned char>(At(mine, index));
    const auto b = static_cast<unsigned char>(At(theirs, index));
    older = a < b;
    return a != b;
  };
  bool older = false;
  for (std::size_t index : kDateOrder) {
    if (differs(m_date, date, index, older)) {
      return !older;
    }
  }
  for (std::size_t index : kTimeOrder) {
    if (differs(m_time, time, index, older)) {
      return !older;
    }
  }
  return true;
}

std::string EventLogDisplayLine(const CLogEntry& entry, LogFlavour flavour) {
  const std::string record = entry.Format(flavour);
  const std::string_view view(record);
  // Columns are taken from their own fields, so a blank level or category column leaves
  // its cell empty instead of shifting the number and text into it.
  const std::string_view level = TrimSpaceChars(view.substr(kLevelOffset, kLevelLength));
  std::string line(view.substr(0, kLevelOffset));
  line.push_back('\t');
  line.append(level);
  if (level != "WARNING") {
    line.push_back('\t');  // the shorter words need one more tab to line up
  }
  line.push_back('\t');
  if (flavour == LogFlavour::kServer) {
    line.append(TrimSpaceChars(view.substr(kCategoryOffset, kCategoryLength)));
    line.push_back('\t');
  }
  line.append(TrimSpaceChars(view.substr(kNumberOffset, kNumberLength)));
  line.push_back('\t');
  line.append(TrimLeftSpaceChars(view.substr(kTextOffset, CLogEntry::kTextLength)));
  return line;
}

}  // namespace trqx
