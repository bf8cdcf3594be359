#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "foundation/log_file.h"
#include "foundation/string_table.h"

namespace trqx::test {

// One logged entry with its text trimmed of the padding.
struct LoggedEntry {
  std::int16_t level;
  std::uint16_t category;
  std::uint32_t number;
  std::string text;
};

// Keeps every entry handed to the owner's log operation.
class RecordingSink : public LogSink {
 public:
  void Log(const CLogEntry& entry) override;
  // The texts of the entries in their order.
  std::vector<std::string> Texts() const;

  std::vector<LoggedEntry> m_entries;
};

// A logger over a recording sink with the client's table and a fixed clock.
struct RecordingLogger {
  RecordingSink sink;
  CLogger logger{sink, ClientStrings(), [] { return std::time_t{1772800000}; }};
};

}  // namespace trqx::test
