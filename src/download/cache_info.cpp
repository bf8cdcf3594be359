#include "download/cache_info.h"

#include <fcntl.h>

#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

namespace {

constexpr std::size_t kReadRoomSize = 64 * 1024;

}  // namespace

void CCacheInfo::Clear() {
  m_header.m_kind = kHeaderKind;
  m_header.m_key.clear();
  m_header.m_values.clear();
  m_dataCount = 0;
  m_dataIndex.Clear();
}

std::span<char> CCacheInfo::ReadRoom() {
  if (m_readRoom == nullptr) {
    m_readRoom = std::make_unique_for_overwrite<char[]>(kReadRoomSize);
  }
  return {m_readRoom.get(), kReadRoomSize};
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
  if (m_dataCount == m_data.size() && !header) {
    m_data.emplace_back();
  }
  CCacheEntry& entry = header ? m_header : m_data[m_dataCount];
  entry.m_kind = record[0];
  entry.m_key = record[1];
  entry.m_values.assign(record.begin() + 2, record.end());
  if (!header) {
    // The first line of a key wins, as a search from the top would find it.
    m_dataIndex.Add(entry.m_key, m_dataCount++, DataKey());
  }
  return true;
}

const CCacheEntry* CCacheInfo::FindData(std::string_view orderId) const {
  const std::size_t found = m_dataIndex.Find(orderId, DataKey());
  return found == KeyIndex::kNone ? nullptr : &m_data[found];
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
      info.ReadRoom(), error)) {
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
