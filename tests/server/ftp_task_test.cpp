#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/sys/event_loop.h"
#include "server/ftp_task.h"
#include "support/fake_ftp_client.h"
#include "support/fake_registry.h"
#include "support/loopback_harness.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPrimary = "primary.test";
constexpr const char* kBackup = "backup.test";
const FtpResult kDown = FtpResult::ConnectFailed(12029, 0);

FTPPutSettings Settings(bool infinite, int retryLimit, bool primaryIsActive = true) {
  FTPPutSettings settings;
  settings.m_primaryAddress = kPrimary;
  settings.m_backupAddress = kBackup;
  settings.m_infiniteRetry = infinite;
  settings.m_retryLimit = retryLimit;
  settings.m_retryInterval = 1;
  settings.m_primaryIsActive = primaryIsActive;
  return settings;
}

// The FTP task over a real queue, fake hosts and a fake registry; its notices are recorded
// on the test's loop.
class FtpTaskTest : public ::testing::Test {
 protected:
  FtpTaskTest() {
    m_queue.Create(m_error);
    m_task.SetOwner(&m_loop, task_message::kServerFtp, m_record.Handler());
  }
  ~FtpTaskTest() override { m_task.Stop(CWorkerTask::kInfinite, m_error); }

  // Queues a file with content and runs the task until its outcome is known.
  bool Forward(const FTPPutSettings& settings, const std::string& content,
               const std::string& headerUuid = "", bool serverMarker = false) {
    CQueueEntry entry;
    entry.m_localPath = m_folder.File("deskvexo000.inc");
    entry.m_remoteName = "deskvexo000.inc";
    entry.m_uploadNumber = 5;
    entry.m_headerUuid = headerUuid;
    entry.m_serverMarker = serverMarker;
    WriteWholeFile(entry.m_localPath, content);
    EXPECT_EQ(m_queue.Enqueue(entry, m_error), CForwardingQueue::Enqueued::kQueued);
    EXPECT_TRUE(m_task.Start(settings, kPrimary, kBackup, m_error));
    EXPECT_TRUE(m_loop.RunUntil([&] { return Outcomes() > 0; }, 10s));
    EXPECT_TRUE(m_task.Stop(CWorkerTask::kInfinite, m_error));  // the task is done with it
    return m_record.Count(ftp_task::kPutSucceeded) == 1;
  }
  int Outcomes() const {
    return m_record.Count(ftp_task::kPutSucceeded) + m_record.Count(ftp_task::kPutFailed);
  }
  std::string Counters(FtpHost host) {
    std::lock_guard<std::mutex> guard(m_lock);
    const CHostCounters& counters = m_task.Increments(host);
    return std::to_string(counters.m_goodPuts) + "/" + std::to_string(counters.m_badPuts) + "/" +
           std::to_string(counters.m_retries);
  }

  ScratchFolder m_folder;
  CSysErrorInfo m_error;
  ManualEventLoop m_loop;
  std::mutex m_lock;
  CForwardingQueue m_queue;
  test::FakeFtpClient m_ftp;
  test::FakeRegistry m_registry;
  loopback::NoticeRecord m_record;
  CFtpTask m_task{m_lock, m_queue, m_ftp, m_registry};
};

struct RetryRow {
  const char* m_case;
  bool m_infinite;
  int m_retryLimit;
  bool m_primaryIsActive;
  int m_primaryFailures;  // puts the primary fails before it takes one (-1: never)
  int m_backupFailures;
  bool m_sent;
  std::vector<std::string> m_hosts;
  const char* m_primaryCounters;  // good/bad/retries
  const char* m_backupCounters;
  int m_switches;
};

class PutWithRetriesTest : public FtpTaskTest, public ::testing::WithParamInterface<RetryRow> {};

TEST_P(PutWithRetriesTest, HostsTriedCountedAndSwitched) {
  const RetryRow& row = GetParam();
  for (auto [host, failures] :
       {std::pair{kPrimary, row.m_primaryFailures}, std::pair{kBackup, row.m_backupFailures}}) {
    if (failures < 0) {
      m_ftp.SetLasting(host, kDown);
    } else {
      m_ftp.Script(host, std::vector<FtpResult>(static_cast<std::size_t>(failures), kDown));
    }
  }
  EXPECT_EQ(Forward(Settings(row.m_infinite, row.m_retryLimit, row.m_primaryIsActive), "x\n"),
            row.m_sent);
  EXPECT_EQ(m_ftp.Hosts(), row.m_hosts);
  EXPECT_EQ(Counters(FtpHost::kPrimary), row.m_primaryCounters);
  EXPECT_EQ(Counters(FtpHost::kBackup), row.m_backupCounters);
  EXPECT_EQ(m_record.Count(ftp_task::kServersSwitched), row.m_switches);
  EXPECT_EQ(std::filesystem::exists(m_folder.File("deskvexo000.inc")), !row.m_sent)
      << "a put file is deleted, a failed one stays";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PutWithRetriesTest,
    ::testing::Values(
        RetryRow{"PrimaryTakesIt", false, 0, true, 0, 0, true, {kPrimary}, "1/0/0", "0/0/0", 0},
        RetryRow{"OnePassWithRetryLimit0",
                 false,
                 0,
                 true,
                 -1,
                 -1,
                 false,
                 {kPrimary, kBackup},
                 "0/1/0",
                 "0/1/0",
                 0},
        RetryRow{"RetryLimit2MakesThreePasses",
                 false,
                 2,
                 true,
                 -1,
                 -1,
                 false,
                 {kPrimary, kBackup, kPrimary, kBackup, kPrimary, kBackup},
                 "0/3/2",
                 "0/3/2",
                 0},
        RetryRow{"BackupTakesItAndBecomesActive",
                 false,
                 0,
                 true,
                 -1,
                 0,
                 true,
                 {kPrimary, kBackup},
                 "0/1/0",
                 "1/0/0",
                 1},
        RetryRow{"BackupActiveIsTriedFirst",
                 false,
                 0,
                 false,
                 0,
                 0,
                 true,
                 {kBackup},
                 "0/0/0",
                 "1/0/0",
                 0},
        // Retries are counted in endless mode too, or the window would show none.
        RetryRow{"InfiniteRetryUntilThePrimaryTakesIt",
                 true,
                 0,
                 true,
                 2,
                 -1,
                 true,
                 {kPrimary, kBackup, kPrimary, kBackup, kPrimary},
                 "1/2/2",
                 "0/2/1",
                 0}),
    [](const auto& info) { return std::string(info.param.m_case); });

TEST_F(FtpTaskTest, StopDuringTheRetryPauseFailsTheEntry) {
  m_ftp.SetLasting(kPrimary, kDown);
  m_ftp.SetLasting(kBackup, kDown);
  FTPPutSettings settings = Settings(true, 0);
  settings.m_retryInterval = 600000;
  CQueueEntry entry;
  entry.m_localPath = m_folder.File("f.inc");
  WriteWholeFile(entry.m_localPath, "x");
  m_queue.Enqueue(entry, m_error);
  ASSERT_TRUE(m_task.Start(settings, kPrimary, kBackup, m_error));
  ASSERT_TRUE(m_loop.RunUntil([&] { return m_ftp.Calls().size() == 2; }, 10s));
  ASSERT_TRUE(m_task.Stop(CWorkerTask::kInfinite, m_error));
  m_loop.RunPending();
  EXPECT_EQ(m_record.Count(ftp_task::kPutFailed), 1);
  EXPECT_EQ(m_record.Count(ftp_task::kEndedGood), 1);
}

TEST_F(FtpTaskTest, FailuresAreLoggedInTheirOwnWords) {
  m_ftp.Script(kPrimary, {FtpResult::ConnectFailed(12015, 0)});
  m_ftp.Script(kBackup, {FtpResult::PutFailed(12003)});
  EXPECT_FALSE(Forward(Settings(false, 0), "x"));
  const auto logs = m_record.Of(ftp_task::kLogEntry);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].m_log.m_args, (std::vector<std::string>{"12015", "0"}));
  EXPECT_EQ(logs[1].m_log.m_args,
            (std::vector<std::string>{"12003", "CFtpConnection::PutFile(...)"}));
}

struct AdminRow {
  const char* m_case;
  const char* m_registryUuid;  // nullptr: no value in the registry
  const char* m_headerUuid;
  bool m_serverMarker;
  const char* m_putContent;
  int m_messageBoxes;
};

class AdministratorLineTest : public FtpTaskTest, public ::testing::WithParamInterface<AdminRow> {};

TEST_P(AdministratorLineTest, ServerFilesGetTheTerminalUsersUuid) {
  const AdminRow& row = GetParam();
  if (row.m_registryUuid != nullptr) {
    m_registry.WriteString(RegistryHive::kLocalMachine, "Software\\Norvane L.P.\\User Info",
                           "USERUUID", row.m_registryUuid);
  }
  EXPECT_TRUE(Forward(Settings(false, 0), "START-OF-FILE\nSN=X\nUUID=5\nEND-OF-FILE",
                      row.m_headerUuid, row.m_serverMarker));
  ASSERT_EQ(m_ftp.Calls().size(), 1u);
  EXPECT_EQ(m_ftp.Calls()[0].m_content, row.m_putContent);
  EXPECT_EQ(m_record.Count(ftp_task::kShowMessage), row.m_messageBoxes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdministratorLineTest,
    ::testing::Values(AdminRow{"Differs", "777", "5", true,
                               "START-OF-FILE\nADMIN=777\nSN=X\nUUID=5\nEND-OF-FILE", 0},
                      AdminRow{"NotAServerFile", "777", "5", false,
                               "START-OF-FILE\nSN=X\nUUID=5\nEND-OF-FILE", 0},
                      AdminRow{"Unreadable", nullptr, "5", true,
                               "START-OF-FILE\nADMIN=-1\nSN=X\nUUID=5\nEND-OF-FILE", 1}),
    [](const auto& info) { return std::string(info.param.m_case); });

}  // namespace
}  // namespace trqx
