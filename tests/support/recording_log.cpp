#include "support/recording_log.h"

namespace trqx::test {

void RecordingSink::Log(const CLogEntry& entry) {
  std::string text = entry.m_text;
  text.erase(text.find_last_not_of(' ') + 1);
  m_entries.push_back({entry.m_level, entry.m_category, entry.m_number, text});
}

std::vector<std::string> RecordingSink::Texts() const {
  std::vector<std::string> texts;
  for (const LoggedEntry& entry : m_entries) {
    texts.push_back(entry.text);
  }
  return texts;
}

}  // namespace trqx::test
