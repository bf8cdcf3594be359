#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/fields.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
#include "upload/grid_mapping.h"
#include "upload/mapping.h"

namespace trqx::bench {

constexpr std::size_t kRows = 1000000;

// The 20 upload fields both benchmarks map: 4 header fields, 16 data fields.
inline const FieldFormatRegistry& BenchFields() {
  static const FieldFormatRegistry format = FieldsOf({
      {"UUID", 10, kTypeHdrUuid},
      {"BASKETID", 20, kTypeHdrBasketId},
      {"DELIM", 1, kTypeHdrDelimiter},
      {"ACCOUNT", 10, kTypeHdr},
      {"Ticker", 12, kTypeData},
      {"SIDE", 2, kTypeDataSide},
      {"QTY", 15, kTypeDataAmount},
      {"LIMIT", 10, kTypeDataLimit},
      {"ORDTYPE", 3, kTypeDataOrderType},
      {"TIF", 3, kTypeDataTif},
      {"EXCH", 4, kTypeDataExchange},
      {"CUSIP", 9, kTypeDataCusip},
      {"CSI", 1, kTypeDataCsi},
      {"ORDERID", 16, kTypeDataOrderId},
      {"REASON", 20, kTypeDataReason},
      {"EXECQTY", 15, kTypeExecQuantity},
      {"EXECPRICE", 10, kTypeExecPrice},
      {"EXECTIME", 4, kTypeExecAsOfTime},
      {"DESK", 10, kTypeData},
      {"ACCTCODE", 6, kTypeData},
  });
  return format;
}

inline CTranslation Translation(const char* input, const char* output) {
  CTranslation translation;
  translation.m_input = input;
  translation.m_output = output;
  return translation;
}

// What both mappings set alike: the header constants, translations, x1000, the Side
// translation, automatic MKT/LMT, the CUSIP checksum, a Default and a constant; the
// sources of the other fields are each mapping's own.
template <class FieldMapT>
void SetSharedOptions(std::vector<FieldMapT>& f) {
  f[0].m_constant = "12345";
  f[1].m_constant = "B";
  f[2].m_constant = ",";
  f[4].m_mkUpper = true;
  f[4].m_translations = {Translation("ibm", "IBM US"), Translation("aapl", "AAPL US"),
                         Translation("vod.l", "VOD LN")};
  f[5].m_translate = true;
  f[6].m_x1000 = true;
  f[6].m_numeric = true;
  f[8].m_mapType = kMapAutoOrderType;
  f[10].m_translate = true;
  f[10].m_translations = {Translation("NYSE", "N"), Translation("NASD", "Q")};
  f[11].m_missingChecksum = true;
  f[14].m_default = "NONE";
  f[15].m_abs = true;
  f[15].m_x1000 = true;
  f[19].m_constant = "ACC1";
}

// Writes a comma-separated desk file of a title row and rows - 1 data rows by 12 columns
// (about 100 bytes a row) row by row through a small buffer, so the generator itself adds
// nothing to the peak memory. False when it could not be written whole.
inline bool WriteGridDeskFile(const std::string& path, std::size_t rows = kRows) {
  static const char* const kTickers[] = {"ibm", "msft.o", "brk.b", "aapl", "vod.l"};
  static const char* const kLimits[] = {"12.50", "0.00", "", "101.25"};
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  char row[256];
  bool written = std::fputs(
                     "Ticker,Side,Qty,Limit,Exchange,Cusip,CodeType,OrderId,Reason,ExecQty,"
                     "ExecPrice,ExecTime\r\n",
                     file) >= 0;
  for (std::size_t r = 1; r < rows && written; ++r) {
    const int length = std::snprintf(
        row, sizeof row,
        "%s,%d,\"%zu,%03zu.5\",%s,%s,%08zu,%s,ORD-%010zu,customer note %zu,-%zu.25,%zu.2500,"
        "%zu:%02zu\r\n",
        kTickers[r % 5], r % 3 == 0 ? -100 : 100, r % 900 + 1, r % 1000, kLimits[r % 4],
        r % 2 ? "NYSE" : "-1", r % 100000000, r % 3 ? "C" : "S", r, r % 1000, r % 5000, r % 300,
        r % 24, r % 60);
    written = std::fwrite(row, 1, static_cast<std::size_t>(length), file) ==
              static_cast<std::size_t>(length);
  }
  return std::fclose(file) == 0 && written;
}

// The grid mapping of WriteGridDeskFile's columns (".CSV" files by the comma format's
// extension): columns, cells, constants, translations, x1000, Side translation, automatic
// MKT/LMT.
inline CGridMapping MakeGridMapping(const FieldFormatRegistry& format = BenchFields()) {
  CGridMapping mapping(kFormatComma, true, format.UploadFields());
  mapping.m_startRow = 1;
  auto& f = mapping.m_fields;
  SetSharedOptions(f);
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

// The folder for the desk, upload and cache files, removed at exit.
inline const ScratchFolder& Folder() {
  static const ScratchFolder folder;
  if (folder.Path().empty()) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return folder;
}

inline long PeakResidentKiB() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The limit of a conversion: reading the desk file with plain reads of 1 MiB, in seconds
// (the best of three); 0 when it cannot be read.
inline double PlainReadSeconds(const std::string& path) {
  std::vector<char> buffer(std::size_t{1} << 20);
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
      return 0;
    }
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = run == 0 ? seconds : std::min(best, seconds);
  }
  return best;
}

// Writes the desk file deskName of Folder() with writeDesk on the first run, then converts it
// once per iteration; reports desk bytes per second, records, the best conversion against its
// limit measured in the same run (a plain read of the desk file), and the peak resident memory
// of the process against the desk file's size.
inline void RunConversionBenchmark(benchmark::State& state, CMapping& mapping, const char* deskName,
                                   void (*writeDesk)(const std::string& path)) {
  const std::string deskPath = Folder().File(deskName);
  if (!std::filesystem::exists(deskPath)) {
    writeDesk(deskPath);
  }
  ConvertRequest request = ScratchRequest(Folder(), BenchFields());
  request.m_deskPath = deskPath;
  request.m_loginBlock = PortfolioLoginBlock{"LOGIN", "SN", "WS", "UPLOAD"};
  request.m_autoIncrement = true;
  const auto deskSize = static_cast<double>(std::filesystem::file_size(deskPath));
  std::size_t records = 0;
  double bestSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::string basketId = "1";
    const ConvertResult result = mapping.Convert(request, basketId);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.m_ok) {
      state.SkipWithError("conversion failed");
      return;
    }
    records = result.m_recordsWritten;
    bestSeconds = bestSeconds == 0 ? seconds : std::min(bestSeconds, seconds);
  }
  const double limitSeconds = PlainReadSeconds(deskPath);
  state.counters["best_ms"] = bestSeconds * 1000;
  state.counters["best_MB_per_s"] = deskSize / 1e6 / bestSeconds;
  state.counters["limit_ms"] = limitSeconds * 1000;
  state.counters["ratio_to_limit"] = limitSeconds > 0 ? bestSeconds / limitSeconds : 0;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * deskSize));
  state.counters["records"] = static_cast<double>(records);
  state.counters["desk_MB"] = deskSize / 1e6;
  state.counters["peak_rss_MB"] = static_cast<double>(PeakResidentKiB()) * 1024 / 1e6;
  state.counters["rss_per_desk"] = static_cast<double>(PeakResidentKiB()) * 1024 / deskSize;
}

}  // namespace trqx::bench
