// Converts a fixed-field desk file of 1,000,000 lines with 12 fields (about 100 MB) with a
// 20-field fixed mapping (line positions, file positions, constants, translations, x1000,
// Side translation, automatic MKT/LMT). Reports desk MB/s and peak resident memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "upload/fixed_mapping.h"
#include "upload_bench_setup.h"

namespace {

using namespace trqx;

void WriteDeskFile(const std::string& path) {
  static const char* const kTickers[] = {"ibm", "msft.o", "brk.b", "aapl", "vod.l"};
  static const char* const kLimits[] = {"12.50", "0.00", "", "101.25"};
  FILE* file = std::fopen(path.c_str(), "wb");
  char line[256];
  std::fputs("ACCOUNT GROWTH-US   fixed-field orders\r\n", file);
  for (std::size_t r = 1; r < bench::kRows; ++r) {
    char quantity[32];
    std::snprintf(quantity, sizeof quantity, "%zu,%03zu.5", r % 900 + 1, r % 1000);
    char time[16];
    std::snprintf(time, sizeof time, "%zu:%02zu", r % 24, r % 60);
    const int length = std::snprintf(
        line, sizeof line, "%-8s%5d%-12s%-8s%-5s%09zu%s%-16s%-16s%10s%8s%-5s\r\n", kTickers[r % 5],
        r % 3 == 0 ? -100 : 100, quantity, kLimits[r % 4], r % 2 ? "NYSE" : "-1", r % 100000000,
        r % 3 ? "C" : "S", ("ORD-" + std::to_string(r)).c_str(),
        ("customer " + std::to_string(r % 1000)).c_str(),
        ("-" + std::to_string(r % 5000) + ".25").c_str(), (std::to_string(r % 300) + ".25").c_str(),
        time);
    std::fwrite(line, 1, static_cast<std::size_t>(length), file);
  }
  std::fclose(file);
}

CFixedMapping MakeMapping() {
  CFixedMapping mapping(true, bench::BenchFields().UploadFields());
  mapping.m_startLine = 1;
  auto& f = mapping.m_fields;
  bench::SetSharedOptions(f);
  f[3].m_mapType = kMapCell;  // ACCOUNT: a file position of the title line
  f[3].m_lineOffset = 8;
  f[3].m_length = 10;
  // Data fields by line position: field, offset, length.
  const std::tuple<int, int, int> positions[] = {
      {4, 0, 8},   {5, 8, 5},    {6, 13, 12},  {7, 25, 8},   {10, 33, 5}, {11, 38, 9},
      {12, 47, 1}, {13, 48, 16}, {14, 64, 16}, {15, 80, 10}, {16, 90, 8}, {17, 98, 5}};
  for (const auto& [field, offset, length] : positions) {
    f[field].m_mapType = kMapColumn;
    f[field].m_fixedLineOffset = offset;
    f[field].m_length = length;
  }
  f[18].m_mapType = kMapCell;  // DESK: a file position of the first order line
  f[18].m_line = 1;
  f[18].m_lineOffset = 64;
  f[18].m_length = 16;
  return mapping;
}

void BM_FixedConversion(benchmark::State& state) {
  static CFixedMapping mapping = MakeMapping();
  bench::RunConversionBenchmark(state, mapping, "desk.dat", WriteDeskFile);
}
BENCHMARK(BM_FixedConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

}  // namespace

BENCHMARK_MAIN();
