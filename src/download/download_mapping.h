#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_element.h"
#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"

namespace trqx {

// A fixed-size list of strings: one assembled header or data record of a basket.
class CDownLoadAssembledRecord {
 public:
  explicit CDownLoadAssembledRecord(std::size_t size) : m_values(size) {}
  // Stores value at index; false, storing nothing, when index is below 0 or not below Size().
  bool Set(long long index, std::string value);
  std::size_t Size() const { return m_values.size(); }
  // The value at index; empty for an index not below Size().
  std::string_view Get(std::size_t index) const;

 private:
  std::vector<std::string> m_values;
};

// One cell of a grid report row.
struct GridCell {
  std::string m_value;
  bool m_quoted = false;
};

// The placed output of one basket: rows of cells (comma- and tab-separated formats) or
// lines (fixed format). Rows, cells and lines are made on demand and start empty.
struct OutputGrid {
  std::vector<std::vector<GridCell>> m_rows;
  std::vector<std::string> m_lines;
};

// Which data rows are executed (their Filled Shares value is above zero) and how many.
struct ExecutedRows {
  std::vector<bool> m_executed;
  int m_count = 0;
};

// Finds the first Type 20 field of fields and tests its value in each data row; without
// such a field no row is executed.
ExecutedRows MarkExecutedRows(const std::vector<OstraneField>& fields,
                              const std::vector<CDownLoadAssembledRecord>& data);

// Cuts value to length characters: left-justified keeps the first ones; right-justified
// keeps the last ones and pads with leading blanks to length.
std::string ApplyLength(std::string_view value, int length, int justify);

// Places value (cut by ApplyLength only when the element's UseLength is set) into cell XPos of
// row YPos + rowOffset, adding empty rows, and quoted empty filler cells before the cell.
void PlaceGridValue(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
                    std::size_t rowOffset);
// Places value, always cut by ApplyLength, at character XPos of line YPos + rowOffset; a line
// that is too short is first padded to one character past the value's end.
void PlaceFixedValue(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
                     std::size_t rowOffset);

// The report lines of a grid, each ended by "\r\n". A cell is written in double quotes,
// inner quotes doubled, when its flag is set or, with quoteSpecials, when it holds a comma or
// a double quote.
std::string FormatGridLines(const OutputGrid& grid, char separator, bool quoteSpecials);
// Each line of a fixed-format report followed by "\r\n".
std::string FormatFixedLines(const OutputGrid& grid);

// Report file name of a basket: the basket ID made safe for a file name, ".", the local date
// of when as "%m-%d-%y", ".rpt".
std::string ReportFileName(std::time_t when, std::string_view basketId);

// A download mapping: how the orders of one basket are laid out in a report. Owns its
// elements; later elements overwrite earlier ones in the same place.
class CDownLoadMapping : public CArchivable {
 public:
  static constexpr const char* kClassName = "CDownLoadMapping";
  enum Format : int { kFormatComma = 0, kFormatTab = 1, kFormatFixed = 2 };

  CDownLoadMapping(const CDownLoadMapping& other);
  CDownLoadMapping& operator=(const CDownLoadMapping&) = delete;
  ~CDownLoadMapping() override = default;

  // Appends "CDownLoadMapping", 3 + elements, Name, FormatType, RejectUnexecutedOrders and
  // each element.
  void Save(TokenList& tokens) const override = 0;
  virtual std::unique_ptr<CDownLoadMapping> Clone() const = 0;
  // Writes the lines of grid into a new file at path, replacing an old one. On failure
  // fileError is set and error filled.
  virtual bool WriteOutput(const std::string& path, const OutputGrid& grid, bool& fileError,
                           CFileError& error) const = 0;
  // The concrete class's own name in the archive.
  virtual const char* ClassName() const = 0;
  // Reads the concrete class's object at pos (elements checked against downloadFields).
  virtual bool Load(const TokenList& tokens, std::size_t& pos,
                    const std::vector<OstraneField>& downloadFields) = 0;

  // Places the basket's values and writes the report downloadDest/ReportFileName(when,
  // basketId); reportPath receives the path. False when the records do not fit fields (the
  // Type 12 count must equal header's size and, with data, the count of all other fields the
  // first data record's size) or when the file could not be written (fileError set).
  bool Convert(const std::string& downloadDest, std::time_t when, std::string_view basketId,
               const std::vector<OstraneField>& fields, const CDownLoadAssembledRecord& header,
               const std::vector<CDownLoadAssembledRecord>& data, bool& fileError,
               CFileError& error, std::string& reportPath) const;

  std::string m_name;
  int m_formatType = kFormatComma;
  bool m_rejectUnexecutedOrders = false;
  std::vector<std::unique_ptr<CDownLoadElement>> m_elements;

 protected:
  explicit CDownLoadMapping(int formatType) : m_formatType(formatType) {}
  void SaveBase(TokenList& tokens) const;
  bool LoadBase(const TokenList& tokens, std::size_t& pos,
                const std::vector<OstraneField>& downloadFields);
  // Puts one element's value into the grid the way this format places values.
  virtual void Place(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
                     std::size_t rowOffset) const = 0;
};

// Grid formats: values go into rows and cells.
class CDownLoadGridMapping : public CDownLoadMapping {
 public:
  static constexpr const char* kClassName = "CDownLoadGridMapping";

 protected:
  using CDownLoadMapping::CDownLoadMapping;
  // "CDownLoadGridMapping", 1, then the base tokens.
  void SaveGrid(TokenList& tokens) const;
  bool LoadGrid(const TokenList& tokens, std::size_t& pos,
                const std::vector<OstraneField>& downloadFields);
  void Place(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
             std::size_t rowOffset) const override;
};

// Comma-separated reports.
class CDownLoadCSVMapping : public CDownLoadGridMapping {
 public:
  static constexpr const char* kClassName = "CDownLoadCSVMapping";
  CDownLoadCSVMapping() : CDownLoadGridMapping(kFormatComma) {}
  void Save(TokenList& tokens) const override;
  std::unique_ptr<CDownLoadMapping> Clone() const override;
  bool WriteOutput(const std::string& path, const OutputGrid& grid, bool& fileError,
                   CFileError& error) const override;
  const char* ClassName() const override { return kClassName; }
  bool Load(const TokenList& tokens, std::size_t& pos,
            const std::vector<OstraneField>& downloadFields) override;
};

// Tab-separated reports.
class CDownLoadTSVMapping : public CDownLoadGridMapping {
 public:
  static constexpr const char* kClassName = "CDownLoadTSVMapping";
  CDownLoadTSVMapping() : CDownLoadGridMapping(kFormatTab) {}
  void Save(TokenList& tokens) const override;
  std::unique_ptr<CDownLoadMapping> Clone() const override;
  bool WriteOutput(const std::string& path, const OutputGrid& grid, bool& fileError,
                   CFileError& error) const override;
  const char* ClassName() const override { return kClassName; }
  bool Load(const TokenList& tokens, std::size_t& pos,
            const std::vector<OstraneField>& downloadFields) override;
};

// Fixed-field reports: values go into lines at character offsets.
class CDownLoadFixedMapping : public CDownLoadMapping {
 public:
  static constexpr const char* kClassName = "CDownLoadFixedMapping";
  CDownLoadFixedMapping() : CDownLoadMapping(kFormatFixed) {}
  void Save(TokenList& tokens) const override;
  std::unique_ptr<CDownLoadMapping> Clone() const override;
  bool WriteOutput(const std::string& path, const OutputGrid& grid, bool& fileError,
                   CFileError& error) const override;
  const char* ClassName() const override { return kClassName; }
  bool Load(const TokenList& tokens, std::size_t& pos,
            const std::vector<OstraneField>& downloadFields) override;

 protected:
  void Place(OutputGrid& grid, const CDownLoadElement& element, std::string_view value,
             std::size_t rowOffset) const override;
};

// A new, empty mapping of the concrete class named className; null for any other name.
std::unique_ptr<CDownLoadMapping> NewDownLoadMapping(std::string_view className);

}  // namespace trqx
