#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace trqx::test {

// A real FTP server for tests: Debian's pyftpdlib on 127.0.0.1 at a port the system picks,
// serving one folder to one user. Stop (or the destructor) ends it; it also dies with the
// test process. One thread starts and stops it.
class FtpServer {
 public:
  struct Options {
    std::string m_folder;
    std::string m_user;
    std::string m_password;
    bool m_writable = true;  // false: the user may read but not store
  };

  FtpServer() = default;
  ~FtpServer() { Stop(); }
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  // Starts the server and waits up to 10 s for it to listen. False (and nothing left
  // running) if it did not come up; Log() then tells why.
  bool Start(const Options& options) {
    Stop();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      return false;
    }
    m_pid = Spawn(options, fds[1]);
    ::close(fds[1]);
    if (m_pid < 0) {
      ::close(fds[0]);
      return false;
    }
    m_log.clear();
    m_ended = false;
    m_reader = std::thread([this, fd = fds[0]] { Drain(fd); });
    std::unique_lock lock(m_lock);
    m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_ended || ReadPort(); });
    lock.unlock();
    if (m_port == 0) {
      Stop();
    }
    return m_port != 0;
  }

  // Ends the server and waits for it; its log stays readable.
  void Stop() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      ::waitpid(m_pid, nullptr, 0);
      m_pid = -1;
    }
    if (m_reader.joinable()) {
      m_reader.join();
    }
    m_port = 0;
  }

  int Port() const { return m_port; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
  // What the server printed so far (complete once stopped).
  std::string Log() const {
    std::lock_guard lock(m_lock);
    return m_log;
  }
  // Waits up to 5 s for the server to print text. The server logs a transfer after it has
  // answered it, so a client can be done before the line is there.
  bool WaitForLog(std::string_view text) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(5), [&] {
      return m_ended || m_log.find(text) != std::string::npos;
    }) && m_log.find(text) != std::string::npos;
  }

 private:
  static pid_t Spawn(const Options& options, int output) {
    std::vector<std::string> args = {
        "/usr/bin/python3", "-m", "pyftpdlib",    "-i", "127.0.0.1",       "-p", "0", "-d",
        options.m_folder,   "-u", options.m_user, "-P", options.m_password};
    if (options.m_writable) {
      args.push_back("-w");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
      // Only calls that are safe after fork until exec.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent || ::dup2(output, STDOUT_FILENO) < 0 ||
          ::dup2(output, STDERR_FILENO) < 0) {
        ::_exit(127);
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  // Collects the server's output until it ends.
  void Drain(int fd) {
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
      std::lock_guard lock(m_lock);
      m_log.append(buffer, static_cast<std::size_t>(got > 0 ? got : 0));
      m_changed.notify_all();
    }
    ::close(fd);
    std::lock_guard lock(m_lock);
    m_ended = true;
    m_changed.notify_all();
  }

  // Takes the port from "starting FTP server on 127.0.0.1:PORT"; m_lock is held.
  bool ReadPort() {
    static constexpr std::string_view kMarker = "starting FTP server on 127.0.0.1:";
    const std::size_t at = m_log.find(kMarker);
    if (at == std::string::npos) {
      return false;
    }
    m_port = std::atoi(m_log.c_str() + at + kMarker.size());
    return m_port != 0;
  }

  pid_t m_pid = -1;
  int m_port = 0;
  std::thread m_reader;
  mutable std::mutex m_lock;  // guards m_log and m_ended
  std::condition_variable m_changed;
  std::string m_log;
  bool m_ended = false;
};

// A loopback port where nothing listens (free a moment ago).
inline int UnusedLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) {
    ::close(fd);
  }
  return port;
}

}  // namespace trqx::test
