#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"

namespace trqx {

// One line of a basket cache file: "HDR" or "DATA", a key, the values.
struct CCacheEntry {
  std::string m_kind;
  std::string m_key;
  std::vector<std::string> m_values;
};

// A basket ID made safe as part of a file name: every '/' and '\' becomes '_', so an ID
// read from outside data can never place a file outside its folder.
std::string BasketFileNamePart(std::string_view basketId);

// "%m-%d-%y" of the local date, then the basket part, then ".cch"; the basket part is
// basket text, or basket text "-" suffix when the suffix is not empty.
std::string CacheFileName(std::time_t when, std::string_view basket, std::string_view suffix);

// Writes the header line (even with no values), then one line per data record, into
// cacheDir/CacheFileName, replacing an existing file under an exclusive lock. Each line is a
// record line (kind, key, values) ending "\r\n"; no extra line feed follows. On failure
// error is filled.
bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const std::vector<CCacheEntry>& data,
                    std::time_t when, CFileError& error);

}  // namespace trqx
