#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/log_entry.h"
#include "foundation/sys/event_loop.h"
#include "foundation/sys/sys_error.h"
#include "foundation/sys/sys_event.h"
#include "foundation/sys/sys_socket.h"
#include "foundation/sys/task_codes.h"

namespace trqx {

// A log entry a task asks its owner to make: the owner's logger stamps it and words it
// from its program's string table.
struct CTaskLog {
  LogLevel m_level = kLogError;
  LogCategory m_category = kCategorySystem;
  std::uint32_t m_number = 0;
  std::vector<std::string> m_args;
};

// One notification (the window message): its id, its code and the data the code carries.
struct CTaskNotice {
  std::uint32_t m_messageId = 0;  // 0: the task's own message id
  int m_code = 0;
  CTaskLog m_log;                  // log entry
  CSysSocket* m_socket = nullptr;  // client accepted: the owner takes it by moving from it
  std::string m_text;              // peer address, spool file name
  std::uint32_t m_number = 0;      // upload number
};
using NoticeHandler = std::function<void(const CTaskNotice&)>;

// The program's wording of what every task logs by itself.
struct TaskMessages {
  LogCategory m_category = kCategorySystem;
  std::uint32_t m_systemError = 0;  // %1 the code, %2 the failing call's text
};

// Base of every worker task: a thread with a wake event and a stop flag, reporting to its
// owner through an EventLoop. The owner's operations (Start, Stop, Reap, IsRunning,
// SetOwner) run on the owner's thread; the stop flag, and every state a derived task
// shares with its owner, is guarded by the owner's lock, which the owner must not hold
// when it calls Stop.
// The owner stops the task (Stop with kInfinite) before it destroys it; the destructor of
// the most derived task must otherwise call StopAndJoin, since the thread runs its Run.
class CWorkerTask {
 public:
  static constexpr std::chrono::milliseconds kInfinite = std::chrono::milliseconds::max();
  static constexpr std::uint32_t kStillActive = 259;

  // lock: the mutex the owner gives (on the server the one all tasks share); it must
  // outlive the task. wakeInitiallySet: the state Start gives the wake event.
  CWorkerTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
              bool wakeInitiallySet);
  virtual ~CWorkerTask();
  CWorkerTask(const CWorkerTask&) = delete;
  CWorkerTask& operator=(const CWorkerTask&) = delete;

  // Where notifications go: handler runs on loop's thread. Without a loop nothing is
  // sent. Set while no thread runs.
  void SetOwner(EventLoop* loop, std::uint32_t messageId, NoticeHandler handler);

  // Opens the wake event if needed (in its initial state), clears the stop flag and starts
  // the thread. (Notices of an earlier run the owner has not handled yet may still come.)
  // The thread notifies "started" (sent), runs Run, posts "ended in good state" (exit
  // code 0) or "ended in bad state" (exit code 1; also for an exception out of Run). Fails
  // with "CreateEvent(...)", or "AfxBeginThread" and code 0 when no thread can start or
  // one is still running.
  bool Start(CSysErrorInfo& error);
  // Sets the stop flag and the wake event under the lock (once; a failure is
  // "SetEvent(...)" and ends the stop), then waits up to timeout for the thread to end,
  // running the loop's waiting Sends meanwhile so a task blocked in one can end. A thread
  // still running at the timeout ("still active") is no error: IsRunning stays true. When
  // it has ended the thread is joined and no longer held. Called on the task's own thread
  // it fails with "WaitForSingleObject(...)" (EDEADLK).
  bool Stop(std::chrono::milliseconds timeout, CSysErrorInfo& error);
  // Joins and lets go of the thread if it has ended; no waiting, no error.
  void Reap();
  // A thread is held (started and not yet joined).
  bool IsRunning() const { return m_thread.joinable(); }
  // 0 or 1 once the last thread has ended, kStillActive while it runs (or before any).
  std::uint32_t ExitCode() const;

  // Sets the wake event: owner operations call it after changing shared state.
  bool Wake(CSysErrorInfo& error) { return m_wake.Set(error); }
  std::mutex& Lock() const { return m_lock; }

 protected:
  // The task's body: true for an orderly end, false for a failure.
  virtual bool Run() = 0;

  // The stop flag, read under the lock.
  bool StopRequested() const;
  CSysEvent& WakeEvent() { return m_wake; }
  // Sends (the owner has handled it on return) or posts a notification; the notice's id
  // 0 becomes the task's message id. Must not be called with the lock held: the owner may
  // be waiting for it.
  void NotifySend(CTaskNotice notice);
  void NotifyPost(CTaskNotice notice);
  // Sends a log entry with the program's category.
  void Log(LogLevel level, std::uint32_t number, std::vector<std::string> args = {});
  // Logs "System error ..." with error's code and call text.
  void LogSystemError(const CSysErrorInfo& error);
  const TaskMessages& Messages() const { return m_messages; }
  // Stop (no timeout) and join, for the destructors of derived tasks.
  void StopAndJoin();

 private:
  void ThreadProcedure();

  std::mutex& m_lock;
  const TaskCodes m_codes;
  const TaskMessages m_messages;
  const bool m_wakeInitiallySet;
  CSysEvent m_wake;
  bool m_stopRequested = false;  // guarded by m_lock

  EventLoop* m_loop = nullptr;
  std::uint32_t m_messageId = 0;
  NoticeHandler m_handler;

  std::thread m_thread;
  std::atomic<std::thread::id> m_workerId{};  // of the running thread, set by itself
  mutable std::mutex m_endMutex;
  std::condition_variable m_endCondition;
  bool m_ended = false;                     // guarded by m_endMutex
  std::uint32_t m_exitCode = kStillActive;  // guarded by m_endMutex
};

}  // namespace trqx
