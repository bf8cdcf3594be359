#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "support/scratch_folder.h"

namespace trqx::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollWait{5};

}  // namespace

ChildProcess::~ChildProcess() {
  if (m_pid > 0) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  if (m_input >= 0) {
    ::close(m_input);
  }
}

bool ChildProcess::Start(const Options& options) {
  m_outputPath = options.m_outputPath;
  std::vector<std::string> args = options.m_argv;
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  int pipeFds[2] = {-1, -1};
  if (options.m_pipeInput && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    return false;
  }
  const pid_t parent = ::getpid();
  m_pid = ::fork();
  if (m_pid == 0) {
    // Only calls that are safe after fork until exec.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int output = ::open(options.m_outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int input = options.m_pipeInput ? pipeFds[0] : ::open("/dev/null", O_RDONLY);
    if (::getppid() != parent || ::chdir(options.m_folder.c_str()) != 0 || output < 0 ||
        input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
        ::dup2(output, STDERR_FILENO) < 0) {
      ::_exit(127);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (options.m_pipeInput) {
    ::close(pipeFds[0]);
    m_input = pipeFds[1];
  }
  return m_pid > 0;
}

bool ChildProcess::Reap(int& status, rusage& usage) {
  return m_pid > 0 && ::wait4(m_pid, &status, WNOHANG, &usage) != 0 && Ended();
}

bool ChildProcess::Wait(int& status, rusage& usage) {
  return m_pid > 0 && ::wait4(m_pid, &status, 0, &usage) == m_pid && Ended();
}

bool ChildProcess::Ended() {
  m_pid = -1;
  if (m_input >= 0) {
    ::close(m_input);
    m_input = -1;
  }
  return true;
}

bool ChildProcess::Stop(std::chrono::milliseconds timeout, int& status, rusage& usage) {
  if (m_pid <= 0) {
    return true;
  }
  const pid_t pid = m_pid;
  ::kill(pid, SIGTERM);
  const auto end = Clock::now() + timeout;
  while (!Reap(status, usage)) {
    if (Clock::now() > end) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, nullptr, 0, &usage);
      m_pid = -1;
      status = -1;
      return false;
    }
    std::this_thread::sleep_for(kPollWait);
  }
  return true;
}

bool ChildProcess::WaitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    if (Output().find(text) != std::string::npos) {
      return true;
    }
    if (!Alive()) {
      return false;
    }
    std::this_thread::sleep_for(kPollWait * 4);
  }
  return false;
}

bool ChildProcess::Alive() const {
  // Looks without reaping, so that Reap or Stop still get the status and usage.
  siginfo_t info{};
  return m_pid > 0 &&
         ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

std::string ChildProcess::Output() const {
  return ReadWholeFile(m_outputPath);
}

}  // namespace trqx::test
