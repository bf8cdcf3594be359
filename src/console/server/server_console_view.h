#pragma once

#include <ostream>
#include <string>

#include "foundation/sys/event_loop.h"
#include "server/server_view.h"

namespace trqx {

// The server's window on a terminal: every event-log line, history row and status change
// goes to out, one flushed line each; message boxes go to err. Questions are answered OK,
// and closing the window ends the loop.
class ServerConsoleView : public ServerView {
 public:
  ServerConsoleView(std::ostream& out, std::ostream& err, ManualEventLoop& loop)
      : m_out(out), m_err(err), m_loop(loop) {}

  void ShowStatus(StatusBox box, TaskState state, const std::string& text) override;
  void ShowHostAddress(HostRow row, const std::string& address) override;
  // Only changed counts are printed: the window refreshes them every second.
  void ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                    const std::string& retries) override;
  void ShowActiveHost(HostRow row) override;
  void ShowSerialNumber(const std::string& serialNumber) override;
  void ShowBehavior(bool autoRestart, std::uint32_t intervalSeconds) override;
  void EnableApply(bool) override {}
  void EnableCommand(ServerCommand, bool) override {}
  void AddHistoryRow(const CHistoryRow& row) override;
  void DeleteOldestHistoryRow() override {}
  // The log file keeps what earlier runs logged; a terminal shows this run's lines only.
  void ShowLoadedLog(const std::vector<CLogEntry>&) override {}
  void AddLogLine(const CLogEntry& entry) override;
  bool ShowEventLog() override { return true; }
  void Beep(unsigned, unsigned) override {}
  bool Confirm(const std::string&, const std::string&) override { return true; }
  void ShowMessageBox(const std::string& text) override;
  void DisableWindow() override {}
  void CloseWindow() override { m_loop.Quit(); }

 private:
  void Line(const std::string& text);

  std::ostream& m_out;
  std::ostream& m_err;
  ManualEventLoop& m_loop;
  std::string m_counters[2];
};

// Exit codes of the console server.
inline constexpr int kServerExitDone = 0;
inline constexpr int kServerExitStartupEnded = 1;

// Runs the server in the current folder with the console view until SIGTERM or SIGINT
// (the confirmed Exit: every task stops and ends first). start: the Start command right
// after start-up. kServerExitStartupEnded when start-up ended the program.
int RunServerConsole(bool start, std::ostream& out, std::ostream& err);

}  // namespace trqx
