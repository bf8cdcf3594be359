#include "client/spreadsheet.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <new>
#include <string>

#include "support/recording_log.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// orders.xls (made by make_xls.py): numbers, texts with a comma, quotes and a tab, an empty
// cell inside a row and one at a row's end, dates, and a second worksheet left out.
const std::string kSheetData = std::string(TRQX_TEST_DATA) + "/client/sheet/";

class SpreadsheetTest : public ::testing::Test {
 protected:
  // The fixture copied under name into the desk folder; its path.
  std::string DeskFile(const std::string& name, std::string_view content) {
    const std::string path = m_desk.File(name);
    EXPECT_TRUE(WriteWholeFile(path, content));
    return path;
  }

  ScratchFolder m_desk;
  ScratchFolder m_temp;
  test::RecordingLogger m_log;
  const std::string m_workbook = ReadWholeFile(kSheetData + "orders.xls");
};

TEST_F(SpreadsheetTest, EachFormatWritesTheFirstWorksheetUnderTheDeskFilesName) {
  const struct {
    int format;
    const char* target;
    const char* golden;
  } kCases[] = {
      {.format = 0, .target = "BOOK1.csv", .golden = "orders.csv.expected"},
      {.format = 1, .target = "BOOK1.txt", .golden = "orders.txt.expected"},
      {.format = 2, .target = "BOOK1.dat", .golden = "orders.dat.expected"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.target);
    std::string path = DeskFile("BOOK1.Xls", m_workbook);
    // A file left by an earlier conversion is replaced.
    WriteWholeFile(m_temp.File(c.target), std::string(5000, 'x'));

    EXPECT_EQ(ConvertSpreadsheet(path, m_temp.Path(), c.format, m_log.logger),
              SpreadsheetResult::kConverted);
    EXPECT_EQ(path, m_temp.File(c.target));
    EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(kSheetData + c.golden));
  }
  EXPECT_TRUE(m_log.sink.m_entries.empty());
}

TEST_F(SpreadsheetTest, OnlyANameEndingInXlsIsASpreadsheet) {
  for (const char* name : {"book1.xlsx", "orders.csv", "xls", "ls"}) {
    std::string path = DeskFile(name, m_workbook);
    EXPECT_EQ(ConvertSpreadsheet(path, m_temp.Path(), 0, m_log.logger),
              SpreadsheetResult::kNotSpreadsheet)
        << name;
    EXPECT_EQ(path, m_desk.File(name));
  }
  EXPECT_TRUE(m_log.sink.m_entries.empty());
  EXPECT_TRUE(std::filesystem::is_empty(m_temp.Path()));
}

TEST_F(SpreadsheetTest, TargetPathTakesTheNameAfterEitherSeparatorAndTheFormatsExtension) {
  const struct {
    const char* desk;
    int format;
    const char* target;
  } kCases[] = {
      {.desk = "/desk/orders.xls", .format = 1, .target = "/tmp/t/orders.txt"},
      {.desk = "C:\\desk\\Orders.XLS", .format = 2, .target = "/tmp/t/Orders.dat"},
      {.desk = "a.b.xls", .format = 0, .target = "/tmp/t/a.b.csv"},
      // A setting outside the list counts as its default, comma-delimited.
      {.desk = "x.xls", .format = 7, .target = "/tmp/t/x.csv"},
      {.desk = "x.xls", .format = -1, .target = "/tmp/t/x.csv"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(SpreadsheetTargetPath(c.desk, "/tmp/t", c.format), c.target) << c.desk;
  }
  EXPECT_EQ(SpreadsheetStatusText(1), "Detected XLS File... Converting to TXT Format... ");
}

TEST_F(SpreadsheetTest, AnUnreadableWorkbookFailsWithTheReasonLogged) {
  std::string garbage;
  while (garbage.size() < 1000) {  // past the 512-byte header FreeXL reads first
    garbage += "Symbol,Qty\nIBM,100\n";
  }
  const struct {
    bool exists;
    std::string content;
    const char* reason;
  } kCases[] = {
      {.exists = true,
       .content = m_workbook.substr(0, 3000),
       .reason = "the workbook is truncated or damaged (read error)"},
      {.exists = true,
       .content = m_workbook.substr(0, 100),
       .reason = "the workbook is truncated or damaged (read error)"},
      {.exists = true, .content = garbage, .reason = "the file is not an Excel workbook"},
      {.exists = true,
       .content = ReadWholeFile(kSheetData + "protected.xls"),
       .reason = "the workbook is password-protected"},
      {.exists = true,
       .content = ReadWholeFile(kSheetData + "oversized.xls"),
       .reason = "the worksheet is larger than an Excel 97-2003 sheet can be"},
      {.exists = false, .content = "", .reason = "the file does not exist or cannot be opened"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reason);
    m_log.sink.m_entries.clear();
    const std::string desk = c.exists ? DeskFile("bad.xls", c.content) : m_desk.File("gone.xls");
    std::string path = desk;

    EXPECT_EQ(ConvertSpreadsheet(path, m_temp.Path(), 0, m_log.logger), SpreadsheetResult::kFailed);
    EXPECT_EQ(path, desk);
    ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
    EXPECT_EQ(m_log.sink.m_entries[0].level, kLogError);
    EXPECT_EQ(m_log.sink.m_entries[0].category, kCategorySystem);
    EXPECT_EQ(m_log.sink.m_entries[0].text,
              "Failed to convert XLS file " + desk + ", " + c.reason + ".");
    EXPECT_TRUE(std::filesystem::is_empty(m_temp.Path()));
  }
}

TEST_F(SpreadsheetTest, AnUnwritableTempFolderFailsAndLeavesThePath) {
  const std::string desk = DeskFile("orders.xls", m_workbook);
  std::string path = desk;
  EXPECT_EQ(ConvertSpreadsheet(path, m_temp.File("missing"), 2, m_log.logger),
            SpreadsheetResult::kFailed);
  EXPECT_EQ(path, desk);
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].text, "Failed to convert XLS file " + desk + ", cannot write " +
                                              m_temp.File("missing/orders.dat") +
                                              ": No such file or directory.");
}

// overread.xls, found by fuzz_spreadsheet: FreeXL hands iconv 64 KiB of a small stack
// buffer while opening it. AddressSanitizer stops the reader there, and only the conversion
// fails; an unchecked build reads whatever lies beyond, with an outcome that depends on it.
TEST_F(SpreadsheetTest, AWorkbookThatFreeXlReadsOutOfBoundsOnFailsOnlyTheConversion) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "only AddressSanitizer stops FreeXL at this read";
#endif
  const std::string desk = DeskFile("overread.xls", ReadWholeFile(kSheetData + "overread.xls"));
  std::string path = desk;

  EXPECT_EQ(ConvertSpreadsheet(path, m_temp.Path(), 0, m_log.logger), SpreadsheetResult::kFailed);
  EXPECT_EQ(path, desk);
  ASSERT_EQ(m_log.sink.m_entries.size(), 1u);
  EXPECT_EQ(m_log.sink.m_entries[0].level, kLogError);
  // The sanitizer's report ends the child with exit code 1, or SIGABRT with abort_on_error=1.
  const std::string prefix = "Failed to convert XLS file " + desk + ", the workbook reader ";
  EXPECT_THAT(m_log.sink.m_entries[0].text,
              ::testing::AnyOf(prefix + "failed (exit code 1).", prefix + "crashed (signal 6)."));
  EXPECT_TRUE(std::filesystem::is_empty(m_temp.Path()));
}

// What a child of RunInChild writes: all of text, or exit code 1.
int WriteText(int fd, const std::string& text) {
  return write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
}

TEST(RunInChildTest, AChildThatExitsWithZeroHandsBackWhatItWrote) {
  const std::string big(kMaxChildOutput + 40000, 'r');
  // Clear of descriptor 3, where the child's end of the pipe goes.
  const int parentFile = fcntl(STDERR_FILENO, F_DUPFD, 10);
  ASSERT_GE(parentFile, 10);
  const struct {
    const char* name;
    std::function<int(int)> work;
    std::string output;
  } kCases[] = {
      {.name = "a reason",
       .work = [](int fd) { return WriteText(fd, "the reason"); },
       .output = "the reason"},
      {.name = "nothing", .work = [](int) { return 0; }, .output = ""},
      // The rest is drained, or the child would block on the full pipe until the limit.
      {.name = "more than is kept",
       .work = [&big](int fd) { return WriteText(fd, big); },
       .output = big.substr(0, kMaxChildOutput)},
      // A file the caller opened is closed there, as another reader child's pipe would be.
      {.name = "the parent's descriptors closed",
       .work =
           [parentFile](int fd) {
             return WriteText(fd, fcntl(parentFile, F_GETFD) < 0 ? "closed" : "open");
           },
       .output = "closed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string output = "left over";
    std::string reason;
    EXPECT_TRUE(RunInChild(c.work, kSpreadsheetReadLimit, output, reason));
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(reason, "");
  }
  close(parentFile);
}

TEST(RunInChildTest, AChildThatCrashesFailsOrOverstaysFailsWithHowItEnded) {
  using std::chrono::milliseconds;
  const struct {
    const char* name;
    std::function<int(int)> work;
    milliseconds limit = kSpreadsheetReadLimit;
    const char* reason;
  } kCases[] = {
      {.name = "crash",
       .work =
           [](int fd) {
             WriteText(fd, "half a reason");
             std::signal(SIGSEGV, SIG_DFL);  // as an unchecked build dies in FreeXL
             std::raise(SIGSEGV);
             return 0;
           },
       .reason = "the workbook reader crashed (signal 11)"},
      // AddressSanitizer's report on a bad read ends the child so.
      {.name = "exit 1",
       .work = [](int) { return 1; },
       .reason = "the workbook reader failed (exit code 1)"},
      {.name = "throw",
       .work = [](int) -> int { throw std::bad_alloc(); },
       .reason = "the workbook reader failed (exit code 70)"},
      {.name = "sleep",
       .work = [](int) { return static_cast<int>(sleep(30)); },
       .limit = milliseconds(200),
       .reason = "the workbook reader ran longer than 200 ms and was stopped"},
      // Its end of the pipe closed, the child is still waited for only until the limit.
      {.name = "sleep after closing",
       .work = [](int fd) { return close(fd) + static_cast<int>(sleep(30)); },
       .limit = std::chrono::seconds(1),
       .reason = "the workbook reader ran longer than 1 s and was stopped"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string output;
    std::string reason;
    EXPECT_FALSE(RunInChild(c.work, c.limit, output, reason));
    EXPECT_EQ(reason, c.reason);
  }
}

}  // namespace
}  // namespace trqx
