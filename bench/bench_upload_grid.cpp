// Converts a comma-separated desk file of 1,000,000 rows by 12 columns (about 100 MB) with
// a 20-field grid mapping (columns, cells, constants, translations, x1000, Side
// translation, automatic MKT/LMT). Reports desk MB/s and peak resident memory.
#include <benchmark/benchmark.h>

#include <string>

#include "upload_bench_setup.h"

namespace {

using namespace trqx;

void BM_GridConversion(benchmark::State& state) {
  static CGridMapping mapping = bench::MakeGridMapping();
  bench::RunConversionBenchmark(state, mapping, "desk.csv",
                                [](const std::string& path) { bench::WriteGridDeskFile(path); });
}
BENCHMARK(BM_GridConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

}  // namespace

BENCHMARK_MAIN();
