#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trqx {

// The text rules of the conversion. "Blanks" are the blank and the tab.

// A blank: the blank or the tab.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// text without leading and trailing blanks.
inline std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) {
    ++begin;
  }
  while (end > begin && IsBlank(text[end - 1])) {
    --end;
  }
  return text.substr(begin, end - begin);
}

inline void TrimBlanksInPlace(std::string& text) {
  if (text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()))) {
    return;
  }
  const std::string_view trimmed = TrimBlanks(text);
  const auto begin = static_cast<std::size_t>(trimmed.data() - text.data());
  text.resize(begin + trimmed.size());
  text.erase(0, begin);
}
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
