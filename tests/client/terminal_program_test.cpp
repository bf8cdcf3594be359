#include "client/terminal_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/client_strings.h"
#include "support/fake_process.h"
#include "support/recording_log.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, SplitsAtBlanksOutsideQuotes) {
  struct Row {
    const char* line;
    std::optional<Args> expected;
  };
  const Row rows[] = {
      {.line = "openfl -P x", .expected = Args{"openfl", "-P", "x"}},
      {.line = "  a \t b  ", .expected = Args{"a", "b"}},
      {.line = R"("/opt/nvx term/openfl" -S "/u/TRQX001.inc")",
       .expected = Args{"/opt/nvx term/openfl", "-S", "/u/TRQX001.inc"}},
      {.line = R"(a "" b)", .expected = Args{"a", "", "b"}},
      {.line = R"("")", .expected = Args{""}},
      {.line = R"(a"b c"d e)", .expected = Args{"ab cd", "e"}},
      {.line = R"("C:\nvx\termqz\openfl")", .expected = Args{R"(C:\nvx\termqz\openfl)"}},
      {.line = "", .expected = Args{}},
      {.line = R"("/opt/a -S x)", .expected = std::nullopt},
      {.line = R"(a b")", .expected = std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SplitCommandLine(row.line), row.expected) << row.line;
  }
}

class TerminalUploadTest : public ::testing::Test {
 protected:
  TerminalUploadTest() {
    m_settings.m_invokePath = "/opt/nvx term";
    m_settings.m_invokeName = "openfl";
    m_settings.m_profileName = "@Profile.qvu";
  }

  // Moves the loop's clock by ticks watch periods, running what falls due.
  void Tick(int ticks) {
    for (int i = 0; i < ticks; ++i) {
      m_now += kTerminalWatchInterval;
      m_loop.RunPending();
    }
  }

  const test::LoggedEntry& LastEntry() const { return m_log.sink.m_entries.back(); }

  std::chrono::steady_clock::time_point m_now{1h};
  ManualEventLoop m_loop{[this] { return m_now; }};
  test::RecordingLogger m_log;
  test::FakeProcessRunner m_runner;
  std::vector<TerminalResult> m_results;
  TerminalUpload m_upload{m_runner, m_loop, m_log.logger,
                          [this](TerminalResult result) { m_results.push_back(result); }};
  COpenNVInternalSettings m_settings{"/w"};
};

TEST_F(TerminalUploadTest, QuotesEveryPathLogsTheLineAndStartsItsArguments) {
  ASSERT_TRUE(m_upload.Start(m_settings, "/w/Upload/TRQX007.inc"));
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(LastEntry().level, kLogInfo);
  EXPECT_EQ(LastEntry().category, kCategorySystem);
  EXPECT_EQ(LastEntry().number, client_strings::kMsgFreeText);
  EXPECT_EQ(LastEntry().text,
            R"("/opt/nvx term/openfl" -P "/opt/nvx term/@Profile.qvu" -S "/w/Upload/TRQX007.inc")");
  ASSERT_EQ(m_runner.m_started.size(), 1u);
  EXPECT_EQ(m_runner.m_started[0], (Args{"/opt/nvx term/openfl", "-P", "/opt/nvx term/@Profile.qvu",
                                         "-S", "/w/Upload/TRQX007.inc"}));
  EXPECT_TRUE(m_upload.Running());
}

TEST_F(TerminalUploadTest, TheWatchEndsWithTheProgramsOutcome) {
  struct Row {
    const char* what;
    std::vector<ProcessStatus> polls;
    TerminalResult result;
    std::int16_t level;
    std::uint32_t number;
    std::string text;
  };
  const ProcessStatus running{ProcessState::kRunning, 0};
  const Row rows[] = {
      {.what = "exit code 0 is sent",
       .polls = {running, running, {ProcessState::kExited, 0}},
       .result = TerminalResult::kSent,
       .level = kLogInfo,
       .number = client_strings::kMsgTerminalUploadSucceeded,
       .text = "Open Norvane upload completed successfully."},
      {.what = "exit code 3 fails with 3 in the text",
       .polls = {{ProcessState::kExited, 3}},
       .result = TerminalResult::kFailed,
       .level = kLogError,
       .number = client_strings::kMsgTerminalUploadFailed,
       .text = "Open Norvane complete unsuccessfully with exit code 3."},
      {.what = "a crash fails with the shell's 128 + signal",
       .polls = {running, {ProcessState::kSignalled, SIGSEGV}},
       .result = TerminalResult::kFailed,
       .level = kLogError,
       .number = client_strings::kMsgTerminalUploadFailed,
       .text = "Open Norvane complete unsuccessfully with exit code 139."},
      {.what = "an unreadable state fails with the query's code",
       .polls = {{ProcessState::kPollFailed, ECHILD}},
       .result = TerminalResult::kFailed,
       .level = kLogError,
       .number = client_strings::kMsgTerminalAccessFailed,
       .text = "Failure accessing Open Norvane, code 10, function GetExitCodeProcess(...)."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    m_results.clear();
    m_runner.m_script.assign(row.polls.begin(), row.polls.end());
    ASSERT_TRUE(m_upload.Start(m_settings, "/w/Upload/TRQX001.inc"));
    int polls = m_runner.m_polls;
    Tick(static_cast<int>(row.polls.size()) - 1);
    EXPECT_TRUE(m_upload.Running());
    EXPECT_TRUE(m_results.empty());
    Tick(1);
    EXPECT_FALSE(m_upload.Running());
    EXPECT_EQ(m_results, std::vector<TerminalResult>{row.result});
    EXPECT_EQ(LastEntry().level, row.level);
    EXPECT_EQ(LastEntry().category, kCategoryFtp);
    EXPECT_EQ(LastEntry().number, row.number);
    EXPECT_EQ(LastEntry().text, row.text);
    Tick(4);  // the timer is stopped: nothing more is asked
    EXPECT_EQ(m_runner.m_polls - polls, static_cast<int>(row.polls.size()));
  }
  EXPECT_EQ(m_runner.m_misuses, 0);
}

TEST_F(TerminalUploadTest, AProgramThatNeverExitsIsWatchedWithoutLimit) {
  m_settings.m_invokeTimeout = 1000;
  ASSERT_TRUE(m_upload.Start(m_settings, "/w/Upload/TRQX001.inc"));
  Tick(20);
  EXPECT_TRUE(m_upload.Running());
  EXPECT_EQ(m_runner.m_polls, 20);
  EXPECT_TRUE(m_runner.m_killed.empty());
  EXPECT_TRUE(m_results.empty());
  EXPECT_EQ(m_log.sink.m_entries.size(), 1u);
}

TEST_F(TerminalUploadTest, AStartThatFailsLogsTheCodeAndWatchesNothing) {
  struct Row {
    const char* what;
    bool busy = false;
    std::string invokePath = "/opt/nvx term";
    std::uint32_t startError = 0;
    std::string text;
  };
  const Row rows[] = {
      {.what = "a missing program",
       .startError = ENOENT,
       .text = "Failure accessing Open Norvane, code 2, function CreateProcess(...)."},
      {.what = "a program already running",
       .busy = true,
       .text = "Failure accessing Open Norvane, code 16, function CreateProcess(...)."},
      {.what = "a path whose quote would break the quoting",
       .invokePath = "/opt/a\"b",
       .text = "Failure accessing Open Norvane, code 22, function CreateProcess(...)."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    test::FakeProcessRunner runner;
    TerminalUpload upload(runner, m_loop, m_log.logger,
                          [this](TerminalResult result) { m_results.push_back(result); });
    if (row.busy) {
      ASSERT_TRUE(upload.Start(m_settings, "/w/Upload/TRQX001.inc"));
    }
    runner.m_startError = row.startError;
    m_settings.m_invokePath = row.invokePath;
    EXPECT_FALSE(upload.Start(m_settings, "/w/Upload/TRQX002.inc"));
    EXPECT_EQ(runner.m_started.size(), row.busy || row.startError != 0 ? 1u : 0u);
    EXPECT_EQ(LastEntry().level, kLogError);
    EXPECT_EQ(LastEntry().category, kCategoryFtp);
    EXPECT_EQ(LastEntry().number, client_strings::kMsgTerminalAccessFailed);
    EXPECT_EQ(LastEntry().text, row.text);
    EXPECT_EQ(upload.Running(), row.busy);
    Tick(2);
    EXPECT_EQ(runner.m_polls, row.busy ? 2 : 0);
  }
  EXPECT_TRUE(m_results.empty());
}

// The real runner, on real programs.

// Polls until pid has ended; kRunning when it has not within ten seconds.
ProcessStatus WaitForEnd(ProcessRunner& runner, pid_t pid) {
  for (int i = 0; i < 1000; ++i) {
    ProcessStatus status = runner.Poll(pid);
    if (status.m_state != ProcessState::kRunning) {
      return status;
    }
    std::this_thread::sleep_for(10ms);
  }
  return {ProcessState::kRunning, 0};
}

// True when pid is no child of ours any more, so no zombie was left.
bool Reaped(pid_t pid) {
  return waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(SpawnProcessRunnerTest, ReportsHowARealProgramEnded) {
  struct Row {
    Args argv;
    ProcessState state;
    std::uint32_t code;
  };
  const Row rows[] = {
      {.argv = {"/bin/true"}, .state = ProcessState::kExited, .code = 0},
      {.argv = {"/bin/sh", "-c", "exit 3"}, .state = ProcessState::kExited, .code = 3},
      {.argv = {"sh", "-c", "kill -SEGV $$"}, .state = ProcessState::kSignalled, .code = SIGSEGV},
  };
  SpawnProcessRunner runner;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.argv.back());
    pid_t pid = 0;
    std::uint32_t error = 0;
    ASSERT_TRUE(runner.Start(row.argv, pid, error));
    ProcessStatus status = WaitForEnd(runner, pid);
    EXPECT_EQ(status.m_state, row.state);
    EXPECT_EQ(status.m_code, row.code);
    EXPECT_TRUE(Reaped(pid));
  }
}

TEST(SpawnProcessRunnerTest, AMissingProgramFailsWithItsErrno) {
  SpawnProcessRunner runner;
  pid_t pid = 0;
  std::uint32_t error = 0;
  EXPECT_FALSE(runner.Start({"/nonexistent/nvx/openfl"}, pid, error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ENOENT));
}

TEST(SpawnProcessRunnerTest, KillEndsAndReapsAProgramThatWouldNotExit) {
  SpawnProcessRunner runner;
  pid_t pid = 0;
  std::uint32_t error = 0;
  ASSERT_TRUE(runner.Start({"/bin/sh", "-c", "exec sleep 30"}, pid, error));
  EXPECT_EQ(runner.Poll(pid).m_state, ProcessState::kRunning);
  EXPECT_TRUE(runner.Kill(pid));
  EXPECT_TRUE(Reaped(pid));
}

TEST(TerminalUploadRealTest, RunsAProgramInAFolderWithBlanksOnTheUploadFile) {
  ScratchFolder scratch;
  std::string folder = scratch.File("nvx term");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  std::string program = folder + "/openfl";
  ASSERT_TRUE(WriteWholeFile(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n"));
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);

  COpenNVInternalSettings settings(scratch.Path());
  settings.m_invokePath = folder;
  settings.m_invokeName = "openfl";
  settings.m_profileName = "@Profile.qvu";
  ManualEventLoop loop;
  test::RecordingLogger log;
  SpawnProcessRunner runner;
  std::vector<TerminalResult> results;
  TerminalUpload upload(runner, loop, log.logger,
                        [&](TerminalResult result) { results.push_back(result); });

  ASSERT_TRUE(upload.Start(settings, scratch.File("TRQX001.inc")));
  EXPECT_TRUE(loop.RunUntil([&] { return !upload.Running(); }, 10s));
  EXPECT_EQ(results, std::vector<TerminalResult>{TerminalResult::kSent});
  EXPECT_EQ(log.sink.m_entries.back().number, client_strings::kMsgTerminalUploadSucceeded);
  EXPECT_EQ(ReadWholeFile(program + ".args"),
            "-P\n" + folder + "/@Profile.qvu\n-S\n" + scratch.File("TRQX001.inc") + "\n");
}

}  // namespace
}  // namespace trqx
