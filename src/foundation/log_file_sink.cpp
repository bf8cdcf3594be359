#include "foundation/log_file_sink.h"

#include "foundation/text.h"

namespace trqx {

void LogFileSink::Log(const CLogEntry& entry) {
  m_file.Write(entry);
  if (m_errors != nullptr && entry.m_level == kLogError) {
    *m_errors << TrimRightSpaceChars(entry.m_text) << '\n' << std::flush;
  }
  if (m_display != nullptr) {
    m_display->Log(entry);
  }
}

}  // namespace trqx
