#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace trqx::test {

// A real program of ours run as a child in a working folder of its own, its standard output
// and error going to one file; it dies with this process. One thread drives it. The
// destructor kills a child still running.
class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> m_argv;  // the program's path first
    std::string m_folder;             // its current folder
    std::string m_outputPath;         // created or truncated
    bool m_pipeInput = false;         // standard input a pipe kept open until the end; else
                                      // /dev/null
  };

  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False when it could not be forked (a failed exec shows as exit status 127).
  bool Start(const Options& options);
  // Not reaped yet; it may have ended (see Alive).
  bool Running() const { return m_pid > 0; }
  // Running and not ended.
  bool Alive() const;
  // Reaps the child if it has ended: true then, with its status and resource usage.
  bool Reap(int& status, rusage& usage);
  // Waits for the end and reaps; false when it is not running.
  bool Wait(int& status, rusage& usage);
  // SIGTERM, then up to timeout for the end. False, and the child killed (status -1), when
  // it did not end in time. True at once when it is not running.
  bool Stop(std::chrono::milliseconds timeout, int& status, rusage& usage);
  // Waits up to timeout for text in the output; false when the child ended or time ran out.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds timeout);
  std::string Output() const;

 private:
  // Forgets the reaped child and closes the input pipe; true.
  bool Ended();

  pid_t m_pid = -1;
  int m_input = -1;  // our end of the input pipe
  std::string m_outputPath;
};

}  // namespace trqx::test
