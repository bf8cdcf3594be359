#pragma once

#include <functional>
#include <string>
#include <thread>

#include "foundation/sys/event_loop.h"

namespace trqx {

// Reads lines from a file descriptor on a thread of its own and posts each, without its
// line end, to the loop. The end of the input only ends the reading: a service has no
// input, and must not exit for that.
class InputLines {
 public:
  using LineHandler = std::function<void(const std::string& line)>;

  InputLines(int fd, EventLoop& loop, LineHandler onLine);
  // Stops the reading thread, even while it waits for input.
  ~InputLines();
  InputLines(const InputLines&) = delete;
  InputLines& operator=(const InputLines&) = delete;

 private:
  void Read();

  int m_fd;
  EventLoop& m_loop;
  LineHandler m_onLine;
  int m_stop[2] = {-1, -1};  // a pipe: its write end wakes the reader
  std::thread m_reader;
};

}  // namespace trqx
