#include "upload/text_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "foundation/text.h"

namespace trqx {

namespace {

// The power of ten of the leading digit of a decimal number text (digits, an optional
// fraction, an optional exponent), saturated; only its sign is used.
long long DecimalExponent(std::string_view number) {
  constexpr long long kLimit = 1'000'000'000;
  std::size_t i = 0;
  long long integerDigits = 0;
  long long leadingFractionZeros = 0;
  bool nonZeroSeen = false;
  for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
    nonZeroSeen = nonZeroSeen || number[i] != '0';
    integerDigits += nonZeroSeen && integerDigits < kLimit;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
      if (!nonZeroSeen && number[i] == '0') {
        leadingFractionZeros += leadingFractionZeros < kLimit;
      }
      nonZeroSeen = nonZeroSeen || number[i] != '0';
    }
  }
  long long exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    const bool negative = i < number.size() && number[i] == '-';
    i += i < number.size() && (number[i] == '-' || number[i] == '+');
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
      exponent = std::min(kLimit, exponent * 10 + (number[i] - '0'));
    }
    exponent = negative ? -exponent : exponent;
  }
  const long long lead = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
  return lead + exponent;
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3,  1e4,  1e5, 1e6,
                                   1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

}  // namespace

std::optional<PlainDecimal> ReadPlainDecimal(std::string_view text) {
  PlainDecimal number;
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) {
    ++i;
  }
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    number.negative = text[i] == '-';
    ++i;
  }
  std::size_t digitCount = 0;
  bool dotSeen = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++digitCount > PlainDecimal::kMaxDigits) {
        return std::nullopt;
      }
      number.digits = number.digits * 10 + static_cast<std::uint64_t>(c - '0');
      number.fractionDigits += dotSeen ? 1 : 0;
    } else if (c == '.' && !dotSeen) {
      dotSeen = true;
    } else {
      return std::nullopt;
    }
  }
  if (digitCount == 0) {
    return std::nullopt;
  }
  return number;
}

void UpperCaseInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
}

bool IsNumericText(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) {
    return true;
  }
  bool digitSeen = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digitSeen = true;
    } else if (c == '-' || c == '+') {
      if (digitSeen) {
        return false;
      }
    } else if (c != '.' && c != ',') {
      return false;
    }
  }
  return digitSeen;
}

double LeadingNumber(std::string_view text) {
  // Digits and power of ten both exact in a double: one correctly rounded division gives what
  // the full reading gives.
  if (const std::optional<PlainDecimal> plain = ReadPlainDecimal(text)) {
    const double value = static_cast<double>(plain->digits) / kPowersOfTen[plain->fractionDigits];
    return plain->negative ? -value : value;
  }
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // from_chars takes no sign of its own and never reads hexadecimal in general format.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    return 0.0;
  }
  double value = 0.0;
  const char* first = text.data() + i;
  const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), value);
  if (ptr == first) {
    return 0.0;
  }
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves value alone here; the C library gives infinity or zero.
    value = DecimalExponent(std::string_view(first, static_cast<std::size_t>(ptr - first))) > 0
                ? HUGE_VAL
                : 0.0;
  }
  return negative ? -value : value;
}

void CutToWidth(std::string& value, int width, int justify) {
  const std::size_t keep = width < 0 ? 0 : static_cast<std::size_t>(width);
  if (value.size() <= keep) {
    return;
  }
  if (justify == 1) {
    value.resize(keep);
  } else {
    value.erase(0, value.size() - keep);
  }
}

}  // namespace trqx
