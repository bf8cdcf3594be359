#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/log_entry.h"

namespace trqx {

// The ring log file of 2000 fixed-length records ("qxu.log" or "qxd.log").
class CLogFile {
 public:
  static constexpr std::size_t kCapacity = 2000;
  static constexpr std::size_t kRecordSize = 249;

  CLogFile(std::string path, LogFlavour flavour, std::size_t capacity = kCapacity);
  ~CLogFile();
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;

  // Opens (creating, never truncating, writers of other processes locked out) and loads
  // the file; entries receives the loaded records oldest first.
  bool Open(std::vector<CLogEntry>& entries, CFileError& error);
  // Writes one record into the ring; false on a file error (swallowed).
  bool Write(const CLogEntry& entry);

  std::size_t Capacity() const { return m_capacity; }
  std::size_t NextSlot() const { return m_nextSlot; }
  bool Wrapped() const { return m_wrapped; }

 private:
  std::string m_path;
  LogFlavour m_flavour;
  std::size_t m_capacity;
  int m_fd = -1;
  std::size_t m_nextSlot = 0;
  bool m_wrapped = false;
};

// The owner's log operation: adds the entry to the event-log window if there is one,
// and writes it to the log file. Runs on the owner's thread only.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Log(const CLogEntry& entry) = 0;
};

// Makes entries from a program's string table, stamped with the current time, and hands
// them to the sink. The clock is injectable for tests.
class CLogger {
 public:
  using Clock = std::function<std::time_t()>;
  CLogger(LogSink& sink, const StringTable& table, Clock clock = [] { return std::time(nullptr); });
  void Log(LogLevel level, LogCategory category, std::uint32_t number,
           const std::vector<std::string>& args = {});
  const StringTable& Strings() const { return m_table; }

 private:
  LogSink& m_sink;
  const StringTable& m_table;
  Clock m_clock;
};

}  // namespace trqx
