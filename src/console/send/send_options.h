#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trqx {

// The command line of TRQXSend.
struct SendOptions {
  static constexpr std::uint16_t kDefaultPort = 21010;
  static constexpr unsigned kDefaultTimeoutSeconds = 120;
  static constexpr unsigned kMaxTimeoutSeconds = 86400;

  std::string m_host = "127.0.0.1";  // dotted IPv4 text (no name is looked up)
  std::uint16_t m_port = kDefaultPort;
  std::string m_login{};
  std::string m_password{};
  unsigned m_timeoutSeconds = kDefaultTimeoutSeconds;
  std::size_t m_cancelAfter = 0;  // 0: no CancelRequest
  std::vector<std::string> m_files{};
};

enum class SendCommand { kRun, kHelp, kUsageError };

// Reads the arguments after the program's name into options. kHelp for --help or -h
// anywhere; kUsageError with problem saying what is wrong (an unknown switch, a switch
// without its value, a bad number or host, no --login or --password, no FILE, a
// --cancel-after beyond the files); kRun otherwise. A switch given twice keeps its last
// value. Every argument not beginning with '-' is a FILE.
SendCommand ParseSendArguments(const std::vector<std::string>& arguments, SendOptions& options,
                               std::string& problem);

// The --help text.
std::string_view SendUsage();

}  // namespace trqx
