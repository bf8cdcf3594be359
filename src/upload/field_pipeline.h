#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/cache_file.h"
#include "upload/field_map.h"
#include "upload/mapping.h"
#include "upload/upload_writer.h"

namespace trqx {

// What the field pipeline carries from field to field and row to row in one conversion.
struct ConversionState {
  static constexpr std::size_t kNoTicker = static_cast<std::size_t>(-1);

  std::string m_delimiter;                   // separates the values of a record ("" when none)
  std::size_t m_tickerPosition = kNoTicker;  // first "Ticker" of the upload field list
  bool m_convertDots = false;
  std::string m_lastCodeType;    // the value most recently produced for a Type 28 field
  CCacheDataLines m_cacheLines;  // the cache file's "DATA" records of the accepted rows
};

// One row being turned into one record.
struct RowState {
  std::string m_record;
  bool m_firstValue = true;
  bool m_hasColumnField = false;
  bool m_rejected = false;
  std::string m_cacheKey;
  std::vector<std::string> m_cacheValues;

  void Reset();
};

// The data field types (the others are header, download or ignored types).
bool IsDataType(int type);

// The value of an automatic Order Type field: "MKT" when there is no Limit value (nullopt),
// when it trims to empty or when its number is 0; "LMT" otherwise.
std::string_view AutoOrderType(std::optional<std::string_view> limitRaw);

// Turns a raw value (taken by mapType) into the field's output and places it: ticker dots,
// trim, the column checks (mapType 2), Exec As of Time and Yellow Key, translations, upper
// case and Default (only its first defaultLength characters), Side/Exchange and Amount
// options, CUSIP filler, Width, then PlaceFieldValue. Raw values of mapType 2 must already
// have set row.m_hasColumnField.
void RunFieldPipeline(const FieldMap& field, std::size_t position, int mapType, std::string& value,
                      std::size_t defaultLength, ConversionState& state, RowState& row);

// The last steps alone: remembers a code type, sends a Type 13 value to the cache record,
// or removes the delimiter from the value and appends it to the record; a Type 27 value
// becomes the cache key.
void PlaceFieldValue(const FieldMap& field, std::string& value, ConversionState& state,
                     RowState& row);

// The end of a row. kStop: the mapping has no column-mapped data field, nothing is written
// and the conversion's rows end. Otherwise an accepted row's record goes to out (with a line
// feed) and its cache record, when it holds values, to state's cache lines.
enum class RowEnd { kWritten, kRejected, kStop };
RowEnd FinishRow(RowState& row, CUploadWriter& out, ConversionState& state, ConvertResult& result);

}  // namespace trqx
