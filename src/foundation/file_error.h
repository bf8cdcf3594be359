#pragma once

#include <string>

namespace trqx {

// What a failed file operation leaves behind for the caller to word into a message.
enum class FileErrorCause { kNone, kOpen, kLocked, kRead, kWrite };

struct CFileError {
  FileErrorCause m_cause = FileErrorCause::kNone;
  int m_osError = 0;       // errno of the failing call (EWOULDBLOCK for a held lock)
  std::string m_function;  // the failing call, e.g. "open"
  std::string m_fileName;
};

}  // namespace trqx
