#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/field_format.h"
#include "upload/mapping.h"

namespace trqx::bench {

constexpr std::size_t kRows = 1000000;

// The 20 upload fields both benchmarks map: 4 header fields, 16 data fields.
inline const FieldFormatRegistry& BenchFields() {
  struct FieldDef {
    const char* name;
    int width;
    int type;
  };
  static constexpr FieldDef kFieldDefs[] = {
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
  };
  static const FieldFormatRegistry format = [] {
    FieldFormatRegistry made;
    for (const FieldDef& def : kFieldDefs) {
      OstraneField field;
      field.m_name = def.name;
      field.m_width = def.width;
      field.m_type = def.type;
      field.m_category = kCategoryUpload;
      made.Add(field);
    }
    return made;
  }();
  return format;
}

inline CTranslation Translation(const char* input, const char* output) {
  CTranslation translation;
  translation.m_input = input;
  translation.m_output = output;
  return translation;
}

// A folder for the desk, upload and cache files, removed at exit.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trqx-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    m_path = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::string File(const char* name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline long PeakResidentKiB() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Converts the desk file once per iteration; reports desk bytes per second, records, and
// the peak resident memory of the process against the desk file's size.
inline void RunConversionBenchmark(benchmark::State& state, CMapping& mapping,
                                   const std::string& deskPath, const BenchFolder& folder) {
  ConvertRequest request;
  request.m_deskPath = deskPath;
  request.m_uploadFields = &BenchFields().UploadFields();
  request.m_uploadPath = folder.File("TRQX000.inc");
  request.m_cacheDir = folder.File("");
  request.m_uuidText = "12345";
  request.m_terminalUserUuid = "12345";
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
