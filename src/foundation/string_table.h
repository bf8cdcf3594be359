#pragma once

#include <cstdint>
#include <string_view>

namespace trqx {

// A program's numbered message texts (number -> text with "%1"/"%2" placeholders).
class StringTable {
 public:
  virtual ~StringTable() = default;
  // The text of a number; empty for a number the table does not hold.
  virtual std::string_view Text(std::uint32_t number) const = 0;
};

// The three programs' tables; client_strings.h, server_strings.h and converter_strings.h
// name their numbers.
const StringTable& ClientStrings();
const StringTable& ServerStrings();
const StringTable& ConverterStrings();

}  // namespace trqx
