#include "foundation/sys/worker_task.h"

#include <cerrno>
#include <exception>
#include <system_error>
#include <utility>

namespace trqx {

namespace {

// How long one wait of Stop lasts before it looks at the thread again; the thread's last
// post ends the wait sooner.
constexpr std::chrono::milliseconds kStopSlice{20};

CTaskNotice NoticeOf(int code) {
  CTaskNotice notice;
  notice.m_code = code;
  return notice;
}

}  // namespace

CWorkerTask::CWorkerTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
                         bool wakeInitiallySet)
    : m_lock(lock), m_codes(codes), m_messages(messages), m_wakeInitiallySet(wakeInitiallySet) {}

CWorkerTask::~CWorkerTask() {
  // Last resort against std::terminate; derived tasks have stopped the thread already.
  if (m_thread.joinable()) {
    StopAndJoin();
  }
}

void CWorkerTask::SetOwner(EventLoop* loop, std::uint32_t messageId, NoticeHandler handler) {
  m_loop = loop;
  m_messageId = messageId;
  m_handler = std::move(handler);
}

bool CWorkerTask::Start(CSysErrorInfo& error) {
  Reap();
  if (m_thread.joinable()) {
    error.Set(0, sys_call::kBeginThread);
    return false;
  }
  if (!m_wake.IsOpen()) {
    if (!m_wake.Create(m_wakeInitiallySet, error)) {
      return false;
    }
  } else if (m_wakeInitiallySet ? !m_wake.Set(error) : !m_wake.Reset(error)) {
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopRequested = false;
  }
  {
    std::lock_guard<std::mutex> guard(m_endMutex);
    m_ended = false;
    m_exitCode = kStillActive;
  }
  try {
    m_thread = std::thread(&CWorkerTask::ThreadProcedure, this);
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> guard(m_endMutex);
    m_ended = true;
    error.Set(0, sys_call::kBeginThread);
    return false;
  }
  return true;
}

void CWorkerTask::ThreadProcedure() {
  m_workerId = std::this_thread::get_id();
  NotifySend(NoticeOf(m_codes.m_started));
  bool good = false;
  try {
    good = Run();
  } catch (const std::exception&) {
    // Out of memory (or any other exception) inside the task ends it in bad state.
    good = false;
  }
  {
    std::lock_guard<std::mutex> guard(m_endMutex);
    m_exitCode = good ? 0 : 1;
    m_ended = true;
  }
  m_endCondition.notify_all();
  m_workerId = std::thread::id();
  // The last act of the thread: its post also ends the owner's wait in Stop.
  NotifyPost(NoticeOf(good ? m_codes.m_endedGood : m_codes.m_endedBad));
}

bool CWorkerTask::Stop(std::chrono::milliseconds timeout, CSysErrorInfo& error) {
  const bool ownThread = m_workerId.load() == std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_stopRequested) {
      m_stopRequested = true;
      if (m_wake.IsOpen() && !m_wake.Set(error)) {
        return false;
      }
    }
  }
  // The task's own thread cannot wait for itself (nor look at its thread object, which
  // the owner may be writing).
  if (ownThread) {
    error.Set(EDEADLK, sys_call::kWaitThread);
    return false;
  }
  if (!m_thread.joinable()) {
    return true;
  }
  const bool forever = timeout == kInfinite;
  const auto deadline = forever ? std::chrono::steady_clock::time_point::max()
                                : std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::unique_lock<std::mutex> lock(m_endMutex);
    if (m_ended) {
      break;
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      return true;  // still active: not an error
    }
    auto slice = forever
                     ? kStopSlice
                     : std::min<std::chrono::milliseconds>(
                           kStopSlice,
                           std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                               std::chrono::milliseconds(1));
    if (m_loop != nullptr) {
      lock.unlock();
      m_loop->ServeSends(slice);
    } else {
      m_endCondition.wait_for(lock, slice);
    }
  }
  m_thread.join();
  return true;
}

void CWorkerTask::Reap() {
  if (!m_thread.joinable()) {
    return;
  }
  bool ended = false;
  {
    std::lock_guard<std::mutex> guard(m_endMutex);
    ended = m_ended;
  }
  if (ended) {
    m_thread.join();
  }
}

std::uint32_t CWorkerTask::ExitCode() const {
  std::lock_guard<std::mutex> guard(m_endMutex);
  return m_exitCode;
}

bool CWorkerTask::StopRequested() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_stopRequested;
}

void CWorkerTask::NotifySend(CTaskNotice notice) {
  if (m_loop == nullptr || !m_handler) {
    return;
  }
  if (notice.m_messageId == 0) {
    notice.m_messageId = m_messageId;
  }
  m_loop->Send([this, &notice] { m_handler(notice); });
}

void CWorkerTask::NotifyPost(CTaskNotice notice) {
  if (m_loop == nullptr || !m_handler) {
    return;
  }
  if (notice.m_messageId == 0) {
    notice.m_messageId = m_messageId;
  }
  // The handler is copied: the owner may have destroyed the task by the time it runs.
  m_loop->Post([handler = m_handler, notice = std::move(notice)] { handler(notice); });
}

void CWorkerTask::Log(LogLevel level, std::uint32_t number, std::vector<std::string> args) {
  CTaskNotice notice;
  notice.m_code = m_codes.m_logEntry;
  notice.m_log = {level, m_messages.m_category, number, std::move(args)};
  NotifySend(std::move(notice));
}

void CWorkerTask::LogSystemError(const CSysErrorInfo& error) {
  Log(kLogError, m_messages.m_systemError, {std::to_string(error.m_code), error.m_function});
}

void CWorkerTask::StopAndJoin() {
  CSysErrorInfo error;
  if (!Stop(kInfinite, error) && m_thread.joinable() &&
      m_workerId.load() != std::this_thread::get_id()) {
    m_thread.join();
  }
}

}  // namespace trqx
