#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/process.h"
#include "foundation/log_file.h"
#include "foundation/sys/event_loop.h"
#include "settings/internal_settings.h"

namespace trqx {

// The main window's terminal-watch timer and its period.
inline constexpr EventLoop::TimerId kTerminalWatchTimerId = 100;
inline constexpr std::chrono::milliseconds kTerminalWatchInterval{500};

// The function texts of message 110.
inline constexpr std::string_view kCreateProcessFunction = "CreateProcess(...)";
inline constexpr std::string_view kGetExitCodeFunction = "GetExitCodeProcess(...)";

// How a terminal upload ended: the program exited with 0, or anything else.
enum class TerminalResult { kSent, kFailed };

// The terminal upload program's command line: each path in double quotes, the program
// (invoke path '/' invoke name), " -P " and the profile (invoke path '/' profile name),
// " -S " and the upload file.
std::string TerminalCommandLine(const COpenNVInternalSettings& settings,
                                std::string_view uploadPath);

// Splits a command line into arguments at blanks (space, tab) outside double quotes. A
// double quote opens or closes a quoted stretch and is dropped; text on both sides of it
// joins one argument, and "" alone is an empty argument. No other character is special (a
// backslash stays: it may be part of a path). Nothing, not even a partial result, for a
// quote left open: a path that broke the quoting must not start a program on a guess.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine);

// Starts the terminal upload program on one upload file and watches it on the owner's
// event loop until it ends. Owner's thread only. At most one program runs at a time;
// while one runs, Running() holds and the watch timer (100) is set.
class TerminalUpload {
 public:
  // onEnded is called once per started program, after its end was logged, with the
  // outcome; the owner adds the history row and drops the poll queue's oldest path there.
  // The references must outlive the object.
  TerminalUpload(ProcessRunner& runner, EventLoop& loop, CLogger& logger,
                 std::function<void(TerminalResult)> onEnded);
  // Stops the watch. A program still running is left running, unwatched: this happens as
  // the client ends, and the system reaps the program once the client has gone.
  ~TerminalUpload();
  TerminalUpload(const TerminalUpload&) = delete;
  TerminalUpload& operator=(const TerminalUpload&) = delete;

  // Logs the command line (130) and starts the program on uploadPath, then sets the watch
  // timer. False, with 110 and "CreateProcess(...)" logged and nothing started, when the
  // program cannot be started, a path holds a double quote (code EINVAL), or one is
  // already running (code EBUSY, and no 130).
  bool Start(const COpenNVInternalSettings& settings, const std::string& uploadPath);
  // The watch timer's tick: does nothing while the program runs; once it has ended (or
  // its state cannot be read), stops the timer, forgets the process, logs 111 (exit 0),
  // 112 (any other exit; a signal n as the shell's 128 + n) or 110 ("GetExitCodeProcess")
  // and calls onEnded. The program has no time limit.
  void OnTimer();
  bool Running() const { return m_pid.has_value(); }

 private:
  void LogStartFailure(std::uint32_t code);

  ProcessRunner& m_runner;
  EventLoop& m_loop;
  CLogger& m_logger;
  std::function<void(TerminalResult)> m_onEnded;
  std::optional<pid_t> m_pid;  // the running program: the process handle
};

}  // namespace trqx
