// Feeds the input to CsvLineReader in chunks of pseudo-random sizes and to
// CsvRecordSplitter line by line, with a comma or a tab, and traps when the two disagree.
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

Parsed SplitLines(std::string buffer, char separator) {
  Parsed parsed;
  trqx::CsvRecordSplitter splitter(separator);
  for (std::size_t begin = 0; begin < buffer.size();) {
    const std::size_t lineFeed = buffer.find('\n', begin);
    const bool terminated = lineFeed != std::string::npos;
    const std::size_t end = terminated ? lineFeed : buffer.size();
    const trqx::CsvLineStatus status =
        splitter.Split(buffer.data() + begin, buffer.data() + end, terminated);
    if (status == trqx::CsvLineStatus::kBadRecord) {
      parsed.bad = true;
      return parsed;
    }
    if (status == trqx::CsvLineStatus::kRecord) {
      trqx::TokenList tokens;
      for (const std::string_view cell : splitter.Cells()) {
        Check(cell.empty() || (cell.data() >= buffer.data() + begin &&
                               cell.data() + cell.size() <= buffer.data() + end));
        tokens.emplace_back(cell);
      }
      parsed.records.push_back(std::move(tokens));
    }
    begin = end + 1;
  }
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
  const Parsed whole = SplitLines(input, separator);
  Check(chunked.bad == whole.bad);
  Check(chunked.records == whole.records);
  return 0;
}
