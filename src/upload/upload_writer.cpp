#include "upload/upload_writer.h"

#include <fcntl.h>

namespace trqx {

bool CUploadWriter::Create(const std::string& path, CFileError& error) {
  m_buffer.clear();
  m_buffer.reserve(kBufferSize);
  m_failed = false;
  return m_file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error);
}

void CUploadWriter::Write(std::string_view bytes) {
  if (m_failed) {
    return;
  }
  if (m_buffer.size() + bytes.size() > kBufferSize) {
    Drain();
    if (bytes.size() >= kBufferSize) {
      m_failed = m_failed || !m_file.Write(bytes.data(), bytes.size(), m_error);
      return;
    }
  }
  m_buffer.append(bytes);
}

void CUploadWriter::Drain() {
  if (!m_failed && !m_buffer.empty()) {
    m_failed = !m_file.Write(m_buffer.data(), m_buffer.size(), m_error);
  }
  m_buffer.clear();
}

bool CUploadWriter::Close() {
  Drain();
  CFileError closeError;
  if (!m_file.Close(closeError) && !m_failed) {
    m_failed = true;
    m_error = closeError;
  }
  return !m_failed;
}

bool CUploadWriter::Discard() {
  m_buffer.clear();
  m_failed = true;
  if (!m_file.IsOpen()) {
    return false;
  }
  CFileError ignored;
  m_file.Truncate(0, ignored);
  m_file.Close(ignored);
  return true;
}

}  // namespace trqx
