#include "foundation/protocol/upload_source.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

namespace trqx {

bool CDiskUploadSource::Open(const std::string& path, CFileError& error) {
  m_blockUsed = 0;
  m_blockFill = 0;
  return m_file.Open(path, O_RDONLY, FileLock::kDenyWrite, error);
}

bool CDiskUploadSource::Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) {
  got = 0;
  if (m_blockUsed == m_blockFill) {
    m_block.resize(kBlockSize);
    m_blockUsed = 0;
    m_blockFill = 0;
    if (!m_file.Read(m_block.data(), m_block.size(), m_blockFill, error)) {
      return false;
    }
  }
  got = std::min(size, m_blockFill - m_blockUsed);
  std::memcpy(buffer, m_block.data() + m_blockUsed, got);
  m_blockUsed += got;
  return true;
}

void CDiskUploadSource::Close() {
  CFileError ignored;  // nothing was written, so a failing close loses nothing
  m_file.Close(ignored);
  m_blockUsed = 0;
  m_blockFill = 0;
}

}  // namespace trqx
