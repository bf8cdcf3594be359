#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/sys/sys_error.h"
#include "foundation/sys/task_codes.h"
#include "foundation/sys/worker_task.h"
#include "settings/internal_settings.h"

namespace trqx {

// The codes the directory notification task posts to the main window (message 0x465).
namespace dir_notify_task {
inline constexpr std::uint32_t kMessageId = 0x465;  // 1125
inline constexpr int kChangeSeen = 0;               // posted after every wake-up
inline constexpr int kEndedGood = 1;                // posted
inline constexpr int kEndedBad = 2;                 // posted
// Sent as the thread begins; the window message has no such code, so the owner ignores it.
inline constexpr int kStarted = 3;
// The thread logs nothing (its errors show only as an end in bad state); the base task
// still needs a code for it.
inline constexpr int kLogEntry = 4;
inline constexpr TaskCodes kCodes{kStarted, kLogEntry, kEndedGood, kEndedBad};
}  // namespace dir_notify_task

// The texts naming the failing calls of the notification, as users see them in the log.
namespace dir_notify_call {
inline constexpr std::string_view kFindFirst = "FindFirstChangeNotification";
inline constexpr std::string_view kFindNext = "FindNextChangeNotification";
inline constexpr std::string_view kFindClose = "FindCloseChangeNotification";
inline constexpr std::string_view kGetCurrentDirectory = "GetCurrentDirectory";
}  // namespace dir_notify_call

// path made absolute against workingDirectory: a path beginning with '/' is taken
// unchanged, an empty path is workingDirectory, any other is workingDirectory '/' path.
std::string AbsolutePath(std::string_view path, std::string_view workingDirectory);

// The directory notification task: a worker thread that waits on an inotify watch of the
// poll directory (files closed after writing, moved in or out, deleted; not subfolders)
// and posts dir_notify_task::kChangeSeen after every wake-up, the stop's included. It never
// touches files or its owner's state. The wake event is the stop event (initially clear).
// Owner-thread operations only, except where said.
class CDirNotifyTask : public CWorkerTask {
 public:
  CDirNotifyTask(std::mutex& lock, const TaskMessages& messages);
  ~CDirNotifyTask() override;

  // Keeps a copy of settings with the poll and temp folders made absolute against the
  // process's working folder. Fails with "GetCurrentDirectory" when that cannot be read,
  // leaving the earlier copy. Call while no thread runs or before Rewatch.
  bool Configure(const COpenNVInternalSettings& settings, CSysErrorInfo& error);
  const COpenNVInternalSettings& Settings() const { return m_settings; }
  const std::string& PollDirectory() const { return m_settings.m_pollDirectory; }
  const std::string& TempDirectory() const { return m_settings.m_tempDirectory; }

  // Opens the notification on the poll folder and starts the thread. A folder that cannot
  // be watched fails with "FindFirstChangeNotification" and its errno, without a thread;
  // a thread that cannot start fails as CWorkerTask::Start and closes the notification.
  bool StartWatching(CSysErrorInfo& error);
  // While the thread runs: moves the watch onto the (possibly new) poll folder. On failure
  // ("FindFirstChangeNotification") nothing is watched until the next success.
  bool Rewatch(CSysErrorInfo& error);
  // Closes the notification once the thread has ended; closing none succeeds. A failing
  // close is "FindCloseChangeNotification".
  bool CloseNotification(CSysErrorInfo& error);
  bool IsWatching() const { return m_watch >= 0; }

 protected:
  bool Run() override;

 private:
  // Adds the watch on the poll folder to the open notification.
  bool AddWatch(CSysErrorInfo& error);
  // Reads every pending event so the next wait blocks until a new one; false on a failed
  // read.
  bool Drain();

  COpenNVInternalSettings m_settings;
  int m_notifyFd = -1;  // written only while no thread runs
  int m_watch = -1;     // owner's thread only
};

}  // namespace trqx
