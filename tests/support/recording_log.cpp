#include "support/recording_log.h"

#include "foundation/text.h"

namespace trqx::test {

void RecordingSink::Log(const CLogEntry& entry) {
  m_entries.push_back({entry.m_level, entry.m_category, entry.m_number,
                       std::string(TrimRightSpaceChars(entry.m_text))});
}

std::vector<std::string> RecordingSink::Texts() const {
  std::vector<std::string> texts;
  for (const LoggedEntry& entry : m_entries) {
    texts.push_back(entry.text);
  }
  return texts;
}

}  // namespace trqx::test
