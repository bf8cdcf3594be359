#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/log_file.h"
#include "foundation/string_table.h"

namespace trqx::test {

// A fresh folder under the system's temp folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trqx-client-XXXXXX").string();
    m_path = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Sets an environment variable for the scope, restoring the old value after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_old = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (m_old) {
      setenv(m_name, m_old->c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

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
    std::string text = entry.m_text;
    text.erase(text.find_last_not_of(' ') + 1);
    m_entries.push_back({entry.m_level, entry.m_category, entry.m_number, text});
  }
  std::vector<LoggedEntry> m_entries;
};

// A logger over a recording sink with the client's table and a fixed clock.
struct RecordingLogger {
  RecordingSink sink;
  CLogger logger{sink, ClientStrings(), [] { return std::time_t{1772800000}; }};
};

}  // namespace trqx::test
