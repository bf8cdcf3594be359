#include "download/order_file.h"

#include <fcntl.h>

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

void OrderRecord::Split(CsvLineReader& reader) const {
  // From the reader state the record was first read with, the reader stops where it stopped
  // then: at the record's end, or at the end of a last record without a line end.
  reader.Reset();
  std::size_t used = 0;
  if (reader.Feed(std::string_view(*m_bytes).substr(m_begin), used) == CsvStatus::kPending) {
    reader.Finish();
  }
}

std::string OrderRecord::operator[](std::size_t column) const {
  CsvLineReader reader(',');
  Split(reader);
  return std::string(ColumnValue(reader.Tokens(), column));
}

COrderFile::COrderFile(const std::vector<OstraneField>& downloadFields)
    : m_columns(FindOrderColumns(downloadFields)),
      m_splitter(',', [this](TokenList& record) { AddRecord(record, m_splitter.Consumed()); }) {}

RecordFileResult COrderFile::Read(const std::string& path, CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return RecordFileResult::kOpenFailed;
  }
  // Room for the whole file up front, so that the bytes are never held twice while growing.
  off_t size = 0;
  if (file.Size(size, error) && size > 0) {
    m_bytes.reserve(m_bytes.size() + static_cast<std::size_t>(size) + 64 * 1024);
  }
  // Read straight into the byte store, a piece at a time, grouping as the pieces arrive.
  constexpr std::size_t kPiece = 64 * 1024;
  for (;;) {
    const std::size_t at = m_bytes.size();
    m_bytes.resize(at + kPiece);
    std::size_t got = 0;
    const bool read = file.Read(m_bytes.data() + at, kPiece, got, error);
    m_bytes.resize(at + got);
    if (!read) {
      return RecordFileResult::kReadFailed;
    }
    const bool good = got == 0 ? Finish() : Split(std::string_view(m_bytes).substr(at, got));
    if (!good) {
      return RecordFileResult::kBadRecord;
    }
    if (got == 0) {
      return RecordFileResult::kOk;
    }
  }
}

bool COrderFile::Feed(std::string_view chunk) {
  m_bytes.append(chunk);
  return Split(std::string_view(m_bytes).substr(m_bytes.size() - chunk.size()));
}

bool COrderFile::Split(std::string_view stored) {
  return m_splitter.Feed(stored) != RecordSplitter::Status::kBadRecord;
}

bool COrderFile::Finish() {
  return m_splitter.Finish() != RecordSplitter::Status::kBadRecord;
}

void COrderFile::AddRecord(const TokenList& tokens, std::size_t end) {
  ++m_recordCount;
  const std::size_t begin = m_recordBegin;
  m_recordBegin = end;
  if (tokens.empty()) {
    return;
  }
  // The index stands for comparing with each group's basket ID in turn: same groups, same
  // order, without the search growing with the number of baskets.
  const std::string_view basketId = ColumnValue(tokens, m_columns.m_basketId);
  const OrderRecord record(m_bytes, begin);
  if (const auto found = m_groupIndex.find(basketId); found != m_groupIndex.end()) {
    m_groups[found->second].push_back(record);
    return;
  }
  m_groupIndex.emplace(std::string(basketId), m_groups.size());
  m_groups.emplace_back().push_back(record);
}

std::string COrderFile::GetBasketID(const BasketGroup& group) const {
  return group.empty() ? std::string{} : group.front()[m_columns.m_basketId];
}

std::string COrderFile::GetOrderRefID(const OrderRecord& record) const {
  return record[m_columns.m_orderRefId];
}

void COrderFile::ReleaseGroups() {
  m_groups.clear();
  m_groupIndex.clear();
}

}  // namespace trqx
