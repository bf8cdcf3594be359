#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace trqx {

// The trim helpers of every layer. Readers of our files trim different sets of characters,
// and each helper's name says which set it trims:
// - CSpace: what isspace() accepts in the C locale: blank, tab, line feed, vertical tab,
//   form feed, carriage return;
// - Blanks: the blank and the tab (the conversion's rule);
// - SpaceChars: the blank alone (the padding of fixed-width records);
// - BlanksAndReturns: blank, tab and carriage return (lines of a text file that may end in
//   CR LF).

inline bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

inline bool IsSpaceChar(char c) {
  return c == ' ';
}

inline bool IsBlankOrReturn(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// text without the leading characters for which trimmed(c) holds.
template <class Predicate>
std::string_view TrimLeftIf(std::string_view text, Predicate trimmed) {
  std::size_t begin = 0;
  while (begin < text.size() && trimmed(text[begin])) {
    ++begin;
  }
  return text.substr(begin);
}

// text without the trailing characters for which trimmed(c) holds.
template <class Predicate>
std::string_view TrimRightIf(std::string_view text, Predicate trimmed) {
  std::size_t end = text.size();
  while (end > 0 && trimmed(text[end - 1])) {
    --end;
  }
  return text.substr(0, end);
}

// text without the leading and trailing characters for which trimmed(c) holds.
template <class Predicate>
std::string_view TrimIf(std::string_view text, Predicate trimmed) {
  return TrimRightIf(TrimLeftIf(text, trimmed), trimmed);
}

inline std::string_view TrimCSpace(std::string_view text) {
  return TrimIf(text, IsCSpace);
}
inline std::string_view TrimRightCSpace(std::string_view text) {
  return TrimRightIf(text, IsCSpace);
}

inline std::string_view TrimBlanks(std::string_view text) {
  return TrimIf(text, IsBlank);
}
inline std::string_view TrimRightBlanks(std::string_view text) {
  return TrimRightIf(text, IsBlank);
}
// TrimBlanks on the string itself; a text without blanks at its ends is not copied.
inline void TrimBlanksInPlace(std::string& text) {
  if (text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()))) {
    return;
  }
  const std::string_view trimmed = TrimBlanks(text);
  const auto begin = static_cast<std::size_t>(trimmed.data() - text.data());
  text.resize(begin + trimmed.size());
  text.erase(0, begin);
}

inline std::string_view TrimSpaceChars(std::string_view text) {
  return TrimIf(text, IsSpaceChar);
}
inline std::string_view TrimLeftSpaceChars(std::string_view text) {
  return TrimLeftIf(text, IsSpaceChar);
}
inline std::string_view TrimRightSpaceChars(std::string_view text) {
  return TrimRightIf(text, IsSpaceChar);
}

inline std::string_view TrimBlanksAndReturns(std::string_view text) {
  return TrimIf(text, IsBlankOrReturn);
}

// Hash of a string key that also takes string views, so lookups need not copy the key.
struct StringKeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

}  // namespace trqx
