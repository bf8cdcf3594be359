#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "server/server_view.h"
#include "support/recording_window.h"

namespace trqx::test {

// Remembers what the server's window was told to show; questions get the scripted answer.
class RecordingServerView final : public RecordingWindow<ServerView> {
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
  void DisableWindow() override { m_disabled = true; }

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
  bool m_disabled = false;
};

}  // namespace trqx::test
