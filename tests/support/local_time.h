#pragma once

#include <ctime>

namespace trqx {

// The time value of a local "YYYY-MM-DD HH:MM:SS", so stamps read the same in every zone.
std::time_t LocalTime(const char* text);

// Noon of 6 March 2026, local time: the day of the tests' cache files, "03-06-26...".
std::time_t March6th2026();

}  // namespace trqx
