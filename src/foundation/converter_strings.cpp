#include "foundation/converter_strings.h"

#include <array>

#include "foundation/string_table.h"

namespace trqx {

namespace {

using namespace converter_strings;

constexpr std::array kEntries{
    StringTableEntry{kMsgAboutMenuItem, "&About TRQXDownLoad..."},
    // The blank before the period is the converter's own spelling.
    StringTableEntry{kMsgSystemStartup, "System startup ."},
    StringTableEntry{kMsgFileError, "File error, function: %1, code %2."},
    StringTableEntry{kMsgBadFormatFile,
                     "The Norvane upload field format file, %1, has a bad format. "},
};
static_assert(NumbersAreUnique(kEntries));

}  // namespace

const StringTable& ConverterStrings() {
  static const CFixedStringTable table(kEntries);
  return table;
}

}  // namespace trqx
