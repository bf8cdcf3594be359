#include "console/server/server_console_view.h"

#include "foundation/registry.h"
#include "foundation/sys/exit_signals.h"
#include "foundation/text.h"
#include "server/ftp_client.h"
#include "server/vexo_server_dlg.h"

namespace trqx {

namespace {

const char* BoxName(StatusBox box) {
  return box == StatusBox::kFtp ? "FTP Status" : "Accepting Clients Status";
}

const char* RowName(HostRow row) {
  return row == HostRow::kPrimary ? "Primary" : "Backup";
}

}  // namespace

void ServerConsoleView::Line(const std::string& text) {
  m_out << text << '\n' << std::flush;
}

void ServerConsoleView::ShowStatus(StatusBox box, TaskState, const std::string& text) {
  Line(std::string(BoxName(box)) + ": " + text);
}

void ServerConsoleView::ShowHostAddress(HostRow row, const std::string& address) {
  Line(std::string(RowName(row)) + " Server Address: " + address);
}

void ServerConsoleView::ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                                     const std::string& retries) {
  std::string text = std::string(RowName(row)) + " Good FTP Put Count: " + good +
                     ", Bad FTP Put Count: " + bad + ", Retry Count: " + retries;
  std::string& last = m_counters[static_cast<int>(row)];
  if (text != last) {
    last = text;
    Line(text);
  }
}

void ServerConsoleView::ShowActiveHost(HostRow row) {
  Line(std::string("Active FTP Server: ") + RowName(row));
}

void ServerConsoleView::ShowSerialNumber(const std::string& serialNumber) {
  Line("N.V. Serial Number: " + serialNumber);
}

void ServerConsoleView::ShowBehavior(bool autoRestart, std::uint32_t intervalSeconds) {
  Line(std::string("Behavior: Auto-(Re)Start ") + (autoRestart ? "on" : "off") +
       ", Interval(Sec) " + std::to_string(intervalSeconds));
}

void ServerConsoleView::AddHistoryRow(const CHistoryRow& row) {
  Line("Remote Host History: " + row.m_time + '\t' + row.m_address + '\t' + row.m_event);
}

void ServerConsoleView::AddLogLine(const CLogEntry& entry) {
  // The record's text is padded to its fixed width; a terminal line need not be.
  Line(std::string(TrimRightSpaceChars(EventLogDisplayLine(entry, LogFlavour::kServer))));
}

void ServerConsoleView::ShowMessageBox(const std::string& text) {
  m_err << text << '\n' << std::flush;
}

int RunServerConsole(bool start, std::ostream& out, std::ostream& err) {
  ExitSignals signals;  // before any other thread starts, so all inherit the mask
  ManualEventLoop loop;
  IniRegistry registry;
  CurlFtpClient ftp;
  ServerConsoleView view(out, err, loop);
  out << CVEXOServerDlg::kCaption << '\n' << std::flush;
  CVEXOServerDlg dlg(view, loop, registry, ftp);
  if (!dlg.OnInitDialog()) {
    return kServerExitStartupEnded;
  }
  signals.OnSignal(loop, [&dlg] { dlg.OnExit(); });
  if (start) {
    loop.Post([&dlg] { dlg.OnStart(); });
  }
  loop.Run();
  dlg.OnDestroy();
  return kServerExitDone;
}

}  // namespace trqx
