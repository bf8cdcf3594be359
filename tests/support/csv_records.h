#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

#include "foundation/csv_line_reader.h"

namespace trqx {

// Every record of an input, and whether reading ended at a bad record.
struct CsvRecords {
  std::vector<TokenList> records;
  bool bad = false;
  bool operator==(const CsvRecords&) const = default;
};

// The records of input fed to CsvLineReader in chunks of the given sizes, cycled (0: the rest
// at once).
inline CsvRecords ReadCsvRecords(std::string_view input, char separator = ',',
                                 std::vector<std::size_t> sizes = {0}) {
  CsvRecords parsed;
  CsvLineReader reader(separator);
  for (std::size_t next = 0; !input.empty(); ++next) {
    const std::size_t size = sizes[next % sizes.size()];
    std::string_view chunk = input.substr(0, size == 0 ? input.size() : size);
    input.remove_prefix(chunk.size());
    for (std::size_t used = 0; !chunk.empty(); chunk.remove_prefix(std::min(used, chunk.size()))) {
      const CsvStatus status = reader.Feed(chunk, used);
      if (status == CsvStatus::kBadRecord) {
        return {parsed.records, true};
      }
      if (status == CsvStatus::kRecord) {
        parsed.records.push_back(reader.Tokens());
        reader.Reset();
      }
    }
  }
  const CsvStatus end = reader.Finish();
  if (end == CsvStatus::kRecord) {
    parsed.records.push_back(reader.Tokens());
  }
  return {parsed.records, end == CsvStatus::kBadRecord};
}

}  // namespace trqx
