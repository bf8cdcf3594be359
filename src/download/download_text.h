#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace trqx {

// The white space the converter trims: blank, tab, carriage return, line feed, vertical tab,
// form feed.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

// text without leading and trailing white space.
inline std::string_view TrimWhiteSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

// text without trailing white space.
inline std::string_view TrimRightWhiteSpace(std::string_view text) {
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// Hash of a string key that also takes string views, so lookups need not copy the key.
struct StringKeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

}  // namespace trqx
