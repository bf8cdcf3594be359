#include "support/local_time.h"

#include <time.h>

namespace trqx {

std::time_t LocalTime(const char* text) {
  std::tm local{};
  ::strptime(text, "%Y-%m-%d %H:%M:%S", &local);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::time_t March6th2026() {
  return LocalTime("2026-03-06 12:00:00");
}

}  // namespace trqx
