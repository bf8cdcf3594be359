#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trqx {

// The text rules of the conversion (its trims are the Blanks ones of foundation/text.h).

// ASCII letters to upper case; every other byte stays.
void UpperCaseInPlace(std::string& text);

// The numeric test of the checks and the Side translation: after trimming, empty passes;
// otherwise only digits, "." and "," anywhere and "-" or "+" before the first digit, with
// at least one digit.
bool IsNumericText(std::string_view text);

// A plain decimal text: leading white space, an optional sign, then digits with at most one dot and
// nothing else, at least one digit and at most kMaxDigits. Numbers this short are exact in a
// double, which makes them cheap to read and to scale exactly.
struct PlainDecimal {
  static constexpr std::size_t kMaxDigits = 12;
  bool negative = false;
  std::uint64_t digits = 0;        // every digit, the dot left out, as one integer
  std::size_t fractionDigits = 0;  // the digits after the dot
};
std::optional<PlainDecimal> ReadPlainDecimal(std::string_view text);

// The C library's reading of a decimal number: leading white space, an optional sign, then
// the longest decimal number (with fraction and exponent, "inf" and "nan") at the start;
// 0 when there is none.
double LeadingNumber(std::string_view text);

// Cuts a value longer than width: justify 0 keeps the last width characters, 1 the first.
// A negative width counts as 0. Values are never padded.
void CutToWidth(std::string& value, int width, int justify);

}  // namespace trqx
