#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "foundation/file_error.h"

namespace trqx {

// How an open keeps other opens out: advisory fcntl open-file-description locks on the whole
// file. They conflict between any two opens, in one process or in two, and are released when
// the file is closed. A lock held elsewhere counts as "in use by another process".
enum class FileLock {
  kExclusive,  // write lock: any other lock on the file fails; needs O_WRONLY or O_RDWR
  kDenyWrite,  // read lock: other kDenyWrite opens share it, kExclusive opens fail; needs read
};

// One open file held under its lock for as long as it is open; the destructor closes it.
// Every operation returns false on failure and fills error with the cause, the errno, the
// failing call ("open", "fcntl", "read", ...) and the file name. Not thread-safe.
class LockedFile {
 public:
  LockedFile() = default;
  ~LockedFile();
  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // open(2) with flags (O_CLOEXEC added; a created file gets mode 0666 less the umask), then
  // the lock, without waiting. O_TRUNC is applied only once the lock is held, so a file that
  // another open holds is never cut. A held lock fails with kLocked and EWOULDBLOCK; any
  // failure leaves this object closed. An open file is closed first.
  bool Open(const std::string& path, int flags, FileLock lock, CFileError& error);
  bool IsOpen() const { return m_fd >= 0; }
  int Fd() const { return m_fd; }
  const std::string& Path() const { return m_path; }

  // Reads up to size bytes at the file position; got is 0 only at the end of the file.
  bool Read(void* buffer, std::size_t size, std::size_t& got, CFileError& error);
  // Writes all size bytes at the file position.
  bool Write(const void* data, std::size_t size, CFileError& error);
  // Moves the file position to offset bytes from the start.
  bool Seek(off_t offset, CFileError& error);
  // The file's length in bytes.
  bool Size(off_t& size, CFileError& error);
  // Sets the file's length; the file position stays where it was.
  bool Truncate(off_t length, CFileError& error);
  // Closes the file (releasing the lock) and reports a failing close; closing a closed
  // file succeeds.
  bool Close(CFileError& error);

 private:
  bool Fail(FileErrorCause cause, const char* function, int osError, CFileError& error) const;
  void CloseQuietly();

  int m_fd = -1;
  std::string m_path;
};

}  // namespace trqx
