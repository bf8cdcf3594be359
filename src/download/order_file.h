#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_fields.h"
#include "download/key_index.h"
#include "download/record_reader.h"
#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"
#include "foundation/text.h"

namespace trqx {

// One order: where its columns, read once, lie in the order file's store. Valid for as long
// as the COrderFile that handed it out and the group it came with.
struct OrderRecord {
  std::size_t m_offset = 0;
};

// The orders of one basket: its basket ID as it stands in the file, and where the last of its
// records lies; each record leads back to the one before it. A group holds at least one record.
struct BasketGroup {
  std::string_view m_basketId;
  std::size_t m_last = 0;
  std::size_t m_count = 0;
};

// The value in column of the split record; empty when the record is shorter.
std::string_view ColumnValue(const TokenList& record, std::size_t column);

// The order file grouped into baskets: groups keep the order in which their basket ID first
// appears, records keep file order within a group. Basket IDs are compared exactly. The file
// is split once; each order keeps only its values of the field list's columns, without the
// Basket ID, which is its group's, so the store stays smaller than the file.
class COrderFile {
 public:
  explicit COrderFile(const std::vector<OstraneField>& downloadFields);
  COrderFile(const COrderFile&) = delete;
  COrderFile& operator=(const COrderFile&) = delete;

  // Reads and groups every record of the file at path. Records handled before a failure stay
  // grouped; kOpenFailed and kReadFailed fill error.
  RecordFileResult Read(const std::string& path, CFileError& error);
  // The same for data held in memory, fed in chunks of any size; false at a bad record.
  bool Feed(std::string_view chunk);
  bool Finish();

  const std::vector<BasketGroup>& Groups() const { return m_groups; }
  // The group's records in file order, into records (emptied first; reuse it to allocate only
  // for the largest group).
  void Records(const BasketGroup& group, std::vector<OrderRecord>& records) const;
  // The record's first Columns().m_columnCount values, into values (resized to that count);
  // a column the record did not have is empty. The views hold while this file does.
  void Split(const BasketGroup& group, OrderRecord record,
             std::vector<std::string_view>& values) const;
  // Every record read, those without fields included.
  std::size_t RecordCount() const { return m_recordCount; }
  const OrderColumns& Columns() const { return m_columns; }
  // The group's basket ID as it stands: its first record's Basket ID column.
  std::string GetBasketID(const BasketGroup& group) const;
  // The record's Order ID column as it stands.
  std::string GetOrderRefID(const BasketGroup& group, OrderRecord record) const;
  // Releases all groups.
  void ReleaseGroups();

 private:
  // Counts the record and, unless it has no fields, stores it in its basket's group.
  void AddRecord(const TokenList& tokens);
  // Splits a chunk of the file; false at a bad record.
  bool SplitChunk(std::string_view chunk);

  OrderColumns m_columns;
  // Per order: the distance back to the group's previous record (0 for its first), the number
  // of columns the order had (at most the list's), then each column's length and bytes, the
  // Basket ID column left out; all numbers as variable-length integers.
  std::string m_store;
  RecordSplitter m_splitter;
  std::vector<BasketGroup> m_groups;
  // The groups' basket IDs, which never move, so that the groups may view them.
  std::deque<std::string> m_basketIds;
  KeyIndex m_groupIndex;
  std::size_t m_recordCount = 0;
};

}  // namespace trqx
