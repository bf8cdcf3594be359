#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "download/download_fields.h"
#include "download/record_reader.h"
#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"
#include "foundation/text.h"

namespace trqx {

// One order: where its bytes begin in the order file. Its columns are split out on demand, so
// the file's bytes are all that is held per order. The record refers to the file's byte store,
// not to the bytes' address, and COrderFile can be neither copied nor moved: the record stays
// valid while the file grows, for as long as the COrderFile that handed it out.
class OrderRecord {
 public:
  OrderRecord(const std::string& bytes, std::size_t begin) : m_bytes(&bytes), m_begin(begin) {}
  // Splits the record with reader, reset first; its Tokens() then hold the record's columns.
  // Reusing one reader for many records allocates only for the longest.
  void Split(CsvLineReader& reader) const;
  // The value of column; empty when the record is shorter.
  std::string operator[](std::size_t column) const;

 private:
  const std::string* m_bytes;
  std::size_t m_begin;
};
// The orders of one basket, in file order; a group always holds at least one record.
using BasketGroup = std::vector<OrderRecord>;

// The value in column of the split record; empty when the record is shorter.
std::string_view ColumnValue(const TokenList& record, std::size_t column);

// The order file grouped into baskets: groups keep the order in which their basket ID first
// appears, records keep file order within a group. Basket IDs are compared exactly.
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
  // Every record read, those without fields included.
  std::size_t RecordCount() const { return m_recordCount; }
  const OrderColumns& Columns() const { return m_columns; }
  // The group's basket ID as it stands: its first record's Basket ID column.
  std::string GetBasketID(const BasketGroup& group) const;
  // The record's Order ID column as it stands.
  std::string GetOrderRefID(const OrderRecord& record) const;
  // Releases all groups.
  void ReleaseGroups();

 private:
  // Counts the record that ends at end and, unless it has no fields, files it into its
  // basket's group.
  void AddRecord(const TokenList& tokens, std::size_t end);
  // Splits bytes just added to the byte store; false at a bad record.
  bool Split(std::string_view stored);

  OrderColumns m_columns;
  // Every byte fed, once; the records view it by offset.
  std::string m_bytes;
  std::size_t m_recordBegin = 0;
  RecordSplitter m_splitter;
  std::vector<BasketGroup> m_groups;
  std::unordered_map<std::string, std::size_t, StringKeyHash, std::equal_to<>> m_groupIndex;
  std::size_t m_recordCount = 0;
};

}  // namespace trqx
