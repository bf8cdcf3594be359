#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "download/key_index.h"
#include "download/record_reader.h"
#include "foundation/archive.h"
#include "foundation/cache_file.h"
#include "foundation/file_error.h"
#include "foundation/text.h"

namespace trqx {

// One basket's cache file as read back: the HDR entry (a later HDR line replaces an earlier
// one) and the DATA entries in file order. Emptied, it keeps its room for the next file, so
// that reading one basket after another allocates only for the largest.
class CCacheInfo {
 public:
  static constexpr std::string_view kHeaderKind = "HDR";
  static constexpr std::string_view kDataKind = "DATA";

  CCacheInfo() { Clear(); }
  // Back to the empty start: an HDR entry without values, no DATA entries.
  void Clear();
  // Checks one record and files it: HDR needs headerCount + 2 fields, DATA dataCount + 2.
  // A record without fields is ignored; any other record is bad and gives false.
  bool AddRecord(const TokenList& record, std::size_t headerCount, std::size_t dataCount);

  const CCacheEntry& Header() const { return m_header; }
  std::span<const CCacheEntry> Data() const { return {m_data.data(), m_dataCount}; }
  // The first DATA entry whose key equals orderId exactly; null when there is none.
  const CCacheEntry* FindData(std::string_view orderId) const;
  // Room for reading a file in pieces, kept from file to file.
  std::span<char> ReadRoom();

 private:
  auto DataKey() const {
    return [this](std::size_t index) -> const std::string& { return m_data[index].m_key; };
  }

  CCacheEntry m_header;
  // The first m_dataCount entries are the file's; the rest keep their room.
  std::vector<CCacheEntry> m_data;
  std::size_t m_dataCount = 0;
  // The first DATA entry of each key.
  KeyIndex m_dataIndex;
  std::unique_ptr<char[]> m_readRoom;
};

// The path of a basket's cache file of the day of when: cacheFolder/CacheFileName, the basket
// ID made safe for a file name.
std::string CacheFilePath(const std::string& cacheFolder, std::time_t when,
                          std::string_view basketId);

// Opens the cache file at path, empties info and reads the file into it. The first
// bad record ends the reading with kBadRecord; kOpenFailed and kReadFailed fill error.
RecordFileResult ReadCacheFile(const std::string& path, std::size_t headerCount,
                               std::size_t dataCount, CCacheInfo& info, CFileError& error);

}  // namespace trqx
