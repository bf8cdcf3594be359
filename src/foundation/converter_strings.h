#pragma once

#include <cstdint>

namespace trqx::converter_strings {

// Numbered message texts of TRQXDownLoad (ConverterStrings()). "%1" and "%2" are replaced
// by the entry's first two arguments.

inline constexpr std::uint32_t kMsgAboutMenuItem = 101;  // "&About TRQXDownLoad..."
inline constexpr std::uint32_t kMsgSystemStartup = 102;  // first entry of every run, INFO
// A file error. When the log file cannot be opened it is shown in a message box with %1
// the file name and %2 the code; when the field format file cannot be opened it is logged
// with %1 the code and %2 the file name.
inline constexpr std::uint32_t kMsgFileError = 103;
inline constexpr std::uint32_t kMsgBadFormatFile = 104;  // %1 the field format file's path

}  // namespace trqx::converter_strings
