#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/field_format.h"

namespace trqx::fuzz {

inline void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// The field format of the upload fuzz targets: one field of every upload type, a ticker,
// and one download field that must stay out of the upload list.
inline const FieldFormatRegistry& UploadFuzzFields() {
  struct FieldDef {
    const char* name;
    int width;
    int type;
    int category;
  };
  static constexpr FieldDef kFieldDefs[] = {
      {"HDRFIX", 4, kTypeHdrFixed, 0},
      {"UUID", 10, kTypeHdrUuid, 0},
      {"BASKETID", 6, kTypeHdrBasketId, 0},
      {"DELIM", 2, kTypeHdrDelimiter, 0},
      {"NAME", 3, kTypeHdr, 0},
      {"TRADER", 10, kTypeHdrCacheable, 2},
      {"Ticker", 12, kTypeData, 0},
      {"SIDE", 4, kTypeDataSide, 0},
      {"QTY", 40, kTypeDataAmount, 0},
      {"FILLED", 8, 20, 1},
      {"LIMIT", 10, kTypeDataLimit, 0},
      {"EXCH", 4, kTypeDataExchange, 0},
      {"ORDTYPE", 3, kTypeDataOrderType, 0},
      {"CUSIP", 9, kTypeDataCusip, 0},
      {"NOTE", 20, kTypeDataCacheable, 2},
      {"ORDERID", 10, kTypeDataOrderId, 0},
      {"CSI", 1, kTypeDataCsi, 0},
      {"TIF", 3, kTypeDataTif, 0},
      {"REASON", 8, kTypeDataReason, 0},
      {"EXECQTY", 2000, kTypeExecQuantity, 0},
      {"EXECPRICE", 10, kTypeExecPrice, 0},
      {"EXECTIME", 4, kTypeExecAsOfTime, 0},
      {"YELLOW", 2, kTypeExecYellowKey, 0},
  };
  static const FieldFormatRegistry format = [] {
    FieldFormatRegistry made;
    for (const FieldDef& def : kFieldDefs) {
      OstraneField field;
      field.m_name = def.name;
      field.m_width = def.width;
      field.m_type = def.type;
      field.m_category = def.category;
      made.Add(field);
    }
    return made;
  }();
  return format;
}

// A folder of this process's own for the files of one run, removed at exit.
inline const std::string& FuzzFolder() {
  // Never destroyed, so the exit handler can still read it.
  static const std::string* const folder = [] {
    std::string pattern = "/tmp/trqx-fuzz-XXXXXX";
    Check(::mkdtemp(pattern.data()) != nullptr);
    return new std::string(pattern);
  }();
  static const bool removeAtExit = [] {
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*folder, ignored);
    });
    return true;
  }();
  (void)removeAtExit;
  return *folder;
}

inline void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr);
  Check(size == 0 || std::fwrite(data, 1, size, file) == size);
  std::fclose(file);
}

inline std::string ReadFile(const std::string& path) {
  std::string content;
  FILE* file = std::fopen(path.c_str(), "rb");
  Check(file != nullptr);
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    content.append(chunk, got);
  }
  std::fclose(file);
  return content;
}

}  // namespace trqx::fuzz
