#include "foundation/cache_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/archive_file.h"
#include "support/local_time.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

class CacheFileTest : public testing::Test {
 protected:
  bool Write(const std::string& folder, const std::string& basket, const std::string& suffix,
             std::vector<std::string> header, const std::vector<CCacheEntry>& data = {}) {
    return WriteCacheFile(folder, basket, suffix, {"HDR", "", std::move(header)}, data, m_when,
                          m_error);
  }

  ScratchFolder m_folder;
  std::time_t m_when = March6th2026();
  CFileError m_error;
};

TEST_F(CacheFileTest, NamesCarryTheDateAndTheBasketMadeSafe) {
  EXPECT_EQ(CacheFileName(m_when, "12", "JSMITH"), "03-06-2612-JSMITH.cch");
  EXPECT_EQ(CacheFileName(m_when, "12", ""), "03-06-2612.cch");
  EXPECT_EQ(CacheFileName(m_when, "../x\\y", "a/b"), "03-06-26.._x_y-a_b.cch");
  const std::string cacheDir = m_folder.File("Cache");
  std::filesystem::create_directory(cacheDir);
  ASSERT_TRUE(Write(cacheDir, "/../../escape", "x\\..\\y", {"v"}));
  EXPECT_TRUE(std::filesystem::exists(cacheDir + "/03-06-26_.._.._escape-x_.._y.cch"));
  EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(m_folder.Path()), {}), 2);
}

TEST_F(CacheFileTest, WritesTheHeaderThenTheDataLinesWithExactBytes) {
  ASSERT_TRUE(Write(m_folder.Path(), "12", "JSMITH", {"Acct 7"},
                    {{"DATA", "ORD1", {"Growth, US"}},
                     {"DATA", "ORD2", {""}},
                     {"DATA", "ORD3", {"say \"hi\""}}}));
  const std::string path = m_folder.File("03-06-2612-JSMITH.cch");
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(TRQX_TEST_DATA "/foundation/basket.cch"));
  std::vector<TokenList> records;
  EXPECT_EQ(LoadArchiveFile(
                path, [&](const TokenList& t) { return records.push_back(t), true; }, m_error),
            ArchiveLoad::kOk);
  EXPECT_EQ(records.at(1), (TokenList{"DATA", "ORD1", "Growth, US"}));  // one value again
  // A header without values is still written, and a second write replaces the file.
  ASSERT_TRUE(Write(m_folder.Path(), "12", "JSMITH", {}, {{"DATA", "C", {"5", ""}}}));
  EXPECT_EQ(ReadWholeFile(path), "HDR,\r\nDATA,C,5,\r\n");
}

// Data lines beyond what is held in memory go through a temporary file and come back whole,
// in order, with the lines added after the spill.
TEST_F(CacheFileTest, ManyDataLinesComeBackInOrder) {
  std::vector<CCacheEntry> data;
  std::string expected = "HDR,,h\r\n";
  for (std::size_t i = 0; expected.size() < 3 * CCacheDataLines::kHeldBytes; ++i) {
    const std::string key = "ORD" + std::to_string(i);
    data.push_back({"DATA", key, {"note " + std::to_string(i)}});
    expected += "DATA," + key + ",note " + std::to_string(i) + "\r\n";
  }
  ASSERT_TRUE(Write(m_folder.Path(), "7", "", {"h"}, data));
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-267.cch")), expected);
}

TEST_F(CacheFileTest, AFileThatCannotBeCreatedLeavesAFileError) {
  EXPECT_FALSE(Write(m_folder.File("missing"), "1", "", {}));
  EXPECT_EQ(m_error.m_cause, FileErrorCause::kOpen);
  EXPECT_EQ(m_error.m_osError, ENOENT);
  EXPECT_EQ(m_error.m_fileName, m_folder.File("missing/03-06-261.cch"));
}

}  // namespace
}  // namespace trqx
