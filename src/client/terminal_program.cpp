#include "client/terminal_program.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "foundation/client_strings.h"

namespace trqx {

namespace {

// A shell reports a program killed by signal n as exit code 128 + n; the log does the
// same, so a crash reads as a failed exit like any other.
constexpr std::uint32_t kSignalExitBase = 128;

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted.append(text);
  quoted.push_back('"');
  return quoted;
}

}  // namespace

std::string TerminalCommandLine(const COpenNVInternalSettings& settings,
                                std::string_view uploadPath) {
  // Always a separator, even after an empty or '/'-ended folder: the command line is
  // the logged record of what was run, built the same way every time.
  return Quoted(settings.m_invokePath + "/" + settings.m_invokeName) + " -P " +
         Quoted(settings.m_invokePath + "/" + settings.m_profileName) + " -S " + Quoted(uploadPath);
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;  // a quote alone makes an argument, so emptiness cannot tell
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument) {
        arguments.push_back(std::move(current));
        current.clear();
        inArgument = false;
      }
    } else {
      current.push_back(c);
      inArgument = true;
    }
  }
  if (quoted) {
    return std::nullopt;
  }
  if (inArgument) {
    arguments.push_back(std::move(current));
  }
  return arguments;
}

TerminalUpload::TerminalUpload(ProcessRunner& runner, EventLoop& loop, CLogger& logger,
                               std::function<void(TerminalResult)> onEnded)
    : m_runner(runner), m_loop(loop), m_logger(logger), m_onEnded(std::move(onEnded)) {}

TerminalUpload::~TerminalUpload() {
  if (Running()) {
    m_loop.KillTimer(kTerminalWatchTimerId);
  }
}

bool TerminalUpload::Start(const COpenNVInternalSettings& settings, const std::string& uploadPath) {
  if (Running()) {
    LogStartFailure(EBUSY);
    return false;
  }
  std::string commandLine = TerminalCommandLine(settings, uploadPath);
  m_logger.Log(kLogInfo, kCategorySystem, client_strings::kMsgFreeText, {commandLine});
  // A quote inside a path would end its quoting early and split the path at its blanks.
  const std::string_view parts[] = {settings.m_invokePath, settings.m_invokeName,
                                    settings.m_profileName, uploadPath};
  bool quotable = std::ranges::none_of(
      parts, [](std::string_view part) { return part.find('"') != std::string_view::npos; });
  std::optional<std::vector<std::string>> argv = SplitCommandLine(commandLine);
  if (!quotable || !argv) {
    LogStartFailure(EINVAL);
    return false;
  }
  pid_t pid = 0;
  std::uint32_t errorCode = 0;
  if (!m_runner.Start(*argv, pid, errorCode)) {
    LogStartFailure(errorCode);
    return false;
  }
  m_pid = pid;
  m_loop.SetTimer(kTerminalWatchTimerId, kTerminalWatchInterval, [this] { OnTimer(); });
  return true;
}

void TerminalUpload::OnTimer() {
  if (!Running()) {
    return;
  }
  ProcessStatus status = m_runner.Poll(*m_pid);
  if (status.m_state == ProcessState::kRunning) {
    return;
  }
  m_loop.KillTimer(kTerminalWatchTimerId);
  m_pid.reset();

  using namespace client_strings;
  TerminalResult result = TerminalResult::kFailed;
  if (status.m_state == ProcessState::kPollFailed) {
    m_logger.Log(kLogError, kCategoryFtp, kMsgTerminalAccessFailed,
                 {std::to_string(status.m_code), std::string(kGetExitCodeFunction)});
  } else {
    std::uint32_t exitCode = status.m_state == ProcessState::kSignalled
                                 ? kSignalExitBase + status.m_code
                                 : status.m_code;
    if (exitCode == 0) {
      result = TerminalResult::kSent;
      m_logger.Log(kLogInfo, kCategoryFtp, kMsgTerminalUploadSucceeded);
    } else {
      // The text shows only %2.
      m_logger.Log(kLogError, kCategoryFtp, kMsgTerminalUploadFailed,
                   {"", std::to_string(exitCode)});
    }
  }
  m_onEnded(result);
}

void TerminalUpload::LogStartFailure(std::uint32_t code) {
  m_logger.Log(kLogError, kCategoryFtp, client_strings::kMsgTerminalAccessFailed,
               {std::to_string(code), std::string(kCreateProcessFunction)});
}

}  // namespace trqx
