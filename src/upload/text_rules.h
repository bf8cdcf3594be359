#pragma once

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

// The C library's reading of a decimal number: leading white space, an optional sign, then
// the longest decimal number (with fraction and exponent, "inf" and "nan") at the start;
// 0 when there is none.
double LeadingNumber(std::string_view text);

// Cuts a value longer than width: justify 0 keeps the last width characters, 1 the first.
// A negative width counts as 0. Values are never padded.
void CutToWidth(std::string& value, int width, int justify);

}  // namespace trqx
