// Feeds the input to the order-file reader in pieces whose size the first byte chooses, and
// checks its indexed grouping, each record's held columns read back, against a plain search
// over the groups of the same records read in one piece.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "download/order_file.h"
#include "download/record_reader.h"
#include "support/fields.h"
#include "support/fuzz_target.h"

namespace {

using trqx::fuzz::Check;

// A Type 27 field and a cache field, neither with a column, before the Basket ID in column 2.
const std::vector<trqx::OstraneField> kFields = trqx::Fields({
    {.type = 15, .category = trqx::kCategoryDownload},
    {.type = 27, .category = trqx::kCategoryDownload},
    {.type = 13, .category = trqx::kCategoryDownload},
    {.type = 17, .category = trqx::kCategoryDownload},
    {.type = 25, .category = trqx::kCategoryDownload},
    {.type = 26, .category = trqx::kCategoryDownload},
});
constexpr std::size_t kBasketColumn = 2;
constexpr std::size_t kColumnCount = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  trqx::COrderFile file(kFields);
  Check(file.Columns().m_basketId == kBasketColumn && file.Columns().m_orderRefId == 3);
  Check(file.Columns().m_columnCount == kColumnCount);
  bool good = true;
  for (std::size_t at = 0; good && at < input.size(); at += piece) {
    good = file.Feed(input.substr(at, piece));
  }
  good = good && file.Finish();

  std::size_t records = 0;
  std::vector<std::vector<trqx::TokenList>> expected;
  trqx::RecordSplitter splitter(',', [&](trqx::TokenList& record) {
    ++records;
    if (record.empty()) {
      return;
    }
    // The file holds the list's columns only, each record's padded with empty ones.
    trqx::TokenList columns;
    for (std::size_t column = 0; column < kColumnCount; ++column) {
      columns.emplace_back(trqx::ColumnValue(record, column));
    }
    for (auto& group : expected) {
      if (group.front()[kBasketColumn] == columns[kBasketColumn]) {
        group.push_back(columns);
        return;
      }
    }
    expected.push_back({columns});
  });
  const bool oneGood = splitter.Feed(input) == trqx::RecordSplitter::Status::kMore &&
                       splitter.Finish() == trqx::RecordSplitter::Status::kMore;

  Check(good == oneGood);
  Check(records == file.RecordCount());
  // Read back from the store, the records must give what one reading gave.
  std::vector<std::vector<trqx::TokenList>> grouped;
  std::vector<trqx::OrderRecord> held;
  std::vector<std::string_view> values;
  for (const trqx::BasketGroup& group : file.Groups()) {
    grouped.emplace_back();
    file.Records(group, held);
    Check(held.size() == group.m_count);
    for (const trqx::OrderRecord& record : held) {
      file.Split(group, record, values);
      grouped.back().emplace_back(values.begin(), values.end());
      Check(values[kBasketColumn] == file.GetBasketID(group));
      Check(file.GetOrderRefID(group, record).size() <= input.size());
    }
  }
  Check(grouped == expected);
  return 0;
}
