// Throughput of the record tokenizer on a desk file of about 100 MB: the line splitter
// (the desk-file path) and CsvLineReader in 500-byte chunks (the archive-file path).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "foundation/csv_line_reader.h"

namespace {

// Order rows as desks write them: CR LF line ends, some quoted cells with separators and
// doubled quotes inside.
const std::string& DeskFile() {
  static const std::string file = [] {
    constexpr std::size_t kTargetSize = 100u << 20;
    std::mt19937 random(1);
    std::uniform_int_distribution<int> quantity(1, 1000000);
    std::string text;
    text.reserve(kTargetSize + 256);
    while (text.size() < kTargetSize) {
      const int n = quantity(random);
      text += "IBM,B,";
      text += std::to_string(n);
      text += ",123.45,LMT,DAY,\"Growth, US\",NYSE,459200101,C,";
      text += std::to_string(n * 7);
      text += ",\"note \"\"";
      text += std::to_string(n % 97);
      text += "\"\"\",,JSMITH\r\n";
    }
    return text;
  }();
  return file;
}

void BM_LineSplitter(benchmark::State& state) {
  const std::string& source = DeskFile();
  std::string buffer;
  std::size_t cells = 0;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = source;
    state.ResumeTiming();
    trqx::CsvRecordSplitter splitter(',');
    char* line = buffer.data();
    char* const end = line + buffer.size();
    while (line != end) {
      char* lineFeed =
          static_cast<char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
      const bool terminated = lineFeed != nullptr;
      if (!terminated) {
        lineFeed = end;
      }
      if (splitter.Split(line, lineFeed, terminated) == trqx::CsvLineStatus::kRecord) {
        cells += splitter.Cells().size();
      }
      line = terminated ? lineFeed + 1 : end;
    }
  }
  benchmark::DoNotOptimize(cells);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_LineSplitter)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CsvLineReaderChunked(benchmark::State& state) {
  const std::string& source = DeskFile();
  std::size_t tokens = 0;
  for (auto _ : state) {
    trqx::CsvLineReader reader(',');
    std::string_view rest = source;
    while (!rest.empty()) {
      std::string_view chunk = rest.substr(0, 500);
      rest.remove_prefix(chunk.size());
      while (!chunk.empty()) {
        std::size_t used = 0;
        if (reader.Feed(chunk, used) == trqx::CsvStatus::kRecord) {
          tokens += reader.Tokens().size();
          reader.Reset();
        }
        chunk.remove_prefix(used);
      }
    }
    benchmark::DoNotOptimize(reader.Finish());
  }
  benchmark::DoNotOptimize(tokens);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_CsvLineReaderChunked)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
