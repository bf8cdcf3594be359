#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "foundation/log_file.h"
#include "foundation/scratch_folder.h"
#include "foundation/string_table.h"
#include "foundation/text.h"

namespace trqx::test {

// Sets an environment variable for the scope, restoring the old value after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_old = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

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
  void Log(const CLogEntry& entry) override {
    m_entries.push_back({entry.m_level, entry.m_category, entry.m_number,
                         std::string(TrimRightSpaceChars(entry.m_text))});
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& entry : m_entries) {
      texts.push_back(entry.text);
    }
    return texts;
  }
  std::vector<LoggedEntry> m_entries;
};

// A logger over a recording sink with the client's table and a fixed clock.
struct RecordingLogger {
  RecordingSink sink;
  CLogger logger{sink, ClientStrings(), [] { return std::time_t{1772800000}; }};
};

}  // namespace trqx::test
