#include "console/client/client_console_view.h"

#include "foundation/text.h"

namespace trqx {

namespace {

const char* CommandName(ClientCommand command) {
  switch (command) {
    case ClientCommand::kConnect:
      return "Connect To Server";
    case ClientCommand::kDisconnect:
      return "Disconnect";
    case ClientCommand::kCancelAll:
      return "Cancel All Pending Transfers";
  }
  return "";
}

const char* StateName(HistoryState state) {
  switch (state) {
    case HistoryState::kSent:
      return "sent";
    case HistoryState::kFailed:
      return "failed";
    case HistoryState::kPending:
      return "pending";
    case HistoryState::kCancelled:
      return "cancelled";
  }
  return "";
}

const char* ProgressText(ProgressState state) {
  switch (state) {
    case ProgressState::kClosed:
      return "closed";
    case ProgressState::kInProgress:
      return "File transfer to server in progress, press Cancel to stop transmission.";
    case ProgressState::kSent:
      return "File uploaded to server";
    case ProgressState::kNotSent:
      return "File not uploaded to server";
  }
  return "";
}

}  // namespace

void ClientConsoleView::Line(const std::string& text) {
  m_out << text << '\n' << std::flush;
}

void ClientConsoleView::ShowLoadedLog(const std::vector<CLogEntry>& entries) {
  // Of the loaded entries only this run's "System startup." is new.
  if (!entries.empty()) {
    AddLogLine(entries.back());
  }
}

void ClientConsoleView::AddLogLine(const CLogEntry& entry) {
  // The record's text is padded to its fixed width; a terminal line need not be.
  Line(std::string(TrimRightSpaceChars(EventLogDisplayLine(entry, LogFlavour::kClient))));
}

void ClientConsoleView::HistoryLine(std::size_t index, const CUploadHistoryRow& row) {
  Line("History row " + std::to_string(index + 1) + ": " + StateName(row.m_state) + '\t' +
       row.m_path + '\t' + row.m_time + "\tupload " + std::to_string(row.m_uploadNumber));
}

void ClientConsoleView::AddHistoryRow(const CUploadHistoryRow& row) {
  HistoryLine(m_rows++, row);
}

void ClientConsoleView::UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) {
  HistoryLine(index, row);
}

void ClientConsoleView::ClearHistory() {
  m_rows = 0;
  Line("History cleared");
}

void ClientConsoleView::ShowStatusText(const std::string& text) {
  Line("Status: " + text);
}

void ClientConsoleView::EnableCommand(ClientCommand command, bool enabled) {
  const auto known = m_enabled.find(command);
  if (known != m_enabled.end() && known->second == enabled) {
    return;
  }
  m_enabled[command] = enabled;
  Line(std::string("Menu: ") + CommandName(command) + (enabled ? " enabled" : " disabled"));
}

void ClientConsoleView::ShowUploadProgress(ProgressState state) {
  if (state == m_progress) {
    return;
  }
  m_progress = state;
  Line(std::string("Upload progress: ") + ProgressText(state));
}

void ClientConsoleView::AddUploadStatusLine(const std::string& text) {
  Line("Upload status: " + text);
}

void ClientConsoleView::ShowMessageBox(const std::string& text) {
  m_err << text << '\n' << std::flush;
}

}  // namespace trqx
