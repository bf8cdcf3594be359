// TRQXSend's run against a real session task on loopback, the test playing the server's
// main window: it queues the delivery reports that the forwarding would give.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "console/send/send_run.h"
#include "console/send/send_tally.h"
#include "foundation/protocol/session_task.h"
#include "support/loopback_harness.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;

struct SendRunRow {
  const char* sentence;
  std::vector<std::string> switches{};  // besides host, port, login and the two files
  std::string forwarding{};          // the server's report for each file it receives; ' ' for none
  bool cancelReport = false;         // the server answers a CancelRequest with report 0, '3'
  std::vector<std::string> steps{};  // the lines but reports and log lines, in order
  std::vector<std::string> reports{};  // the report lines, in any order
  int exitCode;
};

void PrintTo(const SendRunRow& row, std::ostream* out) {
  *out << row.sentence;
}

const SendRunRow kSendRunRows[] = {
    {.sentence = "Both files forwarded: each sent after the one before is acknowledged",
     .forwarding = "11",
     .steps = {"logged in", "sent 1 a.txt", "acknowledged 1", "sent 2 b.txt", "acknowledged 2"},
     .reports = {"report 1 1", "report 2 1"},
     .exitCode = kSendAllForwarded},
    {.sentence = "A cancel after the first file: the server's report 0 ends the wait",
     .switches = {"--cancel-after", "1"},
     .forwarding = "  ",
     .cancelReport = true,
     .steps = {"logged in", "sent 1 a.txt", "acknowledged 1", "cancel requested"},
     .reports = {"report 0 3"},
     .exitCode = kSendSomeNotForwarded},
    {.sentence = "Reports that never come end the run at the timeout",
     .switches = {"--timeout", "1"},
     .forwarding = "1 ",
     .steps = {"logged in", "sent 1 a.txt", "acknowledged 1", "sent 2 b.txt", "acknowledged 2",
               "timeout"},
     .reports = {"report 1 1"},
     .exitCode = kSendTimedOut},
};

class SendRunTest : public ::testing::TestWithParam<SendRunRow> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::create_directory(m_folder.File("spool")));
    ASSERT_TRUE(WriteWholeFile(m_folder.File("a.txt"), "first basket\n"));
    ASSERT_TRUE(WriteWholeFile(m_folder.File("b.txt"), std::string(2000, 'b') + '\n'));
    ASSERT_TRUE(m_listener.Open());
  }
  void TearDown() override {
    CSysErrorInfo error;
    if (m_session) {
      EXPECT_TRUE(m_session->Stop(CWorkerTask::kInfinite, error));
    }
    m_listener.Close();
  }
  // The server's main window: one report per received file as the row says, report 0 '3'
  // for a cancel request.
  void OnSessionNotice(const SendRunRow& row, const CTaskNotice& notice) {
    const std::size_t index = notice.m_number - 1;
    char outcome = ' ';
    std::uint32_t number = notice.m_number;
    if (notice.m_code == session_task::kFileReceived && index < row.forwarding.size()) {
      outcome = row.forwarding[index];
    } else if (notice.m_code == session_task::kCancelRequest && row.cancelReport) {
      outcome = wire::kDeliveryCancelled;
      number = 0;
    }
    if (outcome != ' ') {
      EXPECT_TRUE(m_session->Request(
          [&](CServerLink& link) { return link.QueueDeliveryReport(number, outcome); }));
    }
  }

  ScratchFolder m_folder;  // first, so that it goes last
  loopback::LoopbackListener m_listener;
  ManualEventLoop m_loop;
  std::mutex m_serverLock;
  CSpoolCounter m_counter;
  std::unique_ptr<CSessionTask> m_session;
};

TEST_P(SendRunTest, PrintsEachEventAndEndsWithTheReportsExitCode) {
  const SendRunRow& row = GetParam();
  // A short timeout of its own, so that a row whose reports never come fails soon.
  std::vector<std::string> arguments = {"--port", std::to_string(m_listener.Port()), "--timeout",
                                        "10"};
  arguments.insert(arguments.end(), row.switches.begin(), row.switches.end());
  arguments.insert(arguments.end(), {"--login", "alice", "--password", "secret",
                                     m_folder.File("a.txt"), m_folder.File("b.txt")});
  SendOptions options;
  std::string problem;
  ASSERT_EQ(ParseSendArguments(arguments, options, problem), SendCommand::kRun) << problem;

  std::ostringstream out;
  std::atomic<int> exitCode{-1};
  // Joined when the test leaves, even through a failed assertion.
  std::jthread sender([&] { exitCode = RunSend(options, out); });
  CSysSocket accepted;
  ASSERT_TRUE(m_listener.Accept(accepted));
  m_session =
      std::make_unique<CSessionTask>(m_serverLock, std::make_unique<CDiskSpoolFile>(), m_counter);
  m_session->SetOwner(&m_loop, task_message::kServerSession,
                      [&](const CTaskNotice& notice) { OnSessionNotice(row, notice); });
  m_session->Adopt(std::move(accepted), "alice", "secret", m_folder.File("spool"), "ftp");
  CSysErrorInfo error;
  ASSERT_TRUE(m_session->Start(error));
  const bool ended = m_loop.RunUntil([&] { return exitCode != -1; }, std::chrono::seconds(30));
  sender.join();
  ASSERT_TRUE(ended);

  EXPECT_EQ(exitCode, row.exitCode);
  std::vector<std::string> steps, reports, logs;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    (line.starts_with("report ") ? reports
     : line.starts_with("log ")  ? logs
                                 : steps)
        .push_back(line);
  }
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(steps, row.steps);
  EXPECT_EQ(reports, row.reports);
  ASSERT_FALSE(logs.empty());
  EXPECT_TRUE(logs.back().ends_with("Client task ended.")) << logs.back();
}

INSTANTIATE_TEST_SUITE_P(Rows, SendRunTest, ::testing::ValuesIn(kSendRunRows));

}  // namespace
}  // namespace trqx
