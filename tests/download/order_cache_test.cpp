// Reading the order file into basket groups, and a basket's cache file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/cache_info.h"
#include "download/order_file.h"
#include "support/fields.h"
#include "support/local_time.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// Ticker, a cache data field without a column, Side, Filled Shares, Basket ID, Order ID.
const std::vector<OstraneField> kFields = Fields({
    {.name = "TICKER", .type = 15, .category = kCategoryDownload},
    {.name = "ACCOUNT", .type = 13, .category = kCategoryBoth},
    {.name = "SIDE", .type = 17, .category = kCategoryDownload},
    {.name = "FILLED", .type = 20, .category = kCategoryDownload},
    {.name = "BASKETID", .type = 25, .category = kCategoryDownload},
    {.name = "ORDERID", .type = 26, .category = kCategoryDownload},
});
using Groups = std::vector<std::vector<std::string>>;

Groups OrderIds(const COrderFile& file) {
  Groups groups;
  std::vector<OrderRecord> records;
  for (const BasketGroup& group : file.Groups()) {
    auto& ids = groups.emplace_back();
    file.Records(group, records);
    for (const OrderRecord& record : records) {
      ids.emplace_back(file.GetOrderRefID(group, record));
    }
  }
  return groups;
}

// Every order's columns as the file holds them, group by group.
std::vector<std::vector<std::string>> HeldColumns(const COrderFile& file) {
  std::vector<std::vector<std::string>> held;
  std::vector<OrderRecord> records;
  std::vector<std::string_view> values;
  for (const BasketGroup& group : file.Groups()) {
    file.Records(group, records);
    for (const OrderRecord& record : records) {
      file.Split(group, record, values);
      held.emplace_back(values.begin(), values.end());
    }
  }
  return held;
}

TEST(OrderFile, GroupsByExactBasketIdInOrderOfFirstAppearance) {
  const std::string data =
      "IBM,B,100,B1,O1\r\nMSFT,S,0,b1,O2\r\n\r\n\"BRK,B\",S,5,B2,O3\r\nVOD,B,1,B1,O4\r\n"
      "T,B,1,B2\r\nKO,B,1, B1 ,O6";
  // The same bytes in pieces of any size give the same groups.
  for (std::size_t piece : {data.size(), std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
    SCOPED_TRACE(piece);
    COrderFile file(kFields);
    for (std::size_t at = 0; at < data.size(); at += piece) {
      ASSERT_TRUE(file.Feed(std::string_view(data).substr(at, piece)));
    }
    ASSERT_TRUE(file.Finish());
    EXPECT_EQ(file.RecordCount(), 7u);  // the empty record counts
    EXPECT_EQ(OrderIds(file), (Groups{{"O1", "O4"}, {"O2"}, {"O3", ""}, {"O6"}}));
    EXPECT_EQ(file.GetBasketID(file.Groups()[3]), " B1 ");
    EXPECT_EQ(HeldColumns(file)[3][0], "BRK,B");
  }
  // A bad record, here an unterminated quote, ends the reading; what came before stays.
  COrderFile file(kFields);
  EXPECT_FALSE(file.Feed("IBM,B,1,B1,O1\n\"open,B,1,B1,O2\n"));
  EXPECT_EQ(OrderIds(file), (Groups{{"O1"}}));
}

// Each order keeps the values of the list's columns from the one reading: the columns that
// reading gave, whatever ends the record or the file, however long a value.
TEST(OrderFile, AnOrderHeldGivesTheColumnsOfTheReading) {
  struct Case {
    const char* what;
    std::string data;
  };
  const Case cases[] = {
      {.what = "last record without a line end", .data = "IBM,B,1,B1,O1\r\nKO,S,2,B1,O2"},
      {.what = "last record ended by a carriage return only", .data = "IBM,B,1,B1,O1\r"},
      {.what = "last record ending in an empty value", .data = "IBM,B,1,B1,O1,"},
      {.what = "last record ending in a quoted value", .data = "IBM,B,1,B1,\"O,1\""},
      {.what = "line feeds only", .data = "IBM,B,1,B1,O1\nKO,S,2,B2,O2\n"},
      {.what = "empty records between orders", .data = "\r\n\nIBM,B,1,B1,O1\r\n\r\nKO,,,B1,O2\r\n"},
      {.what = "trailing carriage returns after the last line", .data = "IBM,B,1,B1,O1\n\r\r"},
      {.what = "more columns than the list has", .data = "IBM,B,1,B1,O1,x,y\n"},
      {.what = "a record that ends before its Basket ID", .data = "IBM,B\nKO,S,2,B1,O2\n\"\",,"},
      {.what = "values and distances longer than a length byte holds",
       .data = "IBM,B," + std::string(300, 'x') + ",B1,O1\nKO,S,2,B2,O2\nVOD,B,1,B1,O3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The reading's groups, and in each the first five columns (the list's) of each record.
    std::vector<std::vector<TokenList>> groups;
    RecordSplitter splitter(',', [&](TokenList& record) {
      if (record.empty()) {
        return;
      }
      TokenList columns;
      for (std::size_t column = 0; column < 5; ++column) {
        columns.emplace_back(ColumnValue(record, column));
      }
      for (auto& group : groups) {
        if (group.front()[3] == columns[3]) {
          group.push_back(columns);
          return;
        }
      }
      groups.push_back({columns});
    });
    ASSERT_EQ(splitter.Feed(c.data), RecordSplitter::Status::kMore);
    ASSERT_EQ(splitter.Finish(), RecordSplitter::Status::kMore);

    COrderFile file(kFields);
    ASSERT_TRUE(file.Feed(c.data));
    ASSERT_TRUE(file.Finish());
    std::vector<TokenList> firstRead;
    for (const auto& group : groups) {
      firstRead.insert(firstRead.end(), group.begin(), group.end());
    }
    EXPECT_EQ(HeldColumns(file), firstRead);
  }
}

TEST(CacheInfo, KeepsTheLastHeaderAndTheFirstDataLineOfAKeyAndRejectsBadLines) {
  ScratchFolder folder;
  const std::time_t today = March6th2026();
  const std::string path = CacheFilePath(folder.Path(), today, "B1");
  EXPECT_EQ(path, folder.File("03-06-26B1.cch"));
  // A basket ID holding a separator still names a file inside the cache folder.
  EXPECT_EQ(CacheFilePath(folder.Path(), today, "../B/1"), folder.File("03-06-26.._B_1.cch"));
  CCacheInfo info;
  CFileError error;
  WriteWholeFile(path, "HDR,k,A,B\r\nDATA,O1,\"first, one\"\r\n\r\nDATA,O1,second\r\nHDR,,C,D\n");
  ASSERT_EQ(ReadCacheFile(path, 2, 1, info, error), RecordFileResult::kOk);
  EXPECT_EQ(info.Header().m_values, (std::vector<std::string>{"C", "D"}));
  ASSERT_NE(info.FindData("O1"), nullptr);
  EXPECT_EQ(info.FindData("O1")->m_values, std::vector<std::string>{"first, one"});
  EXPECT_EQ(info.FindData("O2"), nullptr);

  for (const char* bad : {"HDR,,A", "HDR,,A,B,C", "DATA,O3", "DATA,O3,x,y", "DATA", "hdr,,A,B",
                          "TRAILER,x,y", "DATA,\"O1,x"}) {
    SCOPED_TRACE(bad);
    WriteWholeFile(path, std::string("HDR,,A,B\r\n") + bad + "\r\n");
    EXPECT_EQ(ReadCacheFile(path, 2, 1, info, error), RecordFileResult::kBadRecord);
  }
  // Yesterday's file is not found today.
  std::filesystem::rename(path, CacheFilePath(folder.Path(), today - 86400, "B1"));
  EXPECT_EQ(ReadCacheFile(path, 2, 1, info, error), RecordFileResult::kOpenFailed);
}

// One info reads basket after basket: a large file, its repeated keys found at their first
// line, then a small one that holds nothing of the large one.
TEST(CacheInfo, ReadAgainHoldsOnlyTheNewFile) {
  ScratchFolder folder;
  const std::string path = folder.File("b.cch");
  std::string large = "HDR,,A\r\n";
  for (int i = 0; i < 300; ++i) {
    large += "DATA,O" + std::to_string(i) + ",first" + std::to_string(i) + "\r\n";
  }
  for (int i = 0; i < 300; i += 7) {
    large += "DATA,O" + std::to_string(i) + ",again\r\n";
  }
  CCacheInfo info;
  CFileError error;
  WriteWholeFile(path, large);
  ASSERT_EQ(ReadCacheFile(path, 1, 1, info, error), RecordFileResult::kOk);
  EXPECT_EQ(info.Data().size(), 343u);
  for (int i = 0; i < 300; ++i) {
    const CCacheEntry* found = info.FindData("O" + std::to_string(i));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->m_values, std::vector<std::string>{"first" + std::to_string(i)});
  }
  EXPECT_EQ(info.FindData("O300"), nullptr);

  WriteWholeFile(path, "DATA,O1,small\r\n");
  ASSERT_EQ(ReadCacheFile(path, 1, 1, info, error), RecordFileResult::kOk);
  EXPECT_EQ(info.Data().size(), 1u);
  EXPECT_EQ(info.Header().m_values, std::vector<std::string>{});
  EXPECT_EQ(info.FindData("O2"), nullptr);
  ASSERT_NE(info.FindData("O1"), nullptr);
  EXPECT_EQ(info.FindData("O1")->m_values, std::vector<std::string>{"small"});
}

}  // namespace
}  // namespace trqx
