#include "console/send/send_options.h"

#include <charconv>

#include "foundation/sys/sys_socket.h"

namespace trqx {

namespace {

constexpr std::string_view kUsage =
    "Usage: TRQXSend [--host H] [--port P] --login L --password W [--timeout SECONDS]\n"
    "                [--cancel-after N] FILE...\n"
    "\n"
    "Uploads files to a VEXOServer as TRQXClient's server method would: connects to H:P,\n"
    "logs in as L with password W, sends the files one after another (upload numbers 1,\n"
    "2, ... in argument order, each under its base name; the next file only once the\n"
    "server has acknowledged the one before), then waits for the server's delivery report\n"
    "of every file, closes the connection in order and exits.\n"
    "\n"
    "Options:\n"
    "  --host H            the server's dotted IPv4 address (default 127.0.0.1)\n"
    "  --port P            the server's port (default 21010)\n"
    "  --login L           the login name (the first 15 characters are sent)\n"
    "  --password W        the password (the first 15 characters are sent)\n"
    "  --timeout SECONDS   give up this long after the start (default 120, at most 86400)\n"
    "  --cancel-after N    after the N-th file's acknowledgement send a CancelRequest and\n"
    "                      no further files; only the first N files are waited for\n"
    "  --help              show this text\n"
    "\n"
    "Prints one line per event on standard output:\n"
    "  logged in\n"
    "  sent N NAME          upload N went out under NAME\n"
    "  acknowledged N       the server has received upload N whole\n"
    "  cannot send N NAME   the file could not be opened (the run fails)\n"
    "  cancel requested\n"
    "  report N OUTCOME     a delivery report: 1 forwarded, 2 failed, 3 cancelled, 6 the\n"
    "                       server's forwarding task ended\n"
    "  timeout\n"
    "  log ...              an event-log line of the connection (the client's wording)\n"
    "A report with upload number 0 (a cancel's or a task end's, which names no file) ends\n"
    "the wait for every file still without a report, with that report's outcome.\n"
    "\n"
    "Exit status: 0 every file was reported forwarded (1); 3 every file got a report but\n"
    "some not 1; 2 the timeout passed before every report came; 1 a usage error, a failed\n"
    "connect or login, a file that could not be sent, or a connection that ended before\n"
    "every report came.\n";

// The switches that take a value, and what each value must be.
enum class Value { kHost, kPort, kLogin, kPassword, kSeconds, kCount };
struct Switch {
  std::string_view m_name;
  Value m_value;
  const char* m_problem;  // a bad or missing value
};
constexpr Switch kSwitches[] = {
    {"--host", Value::kHost, "--host needs a dotted IPv4 address"},
    {"--port", Value::kPort, "--port needs a number from 1 to 65535"},
    {"--login", Value::kLogin, "--login needs a value"},
    {"--password", Value::kPassword, "--password needs a value"},
    {"--timeout", Value::kSeconds, "--timeout needs a number of seconds from 1 to 86400"},
    {"--cancel-after", Value::kCount, "--cancel-after needs a file count from 1"},
};

// The whole text as a decimal number from low to high.
bool ParseWhole(std::string_view text, unsigned long low, unsigned long high,
                unsigned long& number) {
  unsigned long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  if (text.empty() || failure != std::errc() || stop != end || value < low || value > high) {
    return false;
  }
  number = value;
  return true;
}

// Stores the switch's value; false when it is no value of its kind.
bool TakeValue(Value kind, const std::string& text, SendOptions& options) {
  unsigned long number = 0;
  sockaddr_in address{};
  switch (kind) {
    case Value::kHost:
      options.m_host = text;
      return MakeClientAddress(text, 0, address);
    case Value::kPort:
      options.m_port = ParseWhole(text, 1, 65535, number) ? static_cast<std::uint16_t>(number) : 0;
      return options.m_port != 0;
    case Value::kLogin:
      options.m_login = text;
      return true;
    case Value::kPassword:
      options.m_password = text;
      return true;
    case Value::kSeconds:
      options.m_timeoutSeconds =
          ParseWhole(text, 1, SendOptions::kMaxTimeoutSeconds, number) ? number : 0;
      return options.m_timeoutSeconds != 0;
    case Value::kCount:
      options.m_cancelAfter = ParseWhole(text, 1, 999999999, number) ? number : 0;
      return options.m_cancelAfter != 0;
  }
  return false;
}

}  // namespace

std::string_view SendUsage() {
  return kUsage;
}

SendCommand ParseSendArguments(const std::vector<std::string>& arguments, SendOptions& options,
                               std::string& problem) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      return SendCommand::kHelp;
    }
  }
  bool loginGiven = false;
  bool passwordGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument.front() != '-') {
      options.m_files.push_back(argument);
      continue;
    }
    const Switch* option = nullptr;
    for (const Switch& known : kSwitches) {
      option = known.m_name == argument ? &known : option;
    }
    if (option == nullptr) {
      problem = "unknown option " + argument;
      return SendCommand::kUsageError;
    }
    if (i + 1 >= arguments.size() || !TakeValue(option->m_value, arguments[++i], options)) {
      problem = option->m_problem;
      return SendCommand::kUsageError;
    }
    loginGiven = loginGiven || option->m_value == Value::kLogin;
    passwordGiven = passwordGiven || option->m_value == Value::kPassword;
  }
  if (!loginGiven || !passwordGiven) {
    problem = "--login and --password are required";
  } else if (options.m_files.empty()) {
    problem = "no FILE given";
  } else if (options.m_cancelAfter > options.m_files.size()) {
    problem = "--cancel-after is beyond the files given";
  }
  return problem.empty() ? SendCommand::kRun : SendCommand::kUsageError;
}

}  // namespace trqx
