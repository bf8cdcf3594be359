#include "client/directory_poller.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/dir_notify_task.h"
#include "foundation/client_strings.h"
#include "foundation/locked_file.h"
#include "foundation/sys/event_loop.h"
#include "settings/internal_settings.h"
#include "support/recording_log.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The main window as the poller sees it: answers from fields, records every upload.
class FakeHost : public PollerHost {
 public:
  bool UploadInProgress() const override { return m_inProgress; }
  bool IsConnected() const override { return m_connected; }
  UploadResult UploadPolledFile(const std::string& path) override {
    m_uploads.push_back(fs::path(path).filename().string());
    m_uploadedBytes.push_back(ReadWholeFile(path));
    m_inProgress = m_result == UploadResult::kHandedOver && m_handOverBlocks;
    return m_result;
  }

  UploadResult m_result = UploadResult::kHandedOver;
  bool m_handOverBlocks = false;  // a handed-over upload keeps the host busy
  bool m_inProgress = false;
  bool m_connected = true;
  std::vector<std::string> m_uploads;  // file names, in upload order
  std::vector<std::string> m_uploadedBytes;
};

class DirectoryPollerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(PollFolder());
    fs::create_directory(TempFolder());
    m_settings.m_pollDirectory = PollFolder();
    m_settings.m_tempDirectory = TempFolder();
    m_settings.m_uploadMethod = kUploadClientServer;
    m_settings.m_detectMethod = 1;
    m_settings.m_timerInterval = 1;
  }

  std::string PollFolder() const { return m_folder.File("poll"); }
  std::string TempFolder() const { return m_folder.File("Temp"); }
  void Drop(const std::string& name) {
    ASSERT_TRUE(WriteWholeFile(PollFolder() + "/" + name, "bytes of " + name));
  }
  // The poll folder's files in the order the file system lists them.
  std::vector<std::string> Listed(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.is_regular_file()) {
        names.push_back(entry.path().filename().string());
      }
    }
    return names;
  }
  // Starts polling and runs what the loop has queued, as the window's thread would.
  void Start() {
    m_poller.StartPolling(m_settings);
    m_loop.RunPending();
  }
  void Tick() {
    m_now += 1s;
    m_loop.RunPending();
  }
  bool Logged(const std::string& text) const {
    const auto texts = m_log.sink.Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  ScratchFolder m_folder;
  COpenNVInternalSettings m_settings{m_folder.Path()};
  std::chrono::steady_clock::time_point m_now{};
  ManualEventLoop m_loop{[this] { return m_now; }};
  test::RecordingLogger m_log;
  FakeHost m_host;
  std::vector<std::chrono::milliseconds> m_waits;
  CDirectoryPoller m_poller{m_log.logger, m_loop, m_host,
                            [this](std::chrono::milliseconds wait) { m_waits.push_back(wait); }};
};

struct ResultRow {
  const char* name;
  UploadResult result;
  std::size_t uploads;  // of the three files, in one scan
  std::size_t queued;
  std::size_t leftInPoll;
  bool copyKept;  // the first file's copy stays in the temp folder
};

TEST_F(DirectoryPollerTest, OneScanActsOnTheUploadResult) {
  const ResultRow rows[] = {
      {.name = "handed over: the first file is queued and the scan ends",
       .result = UploadResult::kHandedOver,
       .uploads = 1,
       .queued = 1,
       .leftInPoll = 3,
       .copyKept = true},
      {.name = "busy: the copy goes, nothing is queued, the scan ends",
       .result = UploadResult::kBusy,
       .uploads = 1,
       .queued = 0,
       .leftInPoll = 3,
       .copyKept = false},
      {.name = "failed conversion: each file is deleted and the next tried",
       .result = UploadResult::kFailed,
       .uploads = 3,
       .queued = 0,
       .leftInPoll = 0,
       .copyKept = true},
      {.name = "server not connected: each file stays and the next is tried",
       .result = UploadResult::kNotConnected,
       .uploads = 3,
       .queued = 0,
       .leftInPoll = 3,
       .copyKept = true},
  };
  for (const ResultRow& row : rows) {
    SCOPED_TRACE(row.name);
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) {
      Drop(name);
    }
    const std::vector<std::string> order = Listed(PollFolder());
    m_host = FakeHost{};
    m_host.m_result = row.result;
    Start();
    m_poller.Scan();
    ASSERT_EQ(m_host.m_uploads.size(), row.uploads);
    EXPECT_TRUE(std::equal(m_host.m_uploads.begin(), m_host.m_uploads.end(), order.begin()));
    EXPECT_EQ(m_host.m_uploadedBytes[0], "bytes of " + order[0]);
    EXPECT_EQ(m_poller.PollQueue().size(), row.queued);
    EXPECT_EQ(Listed(PollFolder()).size(), row.leftInPoll);
    EXPECT_EQ(fs::exists(TempFolder() + "/" + order[0]), row.copyKept);
    while (!m_poller.PollQueue().empty()) {
      m_poller.UploadEnded(false);
    }
    fs::remove_all(PollFolder());
    fs::create_directory(PollFolder());
  }
}

TEST_F(DirectoryPollerTest, TimerHandsOverOneFileAtATimeUntilEachUploadEnds) {
  for (int i = 0; i < 10; ++i) {
    Drop("basket" + std::to_string(i) + ".csv");
  }
  m_host.m_handOverBlocks = true;
  Start();
  EXPECT_TRUE(m_poller.TimerRunning());
  EXPECT_TRUE(Logged(poller_text::kTimerStarted));
  Tick();
  Tick();  // the first upload is still in flight
  ASSERT_EQ(m_host.m_uploads.size(), 1u);
  const std::string first = PollFolder() + "/" + m_host.m_uploads[0];
  ASSERT_EQ(m_poller.PollQueue().size(), 1u);
  EXPECT_EQ(m_poller.PollQueue().front(), first);

  m_host.m_inProgress = false;
  EXPECT_EQ(m_poller.UploadEnded(true), first);
  EXPECT_FALSE(fs::exists(first));
  Tick();
  ASSERT_EQ(m_host.m_uploads.size(), 2u);
  EXPECT_NE(m_host.m_uploads[1], m_host.m_uploads[0]);

  m_host.m_inProgress = false;
  m_poller.UploadEnded(false);  // a failed upload keeps its file for the user
  EXPECT_TRUE(fs::exists(PollFolder() + "/" + m_host.m_uploads[1]));
  EXPECT_EQ(Listed(PollFolder()).size(), 9u);
}

TEST_F(DirectoryPollerTest, FileHeldByAnotherProgramIsRetriedThreeTimesThenLeft) {
  Drop("held.csv");
  LockedFile writer;
  CFileError error;
  ASSERT_TRUE(writer.Open(PollFolder() + "/held.csv", O_WRONLY, FileLock::kExclusive, error));
  Start();
  m_poller.Scan();
  EXPECT_EQ(m_waits, std::vector<std::chrono::milliseconds>(3, 200ms));
  EXPECT_TRUE(m_host.m_uploads.empty());
  EXPECT_TRUE(fs::exists(PollFolder() + "/held.csv"));

  ASSERT_TRUE(writer.Close(error));
  m_poller.Scan();
  EXPECT_EQ(m_host.m_uploads, std::vector<std::string>{"held.csv"});
}

struct GateRow {
  const char* name;
  int uploadMethod;
  bool inProgress;
  bool connected;
  bool subfolderOnly;
  const char* logged;  // "" for no entry
};

TEST_F(DirectoryPollerTest, ScanUploadsNothingWhenTheWindowCannot) {
  const GateRow rows[] = {
      {.name = "client/server, not connected: logged, nothing uploaded",
       .uploadMethod = kUploadClientServer,
       .inProgress = false,
       .connected = false,
       .subfolderOnly = false,
       .logged = poller_text::kNotConnected},
      {.name = "client/server, a transfer in progress",
       .uploadMethod = kUploadClientServer,
       .inProgress = true,
       .connected = true,
       .subfolderOnly = false,
       .logged = ""},
      {.name = "terminal, a terminal upload in progress",
       .uploadMethod = kUploadTerminal,
       .inProgress = true,
       .connected = false,
       .subfolderOnly = false,
       .logged = ""},
      {.name = "an unknown upload method",
       .uploadMethod = 7,
       .inProgress = false,
       .connected = true,
       .subfolderOnly = false,
       .logged = ""},
      {.name = "a subfolder is not entered",
       .uploadMethod = kUploadTerminal,
       .inProgress = false,
       .connected = false,
       .subfolderOnly = true,
       .logged = ""},
  };
  for (const GateRow& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.subfolderOnly) {
      fs::create_directory(PollFolder() + "/sub");
      ASSERT_TRUE(WriteWholeFile(PollFolder() + "/sub/inner.csv", "x"));
    } else {
      Drop("a.csv");
    }
    m_host = FakeHost{};
    m_host.m_inProgress = row.inProgress;
    m_host.m_connected = row.connected;
    m_settings.m_uploadMethod = row.uploadMethod;
    m_log.sink.m_entries.clear();
    Start();
    m_poller.Scan();
    EXPECT_TRUE(m_host.m_uploads.empty());
    EXPECT_EQ(Logged(row.logged), *row.logged != '\0');
    fs::remove_all(PollFolder());
    fs::create_directory(PollFolder());
  }
}

TEST_F(DirectoryPollerTest, MissingFoldersAreLoggedAndEndTheScan) {
  Drop("a.csv");
  fs::remove_all(TempFolder());
  Start();
  m_poller.Scan();
  ASSERT_FALSE(m_log.sink.m_entries.empty());
  EXPECT_EQ(m_log.sink.m_entries.back().number, client_strings::kMsgFileError);
  EXPECT_EQ(m_log.sink.m_entries.back().level, kLogInfo);
  EXPECT_TRUE(m_host.m_uploads.empty());

  fs::remove_all(PollFolder());
  m_poller.Scan();
  EXPECT_EQ(m_log.sink.Texts().back(), "System error, code:2, function FindFirstFile.");
}

TEST_F(DirectoryPollerTest, TimerWithoutAPositiveIntervalFails) {
  m_settings.m_timerInterval = 0;
  Start();
  EXPECT_FALSE(m_poller.TimerRunning());
  EXPECT_TRUE(Logged(poller_text::kTimerFailed));
}

// The notification task runs a real thread over a real inotify watch; waits are bounded
// and end as soon as the notice has arrived.
class DirNotifyTest : public DirectoryPollerTest {
 protected:
  void SetUp() override {
    DirectoryPollerTest::SetUp();
    m_settings.m_detectMethod = 0;
  }
  bool RunUntil(const std::function<bool()>& done) { return m_loop.RunUntil(done, 10s); }
};

TEST_F(DirNotifyTest, NewFileWakesTheTaskAndStopLogsEveryStep) {
  m_host.m_handOverBlocks = true;
  Start();
  ASSERT_TRUE(m_poller.TaskRunning());
  Drop("new.csv");
  ASSERT_TRUE(RunUntil([&] { return !m_host.m_uploads.empty(); }));
  EXPECT_EQ(m_host.m_uploads, std::vector<std::string>{"new.csv"});

  m_poller.StopPolling();
  ASSERT_TRUE(RunUntil([&] { return !m_poller.TaskRunning() && !m_poller.StopRequested(); }));
  EXPECT_EQ(m_log.sink.Texts(),
            (std::vector<std::string>{poller_text::kTaskStarted, poller_text::kTaskSuccessOnStop,
                                      poller_text::kTaskTerminated}));
}

TEST_F(DirNotifyTest, SwitchingToTheTimerStopsTheTask) {
  Start();
  m_settings.m_detectMethod = 1;
  Start();
  ASSERT_TRUE(RunUntil([&] { return !m_poller.TaskRunning() && !m_poller.StopRequested(); }));
  EXPECT_TRUE(m_poller.TimerRunning());
  m_poller.StopPolling();
  EXPECT_EQ(m_log.sink.Texts(),
            (std::vector<std::string>{poller_text::kTaskStarted, poller_text::kTaskSuccessOnStop,
                                      poller_text::kTimerStarted, poller_text::kTaskTerminated,
                                      poller_text::kTimerStopped}));
}

TEST_F(DirNotifyTest, NewPollFolderMovesTheWatch) {
  m_host.m_handOverBlocks = true;
  Start();
  fs::create_directory(m_folder.File("other"));
  m_settings.m_pollDirectory = m_folder.File("other");
  Start();
  ASSERT_TRUE(WriteWholeFile(m_folder.File("other/moved.csv"), "x"));
  ASSERT_TRUE(RunUntil([&] { return !m_host.m_uploads.empty(); }));
  EXPECT_EQ(m_host.m_uploads, std::vector<std::string>{"moved.csv"});
}

TEST_F(DirNotifyTest, EndNoticeOfAnEarlierRunLeavesARestartedTaskWatching) {
  m_host.m_handOverBlocks = true;
  m_poller.StartPolling(m_settings);
  m_poller.StopPolling();
  Start();  // the first run's end is handled only now
  ASSERT_TRUE(Logged(poller_text::kTaskTerminated));
  ASSERT_TRUE(m_poller.TaskRunning());
  Drop("after.csv");
  ASSERT_TRUE(RunUntil([&] { return !m_host.m_uploads.empty(); }));
  EXPECT_EQ(m_host.m_uploads, std::vector<std::string>{"after.csv"});
}

TEST_F(DirNotifyTest, PollFolderThatCannotBeWatchedFailsTheStart) {
  m_settings.m_pollDirectory = m_folder.File("missing");
  Start();
  EXPECT_FALSE(m_poller.TaskRunning());
  EXPECT_EQ(m_log.sink.Texts(),
            (std::vector<std::string>{"System error, code:2, function FindFirstChangeNotification.",
                                      poller_text::kTaskFailedOnStart}));
}

TEST_F(DirNotifyTest, DeletedPollFolderIsLoggedByTheNextScan) {
  Start();
  fs::remove_all(PollFolder());
  ASSERT_TRUE(RunUntil([&] { return m_log.sink.m_entries.size() > 1; }));
  EXPECT_EQ(m_log.sink.Texts().back(), "System error, code:2, function FindFirstFile.");
}

TEST(AbsolutePathTest, PathsAreMadeAbsoluteAgainstTheWorkingFolder) {
  EXPECT_EQ(AbsolutePath("", "/home/u"), "/home/u");
  EXPECT_EQ(AbsolutePath("/srv/poll", "/home/u"), "/srv/poll");
  EXPECT_EQ(AbsolutePath("poll", "/home/u"), "/home/u/poll");
}

}  // namespace
}  // namespace trqx
