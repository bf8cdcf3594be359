#include "download/cache_info.h"

#include <fcntl.h>

#include <algorithm>
#include <functional>

#include "foundation/archive_file.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

namespace {

constexpr std::size_t kReadRoomSize = 64 * 1024;
constexpr std::size_t kFirstSlotCount = 256;

}  // namespace

void CCacheInfo::Clear() {
  m_header.m_kind = kHeaderKind;
  m_header.m_key.clear();
  m_header.m_values.clear();
  m_dataCount = 0;
  std::fill(m_slots.begin(), m_slots.end(), 0);
}

std::span<char> CCacheInfo::ReadRoom() {
  if (m_readRoom == nullptr) {
    m_readRoom = std::make_unique_for_overwrite<char[]>(kReadRoomSize);
  }
  return {m_readRoom.get(), kReadRoomSize};
}

std::size_t CCacheInfo::SlotOf(std::string_view orderId) const {
  const std::size_t mask = m_slots.size() - 1;
  std::size_t slot = std::hash<std::string_view>{}(orderId)&mask;
  while (m_slots[slot] != 0 && m_data[m_slots[slot] - 1].m_key != orderId) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

void CCacheInfo::Index(std::size_t index) {
  if (2 * (index + 1) > m_slots.size()) {
    m_slots.assign(std::max(kFirstSlotCount, 2 * m_slots.size()), 0);
    for (std::size_t i = 0; i < index; ++i) {
      const std::size_t slot = SlotOf(m_data[i].m_key);
      if (m_slots[slot] == 0) {
        m_slots[slot] = static_cast<std::uint32_t>(i + 1);
      }
    }
  }
  const std::size_t slot = SlotOf(m_data[index].m_key);
  // The first line of a key wins, as a search from the top would find it.
  if (m_slots[slot] == 0) {
    m_slots[slot] = static_cast<std::uint32_t>(index + 1);
  }
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
    Index(m_dataCount++);
  }
  return true;
}

const CCacheEntry* CCacheInfo::FindData(std::string_view orderId) const {
  if (m_dataCount == 0) {
    return nullptr;
  }
  const std::uint32_t entry = m_slots[SlotOf(orderId)];
  return entry == 0 ? nullptr : &m_data[entry - 1];
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
