#include "client/dir_notify_task.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

namespace trqx {

namespace {

// IN_CREATE comes before a file is written, so a file counts once it is closed after
// writing or moved in; deletions and moves out wake the task too, so the next file in the
// queue is scanned. IN_Q_OVERFLOW comes unasked and is a wake-up like any other, since
// every wake-up rescans the whole folder.
constexpr std::uint32_t kWatchMask =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR;

std::uint32_t Errno() {
  return static_cast<std::uint32_t>(errno);
}

bool CurrentDirectory(std::string& folder, CSysErrorInfo& error) {
  std::vector<char> buffer(PATH_MAX);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    error.Set(Errno(), dir_notify_call::kGetCurrentDirectory);
    return false;
  }
  folder = buffer.data();
  return true;
}

}  // namespace

std::string AbsolutePath(std::string_view path, std::string_view workingDirectory) {
  if (path.empty()) {
    return std::string(workingDirectory);
  }
  if (path.front() == '/') {
    return std::string(path);
  }
  std::string absolute(workingDirectory);
  absolute += '/';
  absolute += path;
  return absolute;
}

CDirNotifyTask::CDirNotifyTask(std::mutex& lock, const TaskMessages& messages)
    : CWorkerTask(lock, dir_notify_task::kCodes, messages, false) {}

CDirNotifyTask::~CDirNotifyTask() {
  StopAndJoin();
  CSysErrorInfo ignored;
  CloseNotification(ignored);
}

bool CDirNotifyTask::Configure(const COpenNVInternalSettings& settings, CSysErrorInfo& error) {
  std::string working;
  if (!CurrentDirectory(working, error)) {
    return false;
  }
  m_settings = settings;
  m_settings.m_pollDirectory = AbsolutePath(settings.m_pollDirectory, working);
  m_settings.m_tempDirectory = AbsolutePath(settings.m_tempDirectory, working);
  return true;
}

bool CDirNotifyTask::StartWatching(CSysErrorInfo& error) {
  Reap();
  if (IsRunning()) {
    return Start(error);  // fails as a second start does
  }
  if (m_notifyFd < 0) {
    m_notifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notifyFd < 0) {
      error.Set(Errno(), dir_notify_call::kFindFirst);
      return false;
    }
  }
  CSysErrorInfo ignored;
  if (!Rewatch(error) || !Start(error)) {
    CloseNotification(ignored);
    return false;
  }
  return true;
}

bool CDirNotifyTask::Rewatch(CSysErrorInfo& error) {
  if (m_notifyFd < 0) {
    error.Set(EBADF, dir_notify_call::kFindFirst);
    return false;
  }
  if (m_watch >= 0) {
    // The old watch may be gone already (its folder deleted): nothing to report then.
    ::inotify_rm_watch(m_notifyFd, m_watch);
    m_watch = -1;
  }
  return AddWatch(error);
}

bool CDirNotifyTask::AddWatch(CSysErrorInfo& error) {
  const int watch = ::inotify_add_watch(m_notifyFd, PollDirectory().c_str(), kWatchMask);
  if (watch < 0) {
    error.Set(Errno(), dir_notify_call::kFindFirst);
    return false;
  }
  m_watch = watch;
  return true;
}

bool CDirNotifyTask::CloseNotification(CSysErrorInfo& error) {
  Reap();
  if (m_notifyFd < 0 || IsRunning()) {
    return true;
  }
  const int fd = m_notifyFd;
  m_notifyFd = -1;
  m_watch = -1;
  if (::close(fd) != 0) {
    error.Set(Errno(), dir_notify_call::kFindClose);
    return false;
  }
  return true;
}

bool CDirNotifyTask::Drain() {
  // Large enough for many events with the longest names at once.
  alignas(inotify_event) std::array<char, 16 * (sizeof(inotify_event) + NAME_MAX + 1)> buffer;
  for (;;) {
    const ssize_t got = ::read(m_notifyFd, buffer.data(), buffer.size());
    if (got > 0) {
      continue;  // what changed does not matter: every wake-up rescans the folder
    }
    if (got < 0 && errno == EINTR) {
      continue;
    }
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

bool CDirNotifyTask::Run() {
  if (StopRequested()) {
    return true;
  }
  CSysErrorInfo error;
  for (;;) {
    std::array<pollfd, 2> handles{{{m_notifyFd, POLLIN, 0}, {WakeEvent().Handle(), POLLIN, 0}}};
    if (::poll(handles.data(), handles.size(), -1) < 0 && errno != EINTR) {
      // Recorded only; the loop goes on.
      error.Set(Errno(), sys_call::kWaitAcceptLoop);
    }
    // Drained before the owner hears of the change, so a change made while the owner
    // scans wakes the task again instead of being read away unseen.
    if (!Drain()) {
      return false;
    }
    CTaskNotice change;
    change.m_code = dir_notify_task::kChangeSeen;
    NotifyPost(std::move(change));
    if (!WakeEvent().Reset(error)) {
      return false;
    }
    if (StopRequested()) {
      return true;
    }
  }
}

}  // namespace trqx
