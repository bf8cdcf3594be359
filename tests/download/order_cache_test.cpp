// Reading the order file into basket groups, and a basket's cache file.
#include <gtest/gtest.h>

#include <string>

#include "download/cache_info.h"
#include "download/download_test_support.h"
#include "download/order_file.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

// Ticker, a cache data field without a column, Side, Filled Shares, Basket ID, Order ID.
const std::vector<OstraneField> kFields{Field("TICKER", 15),   Field("ACCOUNT", 13, kCategoryBoth),
                                        Field("SIDE", 17),     Field("FILLED", 20),
                                        Field("BASKETID", 25), Field("ORDERID", 26)};

std::vector<std::vector<std::string>> OrderIds(const COrderFile& file) {
  std::vector<std::vector<std::string>> groups;
  for (const BasketGroup& group : file.Groups()) {
    auto& ids = groups.emplace_back();
    for (const OrderRecord& record : group) {
      ids.emplace_back(file.GetOrderRefID(record));
    }
  }
  return groups;
}

TEST(OrderColumns, CountOnlyFieldsWithAnOrderFileColumn) {
  const OrderColumns columns = FindOrderColumns(kFields);
  EXPECT_EQ(columns.m_basketId, 3u);
  EXPECT_EQ(columns.m_orderRefId, 4u);
  EXPECT_EQ(columns.m_columnCount, 5u);
  EXPECT_EQ(columns.m_invalidTypes, 0);

  // Type 27 is reported by both walks, the Basket ID walk only up to its field; Types 28,
  // 29 and 37 pass silently. Without Type 26 the Order ID is column 0.
  const OrderColumns odd =
      FindOrderColumns({Field("A", 27), Field("B", 28), Field("C", 14), Field("D", 25),
                        Field("E", 27), Field("F", 37), Field("G", 30)});
  EXPECT_EQ(odd.m_basketId, 1u);
  EXPECT_EQ(odd.m_orderRefId, 0u);
  EXPECT_EQ(odd.m_invalidTypes, 2);
  EXPECT_EQ(odd.m_invalidBeforeBasketId, 1);
  EXPECT_EQ(FindOrderColumns({Field("C", 14)}).m_basketId, OrderColumns::kNone);
}

TEST(OrderFile, GroupsByExactBasketIdInOrderOfFirstAppearance) {
  COrderFile file(kFields);
  ASSERT_TRUE(
      file.Feed("IBM,B,100,B1,O1\r\n"
                "MSFT,S,0,b1,O2\r\n"
                "\r\n"
                "\"BRK,B\",S,5,B2,O3\r\n"
                "VOD,B,1,B1,O4\r\n"
                "T,B,1,B2\r\n"
                "KO,B,1, B1 ,O6"));
  ASSERT_TRUE(file.Finish());
  EXPECT_EQ(file.RecordCount(), 7u);
  EXPECT_EQ(OrderIds(file),
            (std::vector<std::vector<std::string>>{{"O1", "O4"}, {"O2"}, {"O3", ""}, {"O6"}}));
  EXPECT_EQ(file.GetBasketID(file.Groups()[3]), " B1 ");
  EXPECT_EQ(file.Groups()[2][0][0], "BRK,B");
  // The short record reads its missing Order ID as empty, without reading past its end.
  EXPECT_EQ(ColumnValue(file.Groups()[2][1], 10), "");

  // The same bytes in pieces of every size give the same groups.
  for (std::size_t piece = 1; piece <= 7; ++piece) {
    const std::string data = "IBM,B,100,B1,O1\r\n\"BRK,B\",S,5,B2,O3\r\nVOD,B,1,B1,O4";
    COrderFile chunked(kFields);
    for (std::size_t at = 0; at < data.size(); at += piece) {
      ASSERT_TRUE(chunked.Feed(std::string_view(data).substr(at, piece)));
    }
    ASSERT_TRUE(chunked.Finish());
    EXPECT_EQ(OrderIds(chunked), (std::vector<std::vector<std::string>>{{"O1", "O4"}, {"O3"}}));
    EXPECT_EQ(chunked.RecordCount(), 3u);
  }
}

TEST(OrderFile, StopsAtABadRecordKeepingWhatWasGrouped) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("orders.txt"), "IBM,B,1,B1,O1\n\"open,B,1,B1,O2\n");
  COrderFile file(kFields);
  CFileError error;
  EXPECT_EQ(file.Read(folder.File("orders.txt"), error), RecordFileResult::kBadRecord);
  EXPECT_EQ(OrderIds(file), (std::vector<std::vector<std::string>>{{"O1"}}));

  COrderFile missing(kFields);
  EXPECT_EQ(missing.Read(folder.File("none.txt"), error), RecordFileResult::kOpenFailed);
  EXPECT_EQ(error.m_fileName, folder.File("none.txt"));
  EXPECT_EQ(missing.Read("", error), RecordFileResult::kOpenFailed);
  EXPECT_EQ(missing.RecordCount(), 0u);
}

TEST(CacheInfo, ChecksEachLineAndKeepsTheLastHeaderAndTheFirstDataLineOfAKey) {
  CCacheInfo info;
  EXPECT_EQ(info.Header().m_kind, "HDR");
  EXPECT_TRUE(info.Header().m_values.empty());
  const auto add = [&](TokenList record) { return info.AddRecord(record, 2, 1); };
  EXPECT_TRUE(add({"HDR", "k", "A", "B"}));
  EXPECT_TRUE(add({"DATA", "O1", "first"}));
  EXPECT_TRUE(add({"DATA", "O1", "second"}));
  EXPECT_TRUE(add({"HDR", "", "C", "D"}));
  EXPECT_TRUE(add({}));
  EXPECT_EQ(info.Header().m_values, (std::vector<std::string>{"C", "D"}));
  ASSERT_NE(info.FindData("O1"), nullptr);
  EXPECT_EQ(info.FindData("O1")->m_values, std::vector<std::string>{"first"});
  EXPECT_EQ(info.FindData("O2"), nullptr);
  EXPECT_EQ(info.Data().size(), 2u);

  EXPECT_FALSE(add({"HDR", "", "A"}));
  EXPECT_FALSE(add({"HDR", "", "A", "B", "C"}));
  EXPECT_FALSE(add({"DATA", "O3"}));
  EXPECT_FALSE(add({"DATA"}));
  EXPECT_FALSE(add({"hdr", "", "A", "B"}));
  EXPECT_FALSE(add({"TRAILER", "x", "y"}));
}

TEST(CacheInfo, ReadsTheDaysFileOfTheBasketOnly) {
  ScratchFolder folder;
  const std::time_t today = March6th2026();
  // A basket ID holding a separator still names a file inside the cache folder.
  EXPECT_EQ(CacheFilePath(folder.Path(), today, "../B/1"), folder.File("03-06-26.._B_1.cch"));
  const std::string path = CacheFilePath(folder.Path(), today, "B1");
  EXPECT_EQ(path, folder.File("03-06-26B1.cch"));

  CCacheInfo info;
  CFileError error;
  WriteWholeFile(path, "HDR,,\"GROWTH, INC\"\r\nDATA,O1,ACC-1\r\nDATA,O2,ACC-2\r\n");
  ASSERT_EQ(ReadCacheFile(path, 1, 1, info, error), RecordFileResult::kOk);
  EXPECT_EQ(info.Header().m_values, std::vector<std::string>{"GROWTH, INC"});
  EXPECT_EQ(info.Data().size(), 2u);

  // One value too many or an unterminated quote fails the read; yesterday's file is not found.
  WriteWholeFile(path, "HDR,,GROWTH\r\nDATA,O1,ACC-1,EXTRA\r\n");
  EXPECT_EQ(ReadCacheFile(path, 1, 1, info, error), RecordFileResult::kBadRecord);
  WriteWholeFile(path, "HDR,,GROWTH\r\nDATA,\"O1,ACC-1\r\n");
  EXPECT_EQ(ReadCacheFile(path, 1, 1, info, error), RecordFileResult::kBadRecord);
  EXPECT_EQ(ReadCacheFile(CacheFilePath(folder.Path(), today - 86400, "B1"), 1, 1, info, error),
            RecordFileResult::kOpenFailed);
}

}  // namespace
}  // namespace trqx
