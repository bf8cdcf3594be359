#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/fields.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
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

// Writes the desk file deskName of Folder() with writeDesk on the first run, then converts it
// once per iteration; reports desk bytes per second, records, and the peak resident memory
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
  for (auto _ : state) {
    std::string basketId = "1";
    const ConvertResult result = mapping.Convert(request, basketId);
    if (!result.m_ok) {
      state.SkipWithError("conversion failed");
      return;
    }
    records = result.m_recordsWritten;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * deskSize));
  state.counters["records"] = static_cast<double>(records);
  state.counters["desk_MB"] = deskSize / 1e6;
  state.counters["peak_rss_MB"] = static_cast<double>(PeakResidentKiB()) * 1024 / 1e6;
  state.counters["rss_per_desk"] = static_cast<double>(PeakResidentKiB()) * 1024 / deskSize;
}

}  // namespace trqx::bench
