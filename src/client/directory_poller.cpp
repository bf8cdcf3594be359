#include "client/directory_poller.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <thread>
#include <utility>

#include "foundation/client_strings.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

namespace {

using client_strings::kMsgFileError;
using client_strings::kMsgFreeText;
using client_strings::kMsgSystemError;

constexpr TaskMessages kTaskMessages{kCategorySystem, kMsgSystemError};

// Copies source into target (created or truncated) byte for byte, the source held against
// writers for the whole copy.
bool CopyFileDenyingWrites(const std::string& source, const std::string& target,
                           CFileError& error) {
  LockedFile in;
  LockedFile out;
  if (!in.Open(source, O_RDONLY, FileLock::kDenyWrite, error) ||
      !out.Open(target, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error)) {
    return false;
  }
  std::array<char, 64 * 1024> buffer;
  for (;;) {
    std::size_t got = 0;
    if (!in.Read(buffer.data(), buffer.size(), got, error)) {
      return false;
    }
    if (got == 0) {
      return out.Close(error);
    }
    if (!out.Write(buffer.data(), got, error)) {
      return false;
    }
  }
}

// Only regular files are uploaded: a subfolder is not entered, and a pipe or device would
// block or never end the copy.
bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

CDirectoryPoller::CDirectoryPoller(CLogger& logger, EventLoop& loop, PollerHost& host, Sleep sleep)
    : m_logger(logger),
      m_loop(loop),
      m_host(host),
      m_sleep(sleep ? std::move(sleep) : Sleep([](std::chrono::milliseconds wait) {
        std::this_thread::sleep_for(wait);
      })),
      m_task(m_taskLock, kTaskMessages),
      m_self(std::make_shared<CDirectoryPoller*>(this)) {
  std::weak_ptr<CDirectoryPoller*> self = m_self;
  m_task.SetOwner(&m_loop, dir_notify_task::kMessageId, [self](const CTaskNotice& notice) {
    if (auto poller = self.lock()) {
      (*poller)->OnTaskNotice(notice);
    }
  });
}

CDirectoryPoller::~CDirectoryPoller() {
  if (m_timerRunning) {
    m_loop.KillTimer(kPollTimerId);
  }
  m_self.reset();
}

void CDirectoryPoller::LogText(LogLevel level, const char* text) {
  m_logger.Log(level, kCategorySystem, kMsgFreeText, {text});
}

void CDirectoryPoller::LogSystemError(const CSysErrorInfo& error) {
  m_logger.Log(kLogError, kCategorySystem, kMsgSystemError,
               {std::to_string(error.m_code), error.m_function});
}

void CDirectoryPoller::StartPolling(const COpenNVInternalSettings& settings) {
  CSysErrorInfo error;
  if (!m_task.Configure(settings, error)) {
    // The earlier folders stay; the failure shows as the steps below use them.
    LogSystemError(error);
  }
  if (settings.m_detectMethod == 0) {
    StartTask();
  } else if (settings.m_detectMethod == 1 && m_task.IsRunning()) {
    StopTask();
  }
  StopTimer();
  if (settings.m_detectMethod == 1) {
    StartTimer(settings.m_timerInterval);
  }
}

void CDirectoryPoller::StopPolling() {
  StopTimer();
  if (m_task.IsRunning()) {
    StopTask();
  }
}

void CDirectoryPoller::StartTask() {
  CSysErrorInfo error;
  if (m_stopRequested && m_task.IsRunning()) {
    // A stop asked for earlier is still under way: let it end, or it would end the task
    // this start keeps.
    m_task.Stop(CWorkerTask::kInfinite, error);
  }
  m_task.Reap();
  if (m_task.IsRunning()) {
    if (!m_task.Rewatch(error)) {
      LogSystemError(error);
    }
    return;
  }
  if (m_task.StartWatching(error)) {
    LogText(kLogInfo, poller_text::kTaskStarted);
  } else {
    LogSystemError(error);
    LogText(kLogError, poller_text::kTaskFailedOnStart);
  }
}

void CDirectoryPoller::StopTask() {
  CSysErrorInfo error;
  if (m_task.Stop(kStopWait, error)) {
    LogText(kLogInfo, poller_text::kTaskSuccessOnStop);
    m_stopRequested = true;
  } else {
    LogSystemError(error);
    LogText(kLogError, poller_text::kTaskFailedOnStop);
  }
}

void CDirectoryPoller::StopTimer() {
  if (m_timerRunning) {
    m_loop.KillTimer(kPollTimerId);
    m_timerRunning = false;
    LogText(kLogInfo, poller_text::kTimerStopped);
  }
}

void CDirectoryPoller::StartTimer(int intervalSeconds) {
  // A timer without a positive period would fire without pause.
  if (intervalSeconds <= 0) {
    LogText(kLogError, poller_text::kTimerFailed);
    return;
  }
  m_loop.SetTimer(kPollTimerId, std::chrono::seconds(intervalSeconds), [this] { Scan(); });
  m_timerRunning = true;
  LogText(kLogInfo, poller_text::kTimerStarted);
}

void CDirectoryPoller::OnTaskNotice(const CTaskNotice& notice) {
  switch (notice.m_code) {
    case dir_notify_task::kChangeSeen:
      Scan();
      return;
    case dir_notify_task::kEndedGood:
    case dir_notify_task::kEndedBad: {
      const bool good = notice.m_code == dir_notify_task::kEndedGood;
      LogText(good ? kLogInfo : kLogError,
              good ? poller_text::kTaskTerminated : poller_text::kTaskTerminatedWithFailure);
      CSysErrorInfo error;
      if (!m_task.CloseNotification(error)) {
        m_recordedError = error;  // recorded, as the window records it, not logged
      }
      m_stopRequested = false;
      return;
    }
    default:
      return;  // the thread's start needs nothing
  }
}

void CDirectoryPoller::Scan() {
  const COpenNVInternalSettings& settings = m_task.Settings();
  if ((!settings.IsTerminalUpload() && !settings.IsClientServerUpload()) ||
      m_host.UploadInProgress()) {
    return;
  }
  std::vector<std::string> names;
  if (!ListPollFolder(names)) {
    return;
  }
  for (const std::string& name : names) {
    if (ScanFile(name) == Step::kEnd) {
      return;
    }
  }
}

bool CDirectoryPoller::ListPollFolder(std::vector<std::string>& names) {
  DIR* folder = ::opendir(m_task.PollDirectory().c_str());
  if (folder == nullptr) {
    CSysErrorInfo error;
    error.Set(static_cast<std::uint32_t>(errno), poller_call::kFindFirstFile);
    LogSystemError(error);
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder);
    if (entry == nullptr) {
      if (errno != 0) {
        // The entries read before the error are still scanned; the listing ends here.
        m_recordedError.Set(static_cast<std::uint32_t>(errno), poller_call::kFindNextFile);
      }
      break;
    }
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && IsRegularFile(JoinPath(m_task.PollDirectory(), name))) {
      names.push_back(name);
    }
  }
  if (::closedir(folder) != 0) {
    m_recordedError.Set(static_cast<std::uint32_t>(errno), poller_call::kFindClose);
  }
  return true;
}

CDirectoryPoller::Step CDirectoryPoller::ScanFile(const std::string& name) {
  if (m_task.Settings().IsClientServerUpload()) {
    if (m_host.UploadInProgress()) {
      return Step::kEnd;
    }
    if (!m_host.IsConnected()) {
      LogText(kLogError, poller_text::kNotConnected);
      return Step::kEnd;
    }
  }
  const std::string source = JoinPath(m_task.PollDirectory(), name);
  const std::string copy = JoinPath(m_task.TempDirectory(), name);
  CFileError error;
  switch (CopyWithRetries(source, copy, error)) {
    case Copy::kDone:
      break;
    case Copy::kInUse:
      return Step::kNext;  // left for a later scan
    case Copy::kFailed:
      m_logger.Log(kLogInfo, kCategorySystem, kMsgFileError,
                   {error.m_fileName, std::to_string(error.m_osError)});
      return Step::kEnd;
  }
  m_pollQueue.push_back(source);
  const UploadResult result = m_host.UploadPolledFile(copy);
  if (result == UploadResult::kHandedOver) {
    return Step::kEnd;  // the source stays queued until its upload ends
  }
  m_pollQueue.pop_back();
  switch (result) {
    case UploadResult::kBusy:
      ::unlink(copy.c_str());
      return Step::kEnd;
    case UploadResult::kFailed:
      ::unlink(source.c_str());
      return Step::kNext;
    case UploadResult::kNotConnected:
    case UploadResult::kHandedOver:
      break;
  }
  return Step::kNext;
}

CDirectoryPoller::Copy CDirectoryPoller::CopyWithRetries(const std::string& source,
                                                         const std::string& target,
                                                         CFileError& error) {
  for (int attempt = 0;; ++attempt) {
    error = CFileError{};
    if (CopyFileDenyingWrites(source, target, error)) {
      return Copy::kDone;
    }
    if (error.m_cause != FileErrorCause::kLocked) {
      return Copy::kFailed;
    }
    if (attempt == kBusyRetries) {
      return Copy::kInUse;
    }
    m_sleep(kBusyRetryWait);
  }
}

std::string CDirectoryPoller::UploadEnded(bool succeeded) {
  if (m_pollQueue.empty()) {
    return {};
  }
  std::string source = std::move(m_pollQueue.front());
  m_pollQueue.pop_front();
  if (succeeded) {
    ::unlink(source.c_str());
  }
  return source;
}

}  // namespace trqx
