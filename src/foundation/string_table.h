#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace trqx {

// A program's numbered message texts (number -> text with "%1"/"%2" placeholders).
class StringTable {
 public:
  virtual ~StringTable() = default;
  // The text of a number; empty for a number the table does not hold.
  virtual std::string_view Text(std::uint32_t number) const = 0;
};

// One numbered text of a fixed table.
struct StringTableEntry {
  std::uint32_t m_number;
  std::string_view m_text;
};

// A table over a fixed array of entries with unique numbers; the array (and the texts it
// points to) must outlive the table. The programs' tables are of this kind, and tests
// use it for tables of their own.
class CFixedStringTable final : public StringTable {
 public:
  explicit constexpr CFixedStringTable(std::span<const StringTableEntry> entries)
      : m_entries(entries) {}
  std::string_view Text(std::uint32_t number) const override;

 private:
  std::span<const StringTableEntry> m_entries;
};

// Whether no two entries share a number; the programs' tables check it when compiled.
constexpr bool NumbersAreUnique(std::span<const StringTableEntry> entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      if (entries[i].m_number == entries[j].m_number) {
        return false;
      }
    }
  }
  return true;
}

// The three programs' tables; client_strings.h, server_strings.h and converter_strings.h
// name their numbers.
const StringTable& ClientStrings();
const StringTable& ServerStrings();
const StringTable& ConverterStrings();

}  // namespace trqx
