#pragma once

#include <cerrno>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "client/process.h"

namespace trqx::test {

// A ProcessRunner that starts nothing: it records each start's argv, fails starts with a
// scripted errno, and answers polls from a script. A pid is live from its start until a
// poll reports its end or it is killed; polling or killing a pid that is not live is
// counted as a misuse (the real runner could hit an unrelated process that way).
class FakeProcessRunner final : public ProcessRunner {
 public:
  bool Start(const std::vector<std::string>& argv, pid_t& pid, std::uint32_t& errorCode) override {
    m_started.push_back(argv);
    if (m_startError != 0) {
      errorCode = m_startError;
      return false;
    }
    pid = m_nextPid++;
    m_live.insert(pid);
    return true;
  }

  // The next polls get these answers in order; after them, kRunning.
  ProcessStatus Poll(pid_t pid) override {
    ++m_polls;
    if (!m_live.contains(pid)) {
      ++m_misuses;
      return {ProcessState::kPollFailed, ECHILD};
    }
    if (m_script.empty()) {
      return {ProcessState::kRunning, 0};
    }
    ProcessStatus status = m_script.front();
    m_script.pop_front();
    if (status.m_state != ProcessState::kRunning) {
      m_live.erase(pid);
    }
    return status;
  }

  bool Kill(pid_t pid) override {
    if (m_live.erase(pid) == 0) {
      ++m_misuses;
      return false;
    }
    m_killed.push_back(pid);
    return true;
  }

  std::uint32_t m_startError = 0;  // 0: starts succeed
  std::deque<ProcessStatus> m_script;
  std::vector<std::vector<std::string>> m_started;
  std::vector<pid_t> m_killed;
  std::set<pid_t> m_live;
  int m_polls = 0;
  int m_misuses = 0;
  pid_t m_nextPid = 4000;
};

}  // namespace trqx::test
