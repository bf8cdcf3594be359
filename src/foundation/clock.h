#pragma once

#include <chrono>
#include <ctime>
#include <functional>

namespace trqx {

// The clocks that code reads through an injected function, so tests can fix the time.

// Calendar time in whole seconds: what log entries are stamped with and what names dated
// files (cache files, reports, upload files).
using WallClock = std::function<std::time_t()>;

// The wall clock of the running system.
inline std::time_t SystemTime() {
  return std::time(nullptr);
}

// Monotonic time: what timers fall due by.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

}  // namespace trqx
