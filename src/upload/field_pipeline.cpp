#include "upload/field_pipeline.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/text.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

// Every double's exact decimal expansion ends within this many fractional digits; beyond
// them "%.*f" writes zeros only.
constexpr int kMaxSignificantFraction = 1100;

struct SecurityType {
  std::string_view word;
  std::string_view number;
};

constexpr std::array<SecurityType, 11> kSecurityTypes = {{
    {"CMDT", "1"},
    {"EQTY", "2"},
    {"MUNI", "3"},
    {"PRFD", "4"},
    {"CLNT", "5"},
    {"MMKT", "6"},
    {"GOVT", "7"},
    {"CORP", "8"},
    {"INDX", "9"},
    {"CURR", "10"},
    {"MTGE", "11"},
}};

// "9:30" -> "930", "09:30" -> "0930"; a colon elsewhere (or none) leaves the value alone.
void DropTimeColon(std::string& value) {
  const std::size_t colon = value.find(':');
  if (colon == 1 || colon == 2) {
    std::string joined = value.substr(0, colon);
    joined += std::string_view(value).substr(colon + 1, 2);
    value = std::move(joined);
  }
}

void SecurityTypeNumber(std::string& value) {
  std::string upper = value;
  UpperCaseInPlace(upper);
  for (const SecurityType& type : kSecurityTypes) {
    if (upper == type.word) {
      value = type.number;
      return;
    }
  }
}

// A numeric Side or Exchange value: negative "S", zero "", positive "B".
void BuySellFromNumber(std::string& value) {
  if (!IsNumericText(value)) {
    return;
  }
  const int number = ParseInt(value);
  if (number == 0) {
    value.clear();
  } else {
    value.assign(1, number < 0 ? 'S' : 'B');
  }
}

void DropLeadingSign(std::string& value) {
  const std::size_t first = value.size() - TrimLeftIf(value, IsBlank).size();
  if (first < value.size() && (value[first] == '-' || value[first] == '+')) {
    value[first] = ' ';
  }
  value.resize(TrimRightBlanks(value).size());
}

// A plain decimal times 1000 with as many decimals as it had, in exact arithmetic. For up to
// twelve digits this is the text "%.*f" writes for the double product: the double is off by
// less than half of the last decimal written.
void WriteTimesThousand(const PlainDecimal& number, std::string& value) {
  // Digits from the last: the fraction, the dot, the integer part (at least one digit).
  std::array<char, 2 * PlainDecimal::kMaxDigits + 8> text;
  char* first = text.data() + text.size();
  std::uint64_t scaled = number.digits * 1000;
  for (std::size_t i = 0; i < number.fractionDigits; ++i, scaled /= 10) {
    *--first = static_cast<char>('0' + scaled % 10);
  }
  if (number.fractionDigits > 0) {
    *--first = '.';
  }
  do {
    *--first = static_cast<char>('0' + scaled % 10);
    scaled /= 10;
  } while (scaled > 0);
  if (number.negative) {
    *--first = '-';
  }
  value.assign(first, text.data() + text.size());
}

// Thousands commas out, then the number times 1000 with as many decimals as the value had.
void TimesThousand(std::string& value) {
  std::erase(value, ',');
  if (value.empty()) {
    return;
  }
  if (const std::optional<PlainDecimal> plain = ReadPlainDecimal(value)) {
    WriteTimesThousand(*plain, value);
    return;
  }
  const std::size_t dot = value.rfind('.');
  const std::size_t decimals = dot == std::string::npos ? 0 : value.size() - dot - 1;
  const double number = LeadingNumber(value) * 1000.0;
  const int precision = static_cast<int>(std::min<std::size_t>(decimals, kMaxSignificantFraction));
  std::array<char, 1500> text;
  const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), number,
                                       std::chars_format::fixed, precision);
  value.assign(text.data(), ec == std::errc() ? end : text.data());
  if (std::isfinite(number) && decimals > static_cast<std::size_t>(precision)) {
    value.append(decimals - static_cast<std::size_t>(precision), '0');
  }
}

// Deletes the first character of the first occurrence of the delimiter until none is left.
// Works left to right: out never holds an occurrence, and after a deletion the delimiter's
// remaining characters are looked at again, so the result is the same as the repeated search.
void RemoveDelimiter(std::string& value, std::string_view delimiter) {
  if (delimiter.empty() || value.size() < delimiter.size()) {
    return;
  }
  if (delimiter.size() == 1) {
    // Values are short: a plain scan beats a library call per value.
    if (std::find(value.begin(), value.end(), delimiter.front()) != value.end()) {
      std::erase(value, delimiter.front());
    }
    return;
  }
  std::string out;
  out.reserve(value.size());
  std::size_t next = 0;
  std::string pending;  // characters given back to the input, read before value[next]
  while (next < value.size() || !pending.empty()) {
    if (!pending.empty()) {
      out += pending.front();
      pending.erase(0, 1);
    } else {
      out += value[next++];
    }
    if (out.size() >= delimiter.size() &&
        std::string_view(out).substr(out.size() - delimiter.size()) == delimiter) {
      const std::size_t start = out.size() - delimiter.size();
      pending.insert(0, out, start + 1, std::string::npos);
      out.resize(start);
    }
  }
  value = std::move(out);
}

}  // namespace

void RowState::Reset() {
  m_record.clear();
  m_firstValue = true;
  m_hasColumnField = false;
  m_rejected = false;
  m_cacheKey.clear();
  m_cacheValues.clear();
}

bool IsDataType(int type) {
  switch (type) {
    case kTypeData:
    case kTypeDataSide:
    case kTypeDataAmount:
    case kTypeDataLimit:
    case kTypeDataExchange:
    case kTypeDataOrderType:
    case kTypeDataCusip:
    case kTypeDataCacheable:
    case kTypeDataOrderId:
    case kTypeDataCsi:
    case kTypeDataTif:
    case kTypeDataReason:
    case kTypeExecQuantity:
    case kTypeExecPrice:
    case kTypeExecAsOfTime:
    case kTypeExecYellowKey:
      return true;
    default:
      return false;
  }
}

std::string_view AutoOrderType(std::optional<std::string_view> limitRaw) {
  if (!limitRaw) {
    return "MKT";
  }
  const std::string_view limit = TrimBlanks(*limitRaw);
  return limit.empty() || LeadingNumber(limit) == 0.0 ? "MKT" : "LMT";
}

void RunFieldPipeline(const FieldMap& field, std::size_t position, int mapType, std::string& value,
                      std::size_t defaultLength, ConversionState& state, RowState& row) {
  const int type = field.m_field.m_type;
  const bool fromSource = mapType == kMapCell || mapType == kMapColumn;
  if (position == state.m_tickerPosition && state.m_convertDots) {
    std::replace(value.begin(), value.end(), '.', '/');
  }
  TrimBlanksInPlace(value);
  if (mapType == kMapColumn) {
    if (field.m_notBlank && value.empty()) {
      row.m_rejected = true;
    } else if (field.m_numeric && !IsNumericText(value)) {
      row.m_rejected = true;
    }
  }
  if (fromSource) {
    if (type == kTypeExecAsOfTime) {
      DropTimeColon(value);
    } else if (type == kTypeExecYellowKey) {
      SecurityTypeNumber(value);
    }
  }
  bool translated = false;
  if (fromSource) {
    for (const CTranslation& translation : field.m_translations) {
      if (translation.m_input == value) {
        value = translation.m_output;
        translated = true;
        break;
      }
    }
  }
  if (!translated) {
    if (fromSource) {
      if (field.m_mkUpper) {
        UpperCaseInPlace(value);
      }
      if (value.empty()) {
        value.assign(field.m_default, 0, defaultLength);
      }
    }
    if ((type == kTypeDataSide || type == kTypeDataExchange) && field.m_translate) {
      BuySellFromNumber(value);
    } else if (type == kTypeDataAmount || type == kTypeExecQuantity) {
      if (field.m_abs) {
        DropLeadingSign(value);
      }
      if (field.m_x1000) {
        TimesThousand(value);
      }
    }
  }
  if (type == kTypeDataCusip && field.m_missingChecksum &&
      (state.m_lastCodeType == "C" || state.m_lastCodeType == "S")) {
    TrimBlanksInPlace(value);
    if (value.size() < 9) {
      value += '1';
    }
  }
  CutToWidth(value, field.m_field.m_width, field.m_justify);
  PlaceFieldValue(field, value, state, row);
}

void PlaceFieldValue(const FieldMap& field, std::string& value, ConversionState& state,
                     RowState& row) {
  const int type = field.m_field.m_type;
  if (type == kTypeDataCsi) {
    state.m_lastCodeType = value;
  }
  if (type == kTypeDataCacheable) {
    row.m_cacheValues.push_back(value);
  } else {
    RemoveDelimiter(value, state.m_delimiter);
    if (!row.m_firstValue) {
      row.m_record += state.m_delimiter;
    }
    row.m_firstValue = false;
    row.m_record += value;
  }
  if (type == kTypeDataOrderId) {
    row.m_cacheKey = value;
  }
}

RowEnd FinishRow(RowState& row, CUploadWriter& out, ConversionState& state, ConvertResult& result) {
  if (!row.m_hasColumnField) {
    return RowEnd::kStop;
  }
  if (row.m_rejected) {
    return RowEnd::kRejected;
  }
  if (!row.m_cacheValues.empty()) {
    state.m_cacheLines.Add(CCacheEntry{"DATA", row.m_cacheKey, std::move(row.m_cacheValues)});
    row.m_cacheValues.clear();
    ++result.m_cacheRecords;
  }
  row.m_record += '\n';
  out.Write(row.m_record);
  ++result.m_recordsWritten;
  return RowEnd::kWritten;
}

}  // namespace trqx
