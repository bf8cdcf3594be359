#include "download/order_file.h"

#include <fcntl.h>

#include <algorithm>
#include <memory>

#include "foundation/locked_file.h"

namespace trqx {

OrderColumns FindOrderColumns(const std::vector<OstraneField>& fields) {
  OrderColumns columns;
  bool orderRefFound = false;
  for (const OstraneField& field : fields) {
    if (IsInvalidColumnWalkType(field.m_type)) {
      ++columns.m_invalidTypes;
      if (columns.m_basketId == OrderColumns::kNone) {
        ++columns.m_invalidBeforeBasketId;
      }
      continue;
    }
    if (!HasOrderColumn(field.m_type)) {
      continue;
    }
    if (field.m_type == kTypeBasketId && columns.m_basketId == OrderColumns::kNone) {
      columns.m_basketId = columns.m_columnCount;
    }
    if (field.m_type == kTypeOrderRefId && !orderRefFound) {
      columns.m_orderRefId = columns.m_columnCount;
      orderRefFound = true;
    }
    ++columns.m_columnCount;
  }
  return columns;
}

std::string_view ColumnValue(const TokenList& record, std::size_t column) {
  return column < record.size() ? std::string_view(record[column]) : std::string_view{};
}

namespace {

// Numbers in the store: seven bits a byte, low bits first, the top bit set on all but the last.
void PutNumber(std::string& out, std::size_t number) {
  while (number >= 0x80) {
    out.push_back(static_cast<char>((number & 0x7f) | 0x80));
    number >>= 7;
  }
  out.push_back(static_cast<char>(number));
}

std::size_t GetNumber(const char*& at) {
  std::size_t number = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    number |= static_cast<std::size_t>(byte & 0x7f) << shift;
    if (byte < 0x80) {
      return number;
    }
  }
}

}  // namespace

COrderFile::COrderFile(const std::vector<OstraneField>& downloadFields)
    : m_columns(FindOrderColumns(downloadFields)),
      m_splitter(',', [this](TokenList& record) { AddRecord(record); }) {}

RecordFileResult COrderFile::Read(const std::string& path, CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return RecordFileResult::kOpenFailed;
  }
  // An order takes less room in the store than in the file unless its values are mostly
  // empty, so room for the file up front keeps the store from growing (and from being held
  // twice while it grows); room it does not use is never touched.
  off_t size = 0;
  if (file.Size(size, error) && size > 0) {
    m_store.reserve(m_store.size() + static_cast<std::size_t>(size));
  }
  constexpr std::size_t kPiece = 256 * 1024;
  const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(piece.get(), kPiece, got, error)) {
      return RecordFileResult::kReadFailed;
    }
    const bool good = got == 0 ? Finish() : SplitChunk(std::string_view(piece.get(), got));
    if (!good) {
      return RecordFileResult::kBadRecord;
    }
    if (got == 0) {
      return RecordFileResult::kOk;
    }
  }
}

bool COrderFile::Feed(std::string_view chunk) {
  return SplitChunk(chunk);
}

bool COrderFile::SplitChunk(std::string_view chunk) {
  return m_splitter.Feed(chunk) != RecordSplitter::Status::kBadRecord;
}

bool COrderFile::Finish() {
  return m_splitter.Finish() != RecordSplitter::Status::kBadRecord;
}

void COrderFile::AddRecord(const TokenList& tokens) {
  ++m_recordCount;
  if (tokens.empty()) {
    return;
  }
  // The index stands for comparing with each group's basket ID in turn: same groups, same
  // order, without the search growing with the number of baskets.
  const std::string_view basketId = ColumnValue(tokens, m_columns.m_basketId);
  const std::size_t offset = m_store.size();
  std::size_t back = 0;
  const auto groupKey = [this](std::size_t index) { return m_groups[index].m_basketId; };
  if (const std::size_t found = m_groupIndex.Find(basketId, groupKey); found != KeyIndex::kNone) {
    BasketGroup& group = m_groups[found];
    back = offset - group.m_last;
    group.m_last = offset;
    ++group.m_count;
  } else {
    m_groups.push_back(BasketGroup{m_basketIds.emplace_back(basketId), offset, 1});
    m_groupIndex.Add(basketId, m_groups.size() - 1, groupKey);
  }
  PutNumber(m_store, back);
  const std::size_t count = std::min(tokens.size(), m_columns.m_columnCount);
  PutNumber(m_store, count);
  for (std::size_t column = 0; column < count; ++column) {
    if (column != m_columns.m_basketId) {
      PutNumber(m_store, tokens[column].size());
      m_store.append(tokens[column]);
    }
  }
}

void COrderFile::Records(const BasketGroup& group, std::vector<OrderRecord>& records) const {
  records.resize(group.m_count);
  std::size_t offset = group.m_last;
  for (std::size_t i = group.m_count; i-- > 0;) {
    records[i].m_offset = offset;
    const char* at = m_store.data() + offset;
    offset -= GetNumber(at);
  }
}

void COrderFile::Split(const BasketGroup& group, OrderRecord record,
                       std::vector<std::string_view>& values) const {
  values.assign(m_columns.m_columnCount, std::string_view{});
  const char* at = m_store.data() + record.m_offset;
  GetNumber(at);
  const std::size_t count = GetNumber(at);
  for (std::size_t column = 0; column < count; ++column) {
    if (column == m_columns.m_basketId) {
      values[column] = group.m_basketId;
      continue;
    }
    const std::size_t length = GetNumber(at);
    values[column] = std::string_view(at, length);
    at += length;
  }
}

std::string COrderFile::GetBasketID(const BasketGroup& group) const {
  return std::string(group.m_basketId);
}

std::string COrderFile::GetOrderRefID(const BasketGroup& group, OrderRecord record) const {
  std::vector<std::string_view> values;
  Split(group, record, values);
  return m_columns.m_orderRefId < values.size() ? std::string(values[m_columns.m_orderRefId])
                                                : std::string{};
}

void COrderFile::ReleaseGroups() {
  m_groups.clear();
  m_groupIndex.Clear();
  m_basketIds.clear();
}

}  // namespace trqx
