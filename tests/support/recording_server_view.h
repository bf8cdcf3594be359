#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "server/server_view.h"

namespace trqx::test {

// Remembers what the server's window was told to show; questions get the scripted answer.
class RecordingServerView final : public ServerView {
 public:
  void ShowStatus(StatusBox box, TaskState state, const std::string& text) override {
    m_status[box] = {state, text};
  }
  void ShowHostAddress(HostRow row, const std::string& address) override {
    m_addresses[row] = address;
  }
  void ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                    const std::string& retries) override {
    m_counters[row] = good + "/" + bad + "/" + retries;
  }
  void ShowActiveHost(HostRow row) override { m_activeHost = row; }
  void ShowSerialNumber(const std::string& serialNumber) override { m_serial = serialNumber; }
  void ShowBehavior(bool autoRestart, std::uint32_t interval) override {
    m_behavior = std::string(autoRestart ? "on " : "off ") + std::to_string(interval);
  }
  void EnableApply(bool enabled) override { m_applyEnabled = enabled; }
  void EnableCommand(ServerCommand command, bool enabled) override {
    m_commands[command] = enabled;
  }
  void AddHistoryRow(const CHistoryRow& row) override {
    m_history.push_back(row);
    ++m_historyAdded;
  }
  void DeleteOldestHistoryRow() override {
    if (!m_history.empty()) {
      m_history.pop_front();
    }
  }
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
  void DisableWindow() override { m_disabled = true; }
  void CloseWindow() override { ++m_closed; }

  // The log lines' texts without their padding, in order.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const CLogEntry& entry : m_log) {
      texts.push_back(entry.m_text.substr(0, entry.m_text.find_last_not_of(' ') + 1));
    }
    return texts;
  }
  bool Logged(const std::string& text) const {
    const auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  int CountLogged(const std::string& text) const {
    const auto texts = LogTexts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
  }
  // The history rows' events, in order.
  std::vector<std::string> HistoryEvents() const {
    std::vector<std::string> events;
    for (const CHistoryRow& row : m_history) {
      events.push_back(row.m_event);
    }
    return events;
  }

  struct Status {
    TaskState m_state = TaskState::kInitial;
    std::string m_text;
  };
  std::map<StatusBox, Status> m_status;
  std::map<HostRow, std::string> m_addresses;
  std::map<HostRow, std::string> m_counters;
  HostRow m_activeHost = HostRow::kPrimary;
  std::string m_serial;
  std::string m_behavior;
  bool m_applyEnabled = false;
  std::map<ServerCommand, bool> m_commands;
  std::deque<CHistoryRow> m_history;
  std::size_t m_historyAdded = 0;
  std::vector<CLogEntry> m_loaded;
  std::vector<CLogEntry> m_log;
  bool m_hasEventLog = true;
  std::vector<std::string> m_beeps;
  std::vector<std::string> m_questions;
  bool m_answer = true;
  std::vector<std::string> m_messageBoxes;
  bool m_disabled = false;
  int m_closed = 0;
};

}  // namespace trqx::test
