#include "download/cache_info.h"

#include <fcntl.h>

#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

void CCacheInfo::Clear() {
  m_header = CCacheEntry{std::string(kHeaderKind), {}, {}};
  m_data.clear();
  m_dataIndex.clear();
}

bool CCacheInfo::AddRecord(const TokenList& record, std::size_t headerCount,
                           std::size_t dataCount) {
  if (record.empty()) {
    return true;
  }
  const bool header = record[0] == kHeaderKind;
  if (!header && record[0] != kDataKind) {
    return false;
  }
  if (record.size() != (header ? headerCount : dataCount) + 2) {
    return false;
  }
  CCacheEntry entry{record[0], record[1], {record.begin() + 2, record.end()}};
  if (header) {
    m_header = std::move(entry);
    return true;
  }
  // The first line of a key wins, as a search from the top would find it.
  m_dataIndex.emplace(entry.m_key, m_data.size());
  m_data.push_back(std::move(entry));
  return true;
}

const CCacheEntry* CCacheInfo::FindData(std::string_view orderId) const {
  const auto found = m_dataIndex.find(orderId);
  return found == m_dataIndex.end() ? nullptr : &m_data[found->second];
}

std::string CacheFilePath(const std::string& cacheFolder, std::time_t when,
                          std::string_view basketId) {
  return JoinPath(cacheFolder, CacheFileName(when, BasketFileNamePart(basketId), {}));
}

RecordFileResult ReadCacheFile(const std::string& path, std::size_t headerCount,
                               std::size_t dataCount, CCacheInfo& info, CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return RecordFileResult::kOpenFailed;
  }
  info.Clear();
  switch (ReadArchiveRecords(
      file, [&](const TokenList& record) { return info.AddRecord(record, headerCount, dataCount); },
      error)) {
    case ArchiveLoad::kOk:
      return RecordFileResult::kOk;
    case ArchiveLoad::kFileError:
      return RecordFileResult::kReadFailed;
    case ArchiveLoad::kBadRecord:
    case ArchiveLoad::kRejected:
      break;
  }
  return RecordFileResult::kBadRecord;
}

}  // namespace trqx
