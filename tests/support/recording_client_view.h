#pragma once

// Header-only: users link the client layer they test.

#include <algorithm>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "client/client_view.h"
#include "support/recording_window.h"

namespace trqx {

inline void PrintTo(HistoryState state, std::ostream* out) {
  static const char* const kNames[] = {"sent", "failed", "pending", "cancelled"};
  *out << kNames[static_cast<int>(state)];
}

}  // namespace trqx

namespace trqx::test {

// Remembers what the client's main window was told to show; the history list is kept as
// the rows the window would show, so a wrong row index throws. Questions get the scripted
// answer.
class RecordingClientView final : public RecordingWindow<ClientView> {
 public:
  void AddHistoryRow(const CUploadHistoryRow& row) override { m_history.push_back(row); }
  void UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) override {
    m_history.at(index) = row;
  }
  void ClearHistory() override {
    m_history.clear();
    ++m_historyClears;
  }
  void ShowStatusText(const std::string& text) override { m_statusTexts.push_back(text); }
  void EnableCommand(ClientCommand command, bool enabled) override {
    m_commands[command] = enabled;
  }
  void ShowUploadProgress(ProgressState state) override { m_progress.push_back(state); }
  void AddUploadStatusLine(const std::string& text) override { m_statusLines.push_back(text); }

  // The last log line with this text; null when none.
  const CLogEntry* FindLog(const std::string& text) const {
    const auto found = std::find_if(m_log.rbegin(), m_log.rend(),
                                    [&](const CLogEntry& entry) { return Trimmed(entry) == text; });
    return found == m_log.rend() ? nullptr : &*found;
  }
  std::vector<HistoryState> HistoryStates() const {
    std::vector<HistoryState> states;
    for (const CUploadHistoryRow& row : m_history) {
      states.push_back(row.m_state);
    }
    return states;
  }
  // The enabling of Connect, Disconnect and Cancel All as "101" (1 enabled, 0 disabled, - not
  // set yet).
  std::string Commands() const {
    std::string text;
    for (ClientCommand command :
         {ClientCommand::kConnect, ClientCommand::kDisconnect, ClientCommand::kCancelAll}) {
      const auto found = m_commands.find(command);
      text += found == m_commands.end() ? '-' : found->second ? '1' : '0';
    }
    return text;
  }

  std::vector<CUploadHistoryRow> m_history;
  int m_historyClears = 0;
  std::vector<std::string> m_statusTexts;
  std::map<ClientCommand, bool> m_commands;
  std::vector<ProgressState> m_progress;
  std::vector<std::string> m_statusLines;
};

}  // namespace trqx::test
