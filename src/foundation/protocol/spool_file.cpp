#include "foundation/protocol/spool_file.h"

#include <fcntl.h>

namespace trqx {

bool CDiskSpoolFile::Create(const std::string& path, CFileError& error) {
  return m_file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error);
}

bool CDiskSpoolFile::Append(std::string_view bytes, CFileError& error) {
  return m_file.Write(bytes.data(), bytes.size(), error);
}

bool CDiskSpoolFile::Close(CFileError& error) {
  return m_file.Close(error);
}

CSpoolCounter& ProcessSpoolCounter() {
  static CSpoolCounter counter;
  return counter;
}

}  // namespace trqx
