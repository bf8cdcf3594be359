#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "client/dir_notify_task.h"
#include "foundation/file_error.h"
#include "foundation/log_file.h"
#include "foundation/sys/event_loop.h"
#include "foundation/sys/sys_error.h"
#include "settings/internal_settings.h"

namespace trqx {

// The result of uploading one given file through the upload flow.
enum class UploadResult {
  kHandedOver = 0,    // terminal program started or transfer begun; it ends later
  kBusy = 1,          // a terminal upload or a transfer is in progress
  kFailed = 2,        // logged, failed row added (a file no mapping fits, say)
  kNotConnected = 3,  // logged "Error Uploading File: Server not connected"
};

// What the poller needs from the main window. Called on the main window's thread.
class PollerHost {
 public:
  virtual ~PollerHost() = default;
  // Terminal mode: a terminal upload is in progress; client/server mode: a transfer is.
  virtual bool UploadInProgress() const = 0;
  // Client/server mode: the connection task is logged in to the server.
  virtual bool IsConnected() const = 0;
  // Uploads the file at path (the copy in the temp folder) as the upload flow does for one
  // given file.
  virtual UploadResult UploadPolledFile(const std::string& path) = 0;
};

// The free texts the poller logs (message 130, category SYSTEM).
namespace poller_text {
inline constexpr const char* kTaskStarted = "Directory Notification Task Started";
inline constexpr const char* kTaskFailedOnStart = "Directory Notification Task Failed on Start";
inline constexpr const char* kTaskSuccessOnStop = "Directory Notification Task Success on Stop";
inline constexpr const char* kTaskFailedOnStop = "Directory Notification Task Failed on Stop";
inline constexpr const char* kTaskTerminated = "Directory Notification Task Terminated";
inline constexpr const char* kTaskTerminatedWithFailure =
    "Directory Notification Task Terminated with Failure";
inline constexpr const char* kTimerStarted = "Directory Notification Timer Started";
inline constexpr const char* kTimerStopped = "Directory Notification Timer Stopped";
inline constexpr const char* kTimerFailed = "Directory Notification Timer Failed";
inline constexpr const char* kNotConnected = "Error Uploading File: Server not connected";
}  // namespace poller_text

// The texts of the poll folder's listing calls in a system error.
namespace poller_call {
inline constexpr std::string_view kFindFirstFile = "FindFirstFile";
inline constexpr std::string_view kFindNextFile = "FindNextFile";
inline constexpr std::string_view kFindClose = "FindClose()";
}  // namespace poller_call

// The main window's polled uploads: owns the directory notification task and the poll
// timer (103), scans the poll folder one file at a time into the temp folder and hands each
// copy to the host, and keeps the poll queue of sources whose uploads are in flight. The
// task's notices (message 0x465) reach OnTaskNotice through loop; the timer calls Scan.
// Everything runs on the loop's (main window's) thread.
class CDirectoryPoller {
 public:
  static constexpr EventLoop::TimerId kPollTimerId = 103;
  static constexpr std::chrono::milliseconds kStopWait{50};
  static constexpr std::chrono::milliseconds kBusyRetryWait{200};
  static constexpr int kBusyRetries = 3;
  using Sleep = std::function<void(std::chrono::milliseconds)>;

  // logger, loop and host must outlive the poller. sleep waits between copy retries of a
  // file another process holds (a real sleep by default).
  CDirectoryPoller(CLogger& logger, EventLoop& loop, PollerHost& host, Sleep sleep = {});
  // Kills the timer and stops the task, waiting for it.
  ~CDirectoryPoller();
  CDirectoryPoller(const CDirectoryPoller&) = delete;
  CDirectoryPoller& operator=(const CDirectoryPoller&) = delete;

  // Start polling with settings: method 0 starts the task (or moves its watch to the poll
  // folder; a stop still under way is waited for first), method 1 stops the task and starts
  // the timer; every step logs.
  void StartPolling(const COpenNVInternalSettings& settings);
  // Stop polling: the timer and the task, logged.
  void StopPolling();
  // The task's notice (message 0x465): a change scans, an end logs and closes the
  // notification.
  void OnTaskNotice(const CTaskNotice& notice);
  // One scan of the poll folder (also after a transfer ended, message 0x468). Hands at most
  // one file over; files that failed are deleted and the next one is tried.
  void Scan();
  // The oldest upload of the queue has ended: its source leaves the queue and, on success,
  // the poll folder. Returns the source's path ("" when the queue was empty).
  std::string UploadEnded(bool succeeded);

  const std::deque<std::string>& PollQueue() const { return m_pollQueue; }
  bool TaskRunning() const { return m_task.IsRunning(); }
  bool TimerRunning() const { return m_timerRunning; }
  bool StopRequested() const { return m_stopRequested; }
  // The last error recorded without a log entry: a listing that failed after it began
  // ("FindNextFile", "FindClose()") or a failed close of the notification.
  const CSysErrorInfo& RecordedError() const { return m_recordedError; }

 private:
  enum class Step { kNext, kEnd };
  enum class Copy { kDone, kInUse, kFailed };

  void LogText(LogLevel level, const char* text);
  void LogSystemError(const CSysErrorInfo& error);
  void StartTask();
  void StopTask();
  void StopTimer();
  void StartTimer(int intervalSeconds);
  // The regular files of the poll folder in listing order, up to a failed read (recorded);
  // false, logged, when the folder cannot be opened.
  bool ListPollFolder(std::vector<std::string>& names);
  // One listed file: copy, upload, act on the result.
  Step ScanFile(const std::string& name);
  // Copies with retries while another process holds the source.
  Copy CopyWithRetries(const std::string& source, const std::string& target, CFileError& error);

  CLogger& m_logger;
  EventLoop& m_loop;
  PollerHost& m_host;
  Sleep m_sleep;
  std::mutex m_taskLock;  // the task's lock (its stop flag)
  CDirNotifyTask m_task;
  // Lets the task's posted notices reach only a living poller.
  std::shared_ptr<CDirectoryPoller*> m_self;
  bool m_stopRequested = false;
  bool m_timerRunning = false;
  std::deque<std::string> m_pollQueue;  // sources of uploads in flight, oldest first
  CSysErrorInfo m_recordedError;
};

}  // namespace trqx
