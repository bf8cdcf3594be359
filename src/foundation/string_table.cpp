#include "foundation/string_table.h"

namespace trqx {

std::string_view CFixedStringTable::Text(std::uint32_t number) const {
  // The tables hold a few dozen entries; a scan is as fast as any index here.
  for (const StringTableEntry& entry : m_entries) {
    if (entry.m_number == number) {
      return entry.m_text;
    }
  }
  return {};
}

}  // namespace trqx
