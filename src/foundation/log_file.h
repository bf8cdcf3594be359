#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/file_error.h"
#include "foundation/locked_file.h"
#include "foundation/log_entry.h"

namespace trqx {

// The ring log file of 2000 fixed-length records ("qxu.log" or "qxd.log"): record i is
// the 249 bytes at i * 249, a formatted entry and a line feed. Used on one thread only.
class CLogFile {
 public:
  static constexpr std::size_t kCapacity = 2000;
  static constexpr std::size_t kRecordSize = 249;

  // capacity: records in the ring (at least 1).
  CLogFile(std::string path, LogFlavour flavour, std::size_t capacity = kCapacity);
  ~CLogFile();
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;

  // Empties entries, opens the file (creating it, never truncating it, under an exclusive
  // lock that keeps every other open of our programs out) and loads it: records are read
  // from 0 until the capacity, a short record or one whose byte 248 is not a line feed;
  // each record older than the one before it marks a wrap at its index. entries receives
  // the records oldest first (the part from the last wrap index on, then the part before
  // it, and so on); the next slot is the count read, or the last wrap index. On failure
  // (open, lock, read) false, error filled and the file closed.
  bool Open(std::vector<CLogEntry>& entries, CFileError& error);
  // Writes one record at the next slot (slot 0 once the next slot reached the capacity,
  // which sets the wrapped flag) and advances the next slot. False on a file error or
  // when the file is not open; the error is swallowed and the next slot stays.
  bool Write(const CLogEntry& entry);
  // Closes the file and releases its lock; writes then fail until the next Open.
  void Close();

  std::size_t Capacity() const { return m_capacity; }
  std::size_t NextSlot() const { return m_nextSlot; }
  bool Wrapped() const { return m_wrapped; }

 private:
  std::string m_path;
  LogFlavour m_flavour;
  std::size_t m_capacity;
  LockedFile m_file;
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
  CLogger(LogSink& sink, const StringTable& table, WallClock clock = SystemTime);
  void Log(LogLevel level, LogCategory category, std::uint32_t number,
           const std::vector<std::string>& args = {});
  const StringTable& Strings() const { return m_table; }

 private:
  LogSink& m_sink;
  const StringTable& m_table;
  WallClock m_clock;
};

}  // namespace trqx
