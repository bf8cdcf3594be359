#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trqx {

// What a poll found out about a started process.
enum class ProcessState {
  kRunning,    // not ended yet
  kExited,     // ended by itself; m_code is its exit code
  kSignalled,  // ended by a signal (a crash or a kill); m_code is the signal number
  kPollFailed  // the system could not say; m_code is the errno value
};

struct ProcessStatus {
  ProcessState m_state = ProcessState::kRunning;
  std::uint32_t m_code = 0;
};

// Starts and watches child processes: the side effect of the terminal upload that tests
// replace. One owner thread; nothing blocks except Kill's short reap.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;

  // Starts argv[0] (searched on PATH when it holds no '/') with argv, the caller's
  // environment and working directory, and none of the caller's open files beyond 0-2.
  // True with pid set; false with errorCode the errno value (a missing program: ENOENT).
  virtual bool Start(const std::vector<std::string>& argv, pid_t& pid,
                     std::uint32_t& errorCode) = 0;
  // Asks, without waiting, whether pid has ended. Any state but kRunning means the child
  // was reaped: pid is gone and must not be polled again.
  virtual ProcessStatus Poll(pid_t pid) = 0;
  // Kills pid and reaps it; false (errno lost) when it was not a live child of ours.
  virtual bool Kill(pid_t pid) = 0;
};

// The real runner: posix_spawnp and waitpid(WNOHANG).
class SpawnProcessRunner final : public ProcessRunner {
 public:
  bool Start(const std::vector<std::string>& argv, pid_t& pid, std::uint32_t& errorCode) override;
  ProcessStatus Poll(pid_t pid) override;
  bool Kill(pid_t pid) override;
};

}  // namespace trqx
