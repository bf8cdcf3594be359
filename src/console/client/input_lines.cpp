#include "console/client/input_lines.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace trqx {

namespace {
constexpr std::size_t kMaxLine = 64 * 1024;
}  // namespace

InputLines::InputLines(int fd, EventLoop& loop, LineHandler onLine)
    : m_fd(fd), m_loop(loop), m_onLine(std::move(onLine)) {
  if (::pipe2(m_stop, O_CLOEXEC) == 0) {
    m_reader = std::thread([this] { Read(); });
  }
}

InputLines::~InputLines() {
  if (m_reader.joinable()) {
    const char wake = 0;
    while (::write(m_stop[1], &wake, 1) < 0 && errno == EINTR) {
    }
    m_reader.join();
  }
  for (int end : m_stop) {
    if (end >= 0) {
      ::close(end);
    }
  }
}

void InputLines::Read() {
  std::string pending;
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;
    }
    if (fds[1].revents != 0) {
      return;
    }
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;  // the end of the input (or an error there): wait for the stop alone
    }
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      m_loop.Post([this, line = std::move(line)] { m_onLine(line); });
    }
    if (pending.size() > kMaxLine) {
      pending.clear();  // no command is this long: drop it rather than grow without end
    }
  }
  if (!pending.empty()) {
    m_loop.Post([this, line = std::move(pending)] { m_onLine(line); });
  }
  pollfd stop{m_stop[0], POLLIN, 0};
  while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
  }
}

}  // namespace trqx
