#include "client/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace trqx {

namespace {

// The attributes and file actions of one spawn, released however the spawn ends.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&m_attributes);
    posix_spawn_file_actions_init(&m_actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&m_actions);
    posix_spawnattr_destroy(&m_attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // The child starts as a fresh program would: no blocked signals, every signal at its
  // default (the client ignores SIGPIPE for its sockets), and no inherited descriptors
  // beyond the standard three. Returns 0 or an errno value.
  int Prepare() {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    int result =
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (result == 0) {
      result = posix_spawnattr_setsigmask(&m_attributes, &none);
    }
    if (result == 0) {
      result = posix_spawnattr_setsigdefault(&m_attributes, &all);
    }
    if (result == 0) {
      result = posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
    }
    return result;
  }

  const posix_spawnattr_t* Attributes() const { return &m_attributes; }
  const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

 private:
  posix_spawnattr_t m_attributes;
  posix_spawn_file_actions_t m_actions;
};

}  // namespace

bool SpawnProcessRunner::Start(const std::vector<std::string>& argv, pid_t& pid,
                               std::uint32_t& errorCode) {
  if (argv.empty()) {
    errorCode = EINVAL;
    return false;
  }
  std::vector<char*> arguments;
  arguments.reserve(argv.size() + 1);
  for (const std::string& argument : argv) {
    arguments.push_back(const_cast<char*>(argument.c_str()));
  }
  arguments.push_back(nullptr);

  SpawnSetup setup;
  int result = setup.Prepare();
  if (result == 0) {
    result = posix_spawnp(&pid, arguments[0], setup.Actions(), setup.Attributes(), arguments.data(),
                          environ);
  }
  errorCode = static_cast<std::uint32_t>(result);
  return result == 0;
}

ProcessStatus SpawnProcessRunner::Poll(pid_t pid) {
  int status = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid, &status, WNOHANG);
  } while (reaped < 0 && errno == EINTR);
  if (reaped == 0) {
    return {ProcessState::kRunning, 0};
  }
  if (reaped < 0) {
    return {ProcessState::kPollFailed, static_cast<std::uint32_t>(errno)};
  }
  if (WIFSIGNALED(status)) {
    return {ProcessState::kSignalled, static_cast<std::uint32_t>(WTERMSIG(status))};
  }
  return {ProcessState::kExited, static_cast<std::uint32_t>(WEXITSTATUS(status))};
}

bool SpawnProcessRunner::Kill(pid_t pid) {
  if (kill(pid, SIGKILL) != 0) {
    return false;
  }
  pid_t reaped;
  do {
    reaped = waitpid(pid, nullptr, 0);
  } while (reaped < 0 && errno == EINTR);
  return reaped == pid;
}

}  // namespace trqx
