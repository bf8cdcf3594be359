#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/log_entry.h"

namespace trqx {

// The menu commands whose enabling changes while the client runs.
enum class ClientCommand { kConnect, kDisconnect, kCancelAll };

// The states of the upload history rows, in the order of their icons.
enum class HistoryState { kSent = 0, kFailed = 1, kPending = 2, kCancelled = 3 };

// The upload-progress window: closed, or shown in one of its three states.
enum class ProgressState { kClosed, kInProgress, kSent, kNotSent };

// One row of the upload history list.
struct CUploadHistoryRow {
  std::string m_path;  // the converted file's full path, or "Unknown file"
  std::string m_time;  // "%H:%M:%S %m/%d/%y" of the last change
  std::string m_basketId;
  HistoryState m_state = HistoryState::kPending;
  std::uint32_t m_uploadNumber = 0;
};

// What the client's main window shows and asks, as CTRQXClientDlg drives it; the Qt window
// and the console implement it. Called on the window's thread only.
class ClientView {
 public:
  virtual ~ClientView() = default;
  // The entries read back from the log file at start-up, oldest first, ending with this
  // run's "System startup.".
  virtual void ShowLoadedLog(const std::vector<CLogEntry>& entries) = 0;
  // A new entry of the event log (already in the log file).
  virtual void AddLogLine(const CLogEntry& entry) = 0;
  // Shows the event log window; false when there is none.
  virtual bool ShowEventLog() = 0;
  // History rows: appended at the end, changed in place (index from the top), all removed.
  virtual void AddHistoryRow(const CUploadHistoryRow& row) = 0;
  virtual void UpdateHistoryRow(std::size_t index, const CUploadHistoryRow& row) = 0;
  virtual void ClearHistory() = 0;
  // The one-line status text below the history list.
  virtual void ShowStatusText(const std::string& text) = 0;
  virtual void EnableCommand(ClientCommand command, bool enabled) = 0;
  virtual void ShowUploadProgress(ProgressState state) = 0;
  // One line of the upload status window ("File was uploaded", ...).
  virtual void AddUploadStatusLine(const std::string& text) = 0;
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
  // Asks text with caption; true for OK.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // A message box with the exclamation icon.
  virtual void ShowMessageBox(const std::string& text) = 0;
  // The window closes: the program ends after the dialog's shut-down.
  virtual void CloseWindow() = 0;
};

}  // namespace trqx
