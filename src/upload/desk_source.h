#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/csv_line_reader.h"
#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// Reads an open desk file from its position to its end into buffer (replacing its content).
// False with error filled on a read failure or when the file reaches 4 GiB (kTooLarge).
bool ReadDeskFile(LockedFile& file, std::string& buffer, CFileError& error);

// A comma- or tab-separated desk file as rows of cells. The file's bytes are kept once;
// cells are spans into them. Rows and cells are addressed from 0.
class DeskGrid {
 public:
  // Takes the bytes and splits them in place. Every record that a line feed completes is a
  // row (a blank line is a row with no cells); a last record without a line feed is one
  // when it has a token. False at bad quoting (the grid is then empty).
  bool Build(std::string bytes, char separator);

  std::size_t RowCount() const { return m_rowStart.size() - 1; }
  // The cell's bytes; empty when the row or the column does not exist (negative included).
  std::string_view Cell(long long row, long long column) const;

 private:
  std::string m_bytes;
  std::vector<CellRef> m_cells;
  std::vector<std::size_t> m_rowStart{0};  // row r is m_cells[m_rowStart[r], m_rowStart[r + 1])
};

// A fixed-field desk file as lines. Carriage returns are dropped, a line feed ends a line,
// a last line without a line feed counts when not empty. Lines can be padded with blanks,
// which then belong to the line for the rest of the conversion.
class DeskLines {
 public:
  void Build(std::string bytes);

  std::size_t LineCount() const { return m_lines.size(); }
  // The line's length with its padding; 0 for a line that does not exist.
  std::size_t Length(long long line) const;
  // Appends blanks to an existing line until it is length characters long.
  void PadTo(std::size_t line, std::size_t length);
  // Up to count characters of the line from offset (fewer where the line ends); empty when
  // the line does not exist or offset or count is negative.
  void Extract(long long line, long long offset, long long count, std::string& out) const;

 private:
  struct Line {
    std::size_t offset;
    std::size_t length;   // bytes held in m_bytes
    std::size_t padding;  // blanks that follow them
  };
  std::string m_bytes;
  std::vector<Line> m_lines;
};

}  // namespace trqx
