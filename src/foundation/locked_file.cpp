#include "foundation/locked_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace trqx {

LockedFile::~LockedFile() {
  CloseQuietly();
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    CloseQuietly();
    m_fd = std::exchange(other.m_fd, -1);
    m_path = std::move(other.m_path);
  }
  return *this;
}

bool LockedFile::Fail(FileErrorCause cause, const char* function, int osError,
                      CFileError& error) const {
  error.m_cause = cause;
  error.m_osError = osError;
  error.m_function = function;
  error.m_fileName = m_path;
  return false;
}

void LockedFile::CloseQuietly() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

bool LockedFile::Open(const std::string& path, int flags, FileLock lock, CFileError& error) {
  CloseQuietly();
  m_path = path;
  const bool truncate = (flags & O_TRUNC) != 0;
  int fd;
  do {
    fd = ::open(path.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    return Fail(FileErrorCause::kOpen, "open", errno, error);
  }
  struct flock region = {};
  region.l_type = lock == FileLock::kExclusive ? F_WRLCK : F_RDLCK;
  region.l_whence = SEEK_SET;  // l_start 0 and l_len 0: the whole file, however it grows
  if (::fcntl(fd, F_OFD_SETLK, &region) != 0) {
    const int code = errno;
    ::close(fd);
    if (code == EAGAIN || code == EACCES) {
      return Fail(FileErrorCause::kLocked, "fcntl", EWOULDBLOCK, error);
    }
    return Fail(FileErrorCause::kOpen, "fcntl", code, error);
  }
  m_fd = fd;
  if (truncate && ::ftruncate(m_fd, 0) != 0) {
    const int code = errno;
    CloseQuietly();
    return Fail(FileErrorCause::kWrite, "ftruncate", code, error);
  }
  return true;
}

bool LockedFile::Read(void* buffer, std::size_t size, std::size_t& got, CFileError& error) {
  got = 0;
  ssize_t n;
  do {
    n = ::read(m_fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    return Fail(FileErrorCause::kRead, "read", errno, error);
  }
  got = static_cast<std::size_t>(n);
  return true;
}

bool LockedFile::Write(const void* data, std::size_t size, CFileError& error) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(m_fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return Fail(FileErrorCause::kWrite, "write", errno, error);
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool LockedFile::Seek(off_t offset, CFileError& error) {
  if (::lseek(m_fd, offset, SEEK_SET) < 0) {
    return Fail(FileErrorCause::kRead, "lseek", errno, error);
  }
  return true;
}

bool LockedFile::Size(off_t& size, CFileError& error) {
  struct stat status = {};
  if (::fstat(m_fd, &status) != 0) {
    return Fail(FileErrorCause::kRead, "fstat", errno, error);
  }
  size = status.st_size;
  return true;
}

bool LockedFile::Truncate(off_t length, CFileError& error) {
  if (::ftruncate(m_fd, length) != 0) {
    return Fail(FileErrorCause::kWrite, "ftruncate", errno, error);
  }
  return true;
}

bool LockedFile::Close(CFileError& error) {
  if (m_fd < 0) {
    return true;
  }
  const int fd = std::exchange(m_fd, -1);
  if (::close(fd) != 0 && errno != EINTR) {
    return Fail(FileErrorCause::kWrite, "close", errno, error);
  }
  return true;
}

}  // namespace trqx
