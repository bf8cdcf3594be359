#include "foundation/cache_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/csv_line_reader.h"
#include "foundation/locked_file.h"
#include "scratch_folder.h"

namespace trqx {
namespace {

// 6 March 2026, noon local time.
std::time_t MarchSixth2026() {
  std::tm local = {};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 6;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

CCacheEntry Entry(std::string kind, std::string key, std::vector<std::string> values) {
  return CCacheEntry{std::move(kind), std::move(key), std::move(values)};
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    names.push_back(std::filesystem::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CacheFileNameTest, DateThenBasketThenExtension) {
  const std::time_t when = MarchSixth2026();
  EXPECT_EQ(CacheFileName(when, "12", "JSMITH"), "03-06-2612-JSMITH.cch");
  EXPECT_EQ(CacheFileName(when, "12", ""), "03-06-2612.cch");
  EXPECT_EQ(CacheFileName(when, "../x\\y", "a/b"), "03-06-26.._x_y-a_b.cch");
}

TEST(CacheFileNameTest, BasketIdsAreMadeSafe) {
  EXPECT_EQ(BasketFileNamePart("B-17"), "B-17");
  EXPECT_EQ(BasketFileNamePart("/etc/passwd"), "_etc_passwd");
  EXPECT_EQ(BasketFileNamePart("..\\..\\win"), ".._.._win");
  EXPECT_EQ(BasketFileNamePart(std::string("a\0b", 3)), "a_b");
}

class CacheFileTest : public testing::Test {
 protected:
  ScratchFolder m_folder;
  std::time_t m_when = MarchSixth2026();
  CFileError m_error;
};

TEST_F(CacheFileTest, WritesTheHeaderThenTheDataLinesWithExactBytes) {
  const std::vector<CCacheEntry> data = {Entry("DATA", "ORD1", {"Growth, US"}),
                                         Entry("DATA", "ORD2", {""}),
                                         Entry("DATA", "ORD3", {"say \"hi\""})};
  ASSERT_TRUE(WriteCacheFile(m_folder.Path(), "12", "JSMITH", Entry("HDR", "", {"Acct 7"}), data,
                             m_when, m_error));
  const std::string written = ReadWholeFile(m_folder.File("03-06-2612-JSMITH.cch"));
  EXPECT_EQ(written, ReadWholeFile(std::string(TRQX_TEST_DATA) + "/foundation/basket.cch"));

  // Read back, the comma value is one value again.
  CsvLineReader reader;
  std::size_t used = 0;
  std::string_view rest = written;
  std::vector<TokenList> records;
  while (reader.Feed(rest, used) == CsvStatus::kRecord) {
    records.push_back(reader.Tokens());
    reader.Reset();
    rest.remove_prefix(used);
  }
  EXPECT_TRUE(rest.empty());
  EXPECT_EQ(records, (std::vector<TokenList>{{"HDR", "", "Acct 7"},
                                             {"DATA", "ORD1", "Growth, US"},
                                             {"DATA", "ORD2", ""},
                                             {"DATA", "ORD3", "say \"hi\""}}));
}

TEST_F(CacheFileTest, AHeaderWithoutValuesIsStillWrittenAndAFileIsReplaced) {
  ASSERT_TRUE(WriteCacheFile(m_folder.Path(), "7", "", Entry("HDR", "", {}),
                             {Entry("DATA", "A", {"1", "2"}), Entry("DATA", "B", {"3", "4"})},
                             m_when, m_error));
  ASSERT_TRUE(WriteCacheFile(m_folder.Path(), "7", "", Entry("HDR", "", {}),
                             {Entry("DATA", "C", {"5"})}, m_when, m_error));
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-267.cch")), "HDR,\r\nDATA,C,5\r\n");
}

TEST_F(CacheFileTest, ABasketIdCannotLeaveTheCacheFolder) {
  const std::string cacheDir = m_folder.File("Cache");
  std::filesystem::create_directory(cacheDir);
  ASSERT_TRUE(WriteCacheFile(cacheDir, "/../../escape", "x\\..\\y", Entry("HDR", "", {"v"}), {},
                             m_when, m_error));
  EXPECT_EQ(FilesIn(m_folder.Path()),
            (std::vector<std::string>{"Cache", "Cache/03-06-26_.._.._escape-x_.._y.cch"}));
}

TEST_F(CacheFileTest, FailuresLeaveAFileError) {
  EXPECT_FALSE(
      WriteCacheFile(m_folder.File("missing"), "1", "", Entry("HDR", "", {}), {}, m_when, m_error));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_fileName, m_folder.File("missing/03-06-261.cch"));

  // A cache file that another open holds is left as it was.
  const std::string path = m_folder.File("03-06-261.cch");
  WriteWholeFile(path, "HDR,,old\r\n");
  LockedFile holder;
  ASSERT_TRUE(holder.Open(path, O_RDONLY, FileLock::kDenyWrite, m_error));
  EXPECT_FALSE(
      WriteCacheFile(m_folder.Path(), "1", "", Entry("HDR", "", {"new"}), {}, m_when, m_error));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kLocked);
  EXPECT_EQ(ReadWholeFile(path), "HDR,,old\r\n");
}

}  // namespace
}  // namespace trqx
