#include "foundation/protocol/spool_file.h"

#include <fcntl.h>

namespace trqx {

bool CDiskSpoolFile::Create(const std::string& path, CFileError& error) {
  m_pending.clear();
  return m_file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error);
}

bool CDiskSpoolFile::Append(std::string_view bytes, CFileError& error) {
  m_pending.append(bytes);
  return m_pending.size() < kBlockSize || WritePending(error);
}

bool CDiskSpoolFile::Close(CFileError& error) {
  if (!m_file.IsOpen()) {
    return true;
  }
  const bool written = WritePending(error);
  CFileError closeError;
  const bool closed = m_file.Close(closeError);
  if (written && !closed) {
    error = closeError;
  }
  return written && closed;
}

bool CDiskSpoolFile::WritePending(CFileError& error) {
  const bool written = m_file.Write(m_pending.data(), m_pending.size(), error);
  m_pending.clear();
  return written;
}

CSpoolCounter& ProcessSpoolCounter() {
  static CSpoolCounter counter;
  return counter;
}

}  // namespace trqx
