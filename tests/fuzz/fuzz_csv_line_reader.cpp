// Feeds the input to CsvLineReader in chunks of pseudo-random sizes and to
// CsvInPlaceSplitter whole, with a comma or a tab, and traps when the two disagree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/csv_line_reader.h"
#include "support/fuzz_target.h"

namespace {

struct Parsed {
  std::vector<trqx::TokenList> records;
  bool bad = false;
};

using trqx::fuzz::Check;

Parsed ReadInChunks(std::string_view input, char separator, std::uint32_t seed) {
  Parsed parsed;
  trqx::CsvLineReader reader(separator);
  while (!input.empty()) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t size = 1 + (seed >> 16) % 64;
    std::string_view chunk = input.substr(0, size);
    input.remove_prefix(chunk.size());
    while (!chunk.empty()) {
      std::size_t used = 0;
      const trqx::CsvStatus status = reader.Feed(chunk, used);
      Check(used <= chunk.size());
      chunk.remove_prefix(used);
      if (status == trqx::CsvStatus::kBadRecord) {
        parsed.bad = true;
        return parsed;
      }
      if (status == trqx::CsvStatus::kRecord) {
        parsed.records.push_back(reader.Tokens());
        reader.Reset();
      } else {
        Check(chunk.empty());
      }
    }
  }
  const trqx::CsvStatus last = reader.Finish();
  if (last == trqx::CsvStatus::kRecord) {
    parsed.records.push_back(reader.Tokens());
  }
  parsed.bad = last == trqx::CsvStatus::kBadRecord;
  return parsed;
}

Parsed SplitWhole(std::string buffer, char separator) {
  Parsed parsed;
  trqx::CsvInPlaceSplitter splitter(separator);
  parsed.bad = !splitter.Split(buffer, [&](const std::vector<trqx::CellRef>& cells) {
    trqx::TokenList tokens;
    for (const trqx::CellRef& cell : cells) {
      Check(std::size_t{cell.offset} + cell.length <= buffer.size());
      tokens.push_back(buffer.substr(cell.offset, cell.length));
    }
    parsed.records.push_back(std::move(tokens));
  });
  return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const char separator = (data[0] & 1) != 0 ? '\t' : ',';
  const std::uint32_t seed = data[1];
  const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
  const Parsed chunked = ReadInChunks(input, separator, seed);
  const Parsed whole = SplitWhole(input, separator);
  Check(chunked.bad == whole.bad);
  Check(chunked.records == whole.records);
  return 0;
}
