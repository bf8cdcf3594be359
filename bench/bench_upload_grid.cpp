// Converts a comma-separated desk file of 1,000,000 rows by 12 columns (about 100 MB) with
// a 20-field grid mapping (columns, cells, constants, translations, x1000, Side
// translation, automatic MKT/LMT). Reports desk MB/s and peak resident memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>

#include "upload/grid_mapping.h"
#include "upload_bench_setup.h"

namespace {

using namespace trqx;

// Writes the desk file row by row through a small buffer, so the generator itself adds
// nothing to the peak memory.
void WriteDeskFile(const std::string& path) {
  static const char* const kTickers[] = {"ibm", "msft.o", "brk.b", "aapl", "vod.l"};
  static const char* const kLimits[] = {"12.50", "0.00", "", "101.25"};
  FILE* file = std::fopen(path.c_str(), "wb");
  char row[256];
  std::fputs(
      "Ticker,Side,Qty,Limit,Exchange,Cusip,CodeType,OrderId,Reason,ExecQty,"
      "ExecPrice,ExecTime\r\n",
      file);
  for (std::size_t r = 1; r < bench::kRows; ++r) {
    const int length = std::snprintf(
        row, sizeof row,
        "%s,%d,\"%zu,%03zu.5\",%s,%s,%08zu,%s,ORD-%010zu,customer note %zu,-%zu.25,%zu.2500,"
        "%zu:%02zu\r\n",
        kTickers[r % 5], r % 3 == 0 ? -100 : 100, r % 900 + 1, r % 1000, kLimits[r % 4],
        r % 2 ? "NYSE" : "-1", r % 100000000, r % 3 ? "C" : "S", r, r % 1000, r % 5000, r % 300,
        r % 24, r % 60);
    std::fwrite(row, 1, static_cast<std::size_t>(length), file);
  }
  std::fclose(file);
}

CGridMapping MakeMapping() {
  CGridMapping mapping(kFormatComma, true, bench::BenchFields().UploadFields());
  mapping.m_startRow = 1;
  auto& f = mapping.m_fields;
  bench::SetSharedOptions(f);
  f[3].m_mapType = kMapCell;  // ACCOUNT: a title cell
  f[3].m_tableRow = 0;
  f[3].m_tableCol = 11;
  // Data fields by desk column: Ticker, SIDE, QTY, LIMIT, EXCH, CUSIP, CSI, ORDERID,
  // REASON, EXECQTY, EXECPRICE, EXECTIME.
  const std::pair<int, int> columns[] = {{4, 0},  {5, 1},  {6, 2},  {7, 3},  {10, 4},  {11, 5},
                                         {12, 6}, {13, 7}, {14, 8}, {15, 9}, {16, 10}, {17, 11}};
  for (const auto& [field, column] : columns) {
    f[field].m_mapType = kMapColumn;
    f[field].m_fixedCol = column;
  }
  f[18].m_mapType = kMapCell;  // DESK: a cell of the first data row
  f[18].m_tableRow = 1;
  f[18].m_tableCol = 8;
  return mapping;
}

void BM_GridConversion(benchmark::State& state) {
  static CGridMapping mapping = MakeMapping();
  bench::RunConversionBenchmark(state, mapping, "desk.csv", WriteDeskFile);
}
BENCHMARK(BM_GridConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

}  // namespace

BENCHMARK_MAIN();
