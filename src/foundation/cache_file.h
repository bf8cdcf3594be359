#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"

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

// The data lines of a cache file, gathered while a conversion produces them: held in memory
// up to kHeldBytes, then in an unnamed temporary file, so that memory does not grow with the
// desk file. The first failure of the temporary file is kept and reported by WriteCacheFile.
class CCacheDataLines {
 public:
  static constexpr std::size_t kHeldBytes = std::size_t{1} << 20;

  CCacheDataLines() = default;
  ~CCacheDataLines();
  CCacheDataLines(const CCacheDataLines&) = delete;
  CCacheDataLines& operator=(const CCacheDataLines&) = delete;

  void Add(const CCacheEntry& entry);
  std::size_t Count() const { return m_count; }
  // False, with error filled, when a line could not be kept.
  bool Kept(CFileError& error) const;
  // Appends every line to file; false with error filled when one could not be read back or
  // written.
  bool WriteTo(LockedFile& file, CFileError& error) const;

 private:
  void Spill();

  std::string m_held;
  std::FILE* m_spill = nullptr;
  std::size_t m_count = 0;
  CFileError m_error;  // the temporary file's first failure
};

// Writes the header line (even with no values), then one line per data record, into
// cacheDir/CacheFileName, replacing an existing file under an exclusive lock. Each line is a
// record line (kind, key, values) ending "\r\n"; no extra line feed follows. On failure
// error is filled.
bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const CCacheDataLines& data, std::time_t when,
                    CFileError& error);
// The same with the data records at hand.
bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const std::vector<CCacheEntry>& data,
                    std::time_t when, CFileError& error);

}  // namespace trqx
