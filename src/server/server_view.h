#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/log_entry.h"

namespace trqx {

// The two coloured status boxes and what each shows.
enum class StatusBox { kFtp, kAccept };
enum class TaskState { kInitial, kUp, kStopped, kDown };

// The 12-character word of a state and its box colour.
struct CStatusLook {
  const char* m_word;
  std::uint8_t m_red;
  std::uint8_t m_green;
  std::uint8_t m_blue;
};
const CStatusLook& StatusLook(TaskState state);

enum class ServerCommand { kStart, kStop };
enum class HostRow { kPrimary = 0, kBackup = 1 };

// One row of the remote host history.
struct CHistoryRow {
  std::string m_time;  // "%m/%d/%Y %H:%M:%S"
  std::string m_address;
  std::string m_event;
};

// What the server's window shows and does, as CVEXOServerDlg drives it; the Qt window and
// the console implement it. Called on the window's thread only.
class ServerView {
 public:
  virtual ~ServerView() = default;
  // A status box: state gives the colour, text is "<word> at <time>".
  virtual void ShowStatus(StatusBox box, TaskState state, const std::string& text) = 0;
  // A counter row's "Server Address".
  virtual void ShowHostAddress(HostRow row, const std::string& address) = 0;
  // A counter row's good puts, bad puts and retries, each already as text.
  virtual void ShowCounters(HostRow row, const std::string& good, const std::string& bad,
                            const std::string& retries) = 0;
  // The active picture beside row, the inactive one beside the other.
  virtual void ShowActiveHost(HostRow row) = 0;
  virtual void ShowSerialNumber(const std::string& serialNumber) = 0;
  // The "Behavior" box's fields and whether "Apply" is enabled.
  virtual void ShowBehavior(bool autoRestart, std::uint32_t intervalSeconds) = 0;
  virtual void EnableApply(bool enabled) = 0;
  virtual void EnableCommand(ServerCommand command, bool enabled) = 0;
  // Appends a history row; DeleteOldestHistoryRow removes the first one.
  virtual void AddHistoryRow(const CHistoryRow& row) = 0;
  virtual void DeleteOldestHistoryRow() = 0;
  // The entries read back from the log file at start-up, oldest first.
  virtual void ShowLoadedLog(const std::vector<CLogEntry>& entries) = 0;
  // A new entry of the event log (already in the log file).
  virtual void AddLogLine(const CLogEntry& entry) = 0;
  // Shows the event log window; false when there is none.
  virtual bool ShowEventLog() = 0;
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
  // Asks text with caption; true for OK.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  virtual void ShowMessageBox(const std::string& text) = 0;
  // The window no longer takes input (exiting).
  virtual void DisableWindow() = 0;
  // The window closes: the program ends after the dialog's shut-down.
  virtual void CloseWindow() = 0;
};

}  // namespace trqx
