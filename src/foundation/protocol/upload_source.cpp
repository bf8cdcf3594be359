#include "foundation/protocol/upload_source.h"

#include <fcntl.h>

namespace trqx {

bool CDiskUploadSource::Open(const std::string& path, CFileError& error) {
  return m_file.Open(path, O_RDONLY, FileLock::kDenyWrite, error);
}

bool CDiskUploadSource::Read(char* buffer, std::size_t size, std::size_t& got, CFileError& error) {
  return m_file.Read(buffer, size, got, error);
}

void CDiskUploadSource::Close() {
  CFileError ignored;  // nothing was written, so a failing close loses nothing
  m_file.Close(ignored);
}

}  // namespace trqx
