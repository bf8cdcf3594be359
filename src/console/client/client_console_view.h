#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "client/client_view.h"
#include "foundation/sys/event_loop.h"

namespace trqx {

// The client's window on a terminal: every event-log line, history row, status text,
// menu change and progress-window state goes to out, one flushed line each; message boxes
// go to err and beeps are the line "beep". Questions are answered OK, and closing the
// window ends the loop.
class ClientConsoleView : public ClientView {
 public:
  ClientConsoleView(std::ostream& out, std::ostream& err, ManualEventLoop& loop)
      : m_out(out), m_err(err), m_loop(loop) {}

  // The log file keeps what earlier runs logged; a terminal shows this run's lines only.
  void ShowLoadedLog(const std::vector<CLogEntry>& entries) override;
  void AddLogLine(const CLogEntry& entry) override;
  bool ShowEventLog() override { return true; }
  void AddHistoryRow(const CUploadHistoryRow& row) override;
  void UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) override;
  void ClearHistory() override;
  void ShowStatusText(const std::string& text) override;
  // Only changes are printed.
  void EnableCommand(ClientCommand command, bool enabled) override;
  // Only changes are printed.
  void ShowUploadProgress(ProgressState state) override;
  void AddUploadStatusLine(const std::string& text) override;
  void Beep(unsigned, unsigned) override { Line("beep"); }
  bool Confirm(const std::string&, const std::string&) override { return true; }
  void ShowMessageBox(const std::string& text) override;
  void CloseWindow() override { m_loop.Quit(); }

 private:
  void Line(const std::string& text);
  void HistoryLine(std::size_t index, const CUploadHistoryRow& row);

  std::ostream& m_out;
  std::ostream& m_err;
  ManualEventLoop& m_loop;
  std::size_t m_rows = 0;
  std::map<ClientCommand, bool> m_enabled;
  ProgressState m_progress = ProgressState::kClosed;
};

}  // namespace trqx
