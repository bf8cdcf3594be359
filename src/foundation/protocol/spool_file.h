#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// The file a server session writes a received upload into. One file at a time.
class CSpoolFile {
 public:
  virtual ~CSpoolFile() = default;
  // Creates (or empties) the file for writing, held exclusively; closes any file still
  // open first. On failure nothing is open and error names the call and the file.
  virtual bool Create(const std::string& path, CFileError& error) = 0;
  // Appends the bytes. They may reach the system only later (at the latest at Close), so a
  // write failure may be reported by a later Append or by Close. On failure error is filled
  // and the file stays open for the caller to close.
  virtual bool Append(std::string_view bytes, CFileError& error) = 0;
  // Closes the file if one is open; the file stays where it is. False (error filled) when
  // the system reports that the close failed, so written bytes may be lost.
  virtual bool Close(CFileError& error) = 0;
  virtual bool IsOpen() const = 0;
};

// Spool file on disk: created under an exclusive lock (a file that another of our
// programs holds is reported as kLocked) and written in blocks of 64 KiB, since a write
// call per 500-byte piece cost the server a fifth of its time. Close writes the rest.
class CDiskSpoolFile : public CSpoolFile {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  bool Create(const std::string& path, CFileError& error) override;
  bool Append(std::string_view bytes, CFileError& error) override;
  bool Close(CFileError& error) override;
  bool IsOpen() const override { return m_file.IsOpen(); }

 private:
  // Writes and empties the pending bytes.
  bool WritePending(CFileError& error);

  LockedFile m_file;
  std::string m_pending;  // appended, not yet written
};

// The number in spool file names: one per server process, starting at 0, shared by all
// sessions. Sessions take it while holding the lock all server tasks share; the counter
// is atomic as well, so no caller can get a number twice.
class CSpoolCounter {
 public:
  // The current value; the counter then counts one up.
  std::uint32_t Take() { return m_next.fetch_add(1, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> m_next{0};
};

// The server process's counter.
CSpoolCounter& ProcessSpoolCounter();

}  // namespace trqx
