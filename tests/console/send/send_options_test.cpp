// TRQXSend's command line and its exit-code rule.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/send/send_options.h"
#include "console/send/send_tally.h"

namespace trqx {
namespace {

struct ArgumentsRow {
  const char* sentence;
  std::vector<std::string> arguments{};
  SendCommand command = SendCommand::kRun;
  std::string problem{};
  SendOptions options{};  // compared when the command is kRun
};

void PrintTo(const ArgumentsRow& row, std::ostream* out) {
  *out << row.sentence;
}

const ArgumentsRow kArgumentRows[] = {
    {.sentence = "Login, password and a file are enough; host, port and timeout default",
     .arguments = {"--login", "alice", "--password", "secret", "a.txt"},
     .options = {.m_login = "alice", .m_password = "secret", .m_files = {"a.txt"}}},
    {.sentence = "Every switch takes the next argument; files keep their order around them",
     .arguments = {"b.txt", "--host", "10.1.2.3", "--port", "2121", "--login", "alice",
                   "--password", "-secret", "--timeout", "5", "--cancel-after", "2", "/a.txt"},
     .options = {.m_host = "10.1.2.3",
                 .m_port = 2121,
                 .m_login = "alice",
                 .m_password = "-secret",
                 .m_timeoutSeconds = 5,
                 .m_cancelAfter = 2,
                 .m_files = {"b.txt", "/a.txt"}}},
    {.sentence = "A switch given twice keeps its last value",
     .arguments = {"--login", "a", "--login", "b", "--password", "", "f"},
     .options = {.m_login = "b", .m_files = {"f"}}},
    {.sentence = "--help wins over anything wrong",
     .arguments = {"--bogus", "--help"},
     .command = SendCommand::kHelp},
    {.sentence = "An unknown switch is a usage error",
     .arguments = {"--login", "a", "--password", "b", "--verbose", "f"},
     .command = SendCommand::kUsageError,
     .problem = "unknown option --verbose"},
    {.sentence = "A switch at the end has no value",
     .arguments = {"f", "--login"},
     .command = SendCommand::kUsageError,
     .problem = "--login needs a value"},
    {.sentence = "A host name is no dotted address",
     .arguments = {"--host", "localhost"},
     .command = SendCommand::kUsageError,
     .problem = "--host needs a dotted IPv4 address"},
    {.sentence = "Port 0 is out of range",
     .arguments = {"--port", "0"},
     .command = SendCommand::kUsageError,
     .problem = "--port needs a number from 1 to 65535"},
    {.sentence = "Port 65536 is out of range",
     .arguments = {"--port", "65536"},
     .command = SendCommand::kUsageError,
     .problem = "--port needs a number from 1 to 65535"},
    {.sentence = "A timeout with a trailing letter is no number",
     .arguments = {"--timeout", "5s"},
     .command = SendCommand::kUsageError,
     .problem = "--timeout needs a number of seconds from 1 to 86400"},
    {.sentence = "A timeout of more than a day is refused",
     .arguments = {"--timeout", "86401"},
     .command = SendCommand::kUsageError,
     .problem = "--timeout needs a number of seconds from 1 to 86400"},
    {.sentence = "Cancelling after no file is refused",
     .arguments = {"--cancel-after", "0"},
     .command = SendCommand::kUsageError,
     .problem = "--cancel-after needs a file count from 1"},
    {.sentence = "Cancelling after more files than given is refused",
     .arguments = {"--login", "a", "--password", "b", "--cancel-after", "3", "f", "g"},
     .command = SendCommand::kUsageError,
     .problem = "--cancel-after is beyond the files given"},
    {.sentence = "The password is required",
     .arguments = {"--login", "a", "f"},
     .command = SendCommand::kUsageError,
     .problem = "--login and --password are required"},
    {.sentence = "At least one file is required",
     .arguments = {"--login", "a", "--password", "b"},
     .command = SendCommand::kUsageError,
     .problem = "no FILE given"},
};

class SendArgumentsTest : public ::testing::TestWithParam<ArgumentsRow> {};

TEST_P(SendArgumentsTest, ParseAsDocumented) {
  const ArgumentsRow& row = GetParam();
  SendOptions options;
  std::string problem;
  EXPECT_EQ(ParseSendArguments(row.arguments, options, problem), row.command);
  EXPECT_EQ(problem, row.problem);
  if (row.command == SendCommand::kRun) {
    EXPECT_EQ(options.m_host, row.options.m_host);
    EXPECT_EQ(options.m_port, row.options.m_port);
    EXPECT_EQ(options.m_login, row.options.m_login);
    EXPECT_EQ(options.m_password, row.options.m_password);
    EXPECT_EQ(options.m_timeoutSeconds, row.options.m_timeoutSeconds);
    EXPECT_EQ(options.m_cancelAfter, row.options.m_cancelAfter);
    EXPECT_EQ(options.m_files, row.options.m_files);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SendArgumentsTest, ::testing::ValuesIn(kArgumentRows));

struct Report {
  std::uint32_t number;
  char outcome;
};

struct ExitCodeRow {
  const char* sentence;
  std::size_t files;
  std::vector<Report> reports{};
  bool loggedIn = true;
  bool failed = false;
  int exitCode;
};

void PrintTo(const ExitCodeRow& row, std::ostream* out) {
  *out << row.sentence;
}

const ExitCodeRow kExitCodeRows[] = {
    {.sentence = "Every file forwarded is success, in whatever order the reports come",
     .files = 2,
     .reports = {{2, '1'}, {1, '1'}},
     .exitCode = kSendAllForwarded},
    {.sentence = "One failed forwarding makes the run's result 3",
     .files = 2,
     .reports = {{1, '2'}, {2, '1'}},
     .exitCode = kSendSomeNotForwarded},
    {.sentence = "A report for a number outside the files reports none of them",
     .files = 1,
     .reports = {{2, '1'}},
     .exitCode = kSendTimedOut},
    {.sentence = "A file's second report does not replace its first",
     .files = 1,
     .reports = {{1, '1'}, {1, '2'}},
     .exitCode = kSendAllForwarded},
    {.sentence = "A report numbered 0 ends the wait for every file still without one",
     .files = 3,
     .reports = {{1, '1'}, {0, '3'}},
     .exitCode = kSendSomeNotForwarded},
    {.sentence = "A report numbered 0 leaves the files already reported alone",
     .files = 2,
     .reports = {{1, '1'}, {2, '1'}, {0, '6'}},
     .exitCode = kSendAllForwarded},
    {.sentence = "No login is a failure", .files = 1, .loggedIn = false, .exitCode = kSendFailed},
    {.sentence = "A failed run is a failure even with every report in",
     .files = 1,
     .reports = {{1, '1'}},
     .failed = true,
     .exitCode = kSendFailed},
};

class SendExitCodeTest : public ::testing::TestWithParam<ExitCodeRow> {};

TEST_P(SendExitCodeTest, FollowsTheReports) {
  const ExitCodeRow& row = GetParam();
  CSendTally tally(row.files);
  for (const Report& report : row.reports) {
    tally.Report(report.number, report.outcome);
  }
  EXPECT_EQ(tally.ExitCode(row.loggedIn, row.failed), row.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Rows, SendExitCodeTest, ::testing::ValuesIn(kExitCodeRows));

}  // namespace
}  // namespace trqx
