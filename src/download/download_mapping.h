#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_element.h"
#include "foundation/archive.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"

namespace trqx {

// A fixed-size list of values: one assembled header or data record of a basket. It views the
// values' bytes, which the caller keeps for as long as the record is used.
class CDownLoadAssembledRecord {
 public:
  explicit CDownLoadAssembledRecord(std::size_t size) : m_values(size) {}
  // Stores value at index; false, storing nothing, when index is below 0 or not below Size().
  bool Set(long long index, std::string_view value);
  // Empties every value; the size stays.
  void Clear();
  std::size_t Size() const { return m_values.size(); }
  // The value at index; empty for an index not below Size().
  std::string_view Get(std::size_t index) const;

 private:
  std::vector<std::string_view> m_values;
};

// One cell of a grid report row.
struct GridCell {
  std::string m_value;
  bool m_quoted = false;
};

// The placed output of one basket: rows of cells (comma- and tab-separated formats) or
// lines (fixed format). Rows, cells and lines are made on demand and start empty. Only the
// first RowCount() rows and LineCount() lines are the grid's; the others keep their room for
// the next basket.
class OutputGrid {
 public:
  // Back to no rows and no lines, keeping the room.
  void Clear();
  // Row index, adding empty rows up to it.
  std::vector<GridCell>& Row(std::size_t index);
  // Line index, adding empty lines up to it.
  std::string& Line(std::size_t index);
  std::size_t RowCount() const { return m_rowCount; }
  std::size_t LineCount() const { return m_lineCount; }
  const std::vector<GridCell>& RowAt(std::size_t index) const { return m_rows[index]; }
  const std::string& LineAt(std::size_t index) const { return m_lines[index]; }

 private:
  std::vector<std::vector<GridCell>> m_rows;
  std::vector<std::string> m_lines;
  std::size_t m_rowCount = 0;
  std::size_t m_lineCount = 0;
};

// Which data rows are executed (their Filled Shares value is above zero) and how many.
struct ExecutedRows {
  std::vector<bool> m_executed;
  int m_count = 0;
};

// Finds the first Type 20 field of fields and tests its value in each data row; without
// such a field no row is executed.
ExecutedRows MarkExecutedRows(const std::vector<OstraneField>& fields,
                              std::span<const CDownLoadAssembledRecord> data);

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

// Appends the report lines of a grid to out, each ended by "\r\n". A cell is written in double
// quotes, inner quotes doubled, when its flag is set or, with quoteSpecials, when it holds a
// comma or a double quote.
void FormatGridLines(const OutputGrid& grid, char separator, bool quoteSpecials, std::string& out);
// Appends each line of a fixed-format report followed by "\r\n" to out.
void FormatFixedLines(const OutputGrid& grid, std::string& out);

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
  // Appends the report lines of grid to out, the way this format writes them.
  virtual void FormatOutput(const OutputGrid& grid, std::string& out) const = 0;
  // The concrete class's own name in the archive.
  virtual const char* ClassName() const = 0;
  // Reads the concrete class's object at pos (elements checked against downloadFields).
  virtual bool Load(const TokenList& tokens, std::size_t& pos,
                    const std::vector<OstraneField>& downloadFields) = 0;

  // Places the basket's values and writes the report downloadDest/ReportFileName(when,
  // basketId) with one write; reportPath receives the path. False when the records do not fit
  // fields (the Type 12 count must equal header's size and, with data, the count of all other
  // fields the first data record's size) or when the file could not be written (fileError set).
  // Reuses the mapping's scratch room, so one mapping converts on one thread at a time.
  bool Convert(const std::string& downloadDest, std::time_t when, std::string_view basketId,
               const std::vector<OstraneField>& fields, const CDownLoadAssembledRecord& header,
               std::span<const CDownLoadAssembledRecord> data, bool& fileError, CFileError& error,
               std::string& reportPath) const;

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

 private:
  // The grid and report text of the last basket, kept so that the next basket reuses their
  // room; not part of the mapping's value and never copied.
  struct Scratch {
    OutputGrid m_grid;
    std::string m_text;
  };
  mutable Scratch m_scratch;
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
  void FormatOutput(const OutputGrid& grid, std::string& out) const override;
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
  void FormatOutput(const OutputGrid& grid, std::string& out) const override;
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
  void FormatOutput(const OutputGrid& grid, std::string& out) const override;
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
