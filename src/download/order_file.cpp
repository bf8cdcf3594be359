#include "download/order_file.h"

#include <utility>

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

std::string_view ColumnValue(const OrderRecord& record, std::size_t column) {
  return column < record.size() ? std::string_view(record[column]) : std::string_view{};
}

COrderFile::COrderFile(const std::vector<OstraneField>& downloadFields)
    : m_columns(FindOrderColumns(downloadFields)), m_splitter(',', [this](TokenList& record) {
        AddRecord(std::move(record));
        return true;
      }) {}

RecordFileResult COrderFile::Read(const std::string& path, CFileError& error) {
  return ReadRecordFile(path, m_splitter, error);
}

bool COrderFile::Feed(std::string_view chunk) {
  return m_splitter.Feed(chunk) != RecordSplitter::Status::kBadRecord;
}

bool COrderFile::Finish() {
  return m_splitter.Finish() != RecordSplitter::Status::kBadRecord;
}

void COrderFile::AddRecord(OrderRecord&& record) {
  ++m_recordCount;
  if (record.empty()) {
    return;
  }
  // The index stands for comparing with each group's basket ID in turn: same groups, same
  // order, without the search growing with the number of baskets.
  const std::string_view basketId = ColumnValue(record, m_columns.m_basketId);
  if (const auto found = m_groupIndex.find(basketId); found != m_groupIndex.end()) {
    m_groups[found->second].push_back(std::move(record));
    return;
  }
  m_groupIndex.emplace(std::string(basketId), m_groups.size());
  m_groups.emplace_back().push_back(std::move(record));
}

std::string_view COrderFile::GetBasketID(const BasketGroup& group) const {
  return group.empty() ? std::string_view{} : ColumnValue(group.front(), m_columns.m_basketId);
}

std::string_view COrderFile::GetOrderRefID(const OrderRecord& record) const {
  return ColumnValue(record, m_columns.m_orderRefId);
}

void COrderFile::ReleaseGroups() {
  m_groups.clear();
  m_groupIndex.clear();
}

}  // namespace trqx
