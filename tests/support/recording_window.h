#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/log_entry.h"

namespace trqx::test {

// What every recording view of a main window remembers: the event log, beeps, questions
// (answered with m_answer), message boxes and closes. View is the window's view interface.
template <typename View>
class RecordingWindow : public View {
 public:
  void ShowLoadedLog(const std::vector<CLogEntry>& entries) override { m_loaded = entries; }
  void AddLogLine(const CLogEntry& entry) override { m_log.push_back(entry); }
  bool ShowEventLog() override { return m_hasEventLog; }
  void Beep(unsigned frequencyHz, unsigned durationMs) override {
    m_beeps.push_back(std::to_string(frequencyHz) + "/" + std::to_string(durationMs));
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    m_questions.push_back(caption + ": " + text);
    return m_answer;
  }
  void ShowMessageBox(const std::string& text) override { m_messageBoxes.push_back(text); }
  void CloseWindow() override { ++m_closed; }

  static std::string Trimmed(const CLogEntry& entry) {
    return entry.m_text.substr(0, entry.m_text.find_last_not_of(' ') + 1);
  }
  // The log lines' texts without their padding, in order.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    std::transform(m_log.begin(), m_log.end(), std::back_inserter(texts), Trimmed);
    return texts;
  }

  std::vector<CLogEntry> m_loaded;
  std::vector<CLogEntry> m_log;
  bool m_hasEventLog = true;
  std::vector<std::string> m_beeps;
  std::vector<std::string> m_questions;
  bool m_answer = true;
  std::vector<std::string> m_messageBoxes;
  int m_closed = 0;
};

}  // namespace trqx::test
