#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"
#include "foundation/locked_file.h"

namespace trqx {

// Reads an open desk file from its position line by line through one buffer, which grows
// only as far as the longest line needs: memory stays the same for a file of any length.
class DeskLineReader {
 public:
  static constexpr std::size_t kDefaultChunk = std::size_t{1} << 20;

  enum class Status {
    kLine,      // [Begin(), End()) are the bytes before the next line feed
    kLastLine,  // [Begin(), End()) are the bytes after the last line feed (never empty)
    kEnd,
    kError,  // a read failed; error is filled
  };

  explicit DeskLineReader(LockedFile& file, std::size_t chunk = kDefaultChunk);

  // The line's bytes stay valid and writable until the next call.
  Status Next(CFileError& error);
  char* Begin() const { return m_buffer.get() + m_lineBegin; }
  char* End() const { return m_buffer.get() + m_lineEnd; }

 private:
  // Moves the unread bytes to the front (growing the buffer when they fill it) and reads
  // more after them; false on a read failure.
  bool Refill(CFileError& error);

  LockedFile& m_file;
  std::size_t m_capacity;
  std::unique_ptr<char[]> m_buffer;
  std::size_t m_next = 0;     // first byte not handed out
  std::size_t m_scanned = 0;  // bytes from m_next known to hold no line feed
  std::size_t m_filled = 0;
  bool m_atEnd = false;
  std::size_t m_lineBegin = 0;
  std::size_t m_lineEnd = 0;
};

// The first rows of a comma- or tab-separated desk file, kept for the cells a mapping
// addresses by row number while the rows after them stream by. Rows are counted from 0.
class DeskGridRows {
 public:
  void Append(const std::vector<std::string_view>& cells);
  std::size_t RowCount() const { return m_rowStart.size() - 1; }
  // The cell's bytes; empty when the row is not kept or has no such column.
  std::string_view Cell(long long row, long long column) const;

 private:
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  std::string m_bytes;
  std::vector<Span> m_cells;
  std::vector<std::size_t> m_rowStart{0};  // row r is m_cells[m_rowStart[r], m_rowStart[r + 1])
};

// The lines of a fixed-field desk file a conversion can reach: the first ones, kept because a
// mapping addresses them by number, and the line being converted. Lines can be padded with
// blanks, which then belong to the line for the rest of the conversion.
class DeskLines {
 public:
  explicit DeskLines(std::size_t keep) : m_keep(keep) {}

  // Takes the file's next line, its carriage returns already dropped; it becomes the line
  // being converted and is kept when it is among the first ones.
  void Advance(std::string_view line);
  // Lines taken so far.
  std::size_t Count() const { return m_count; }
  // Whether the line is kept or is the line being converted.
  bool Reachable(long long line) const;
  // The line's length with its padding; 0 for a line that is not reachable.
  std::size_t Length(long long line) const;
  // Appends blanks to a reachable line until it is length characters long.
  void PadTo(long long line, std::size_t length);
  // Up to count characters of the line from offset (fewer where the line ends); empty when
  // the line is not reachable or offset or count is negative.
  void Extract(long long line, long long offset, long long count, std::string& out) const;

 private:
  // The line's bytes and its padding; false when the line is not reachable.
  bool Find(long long line, std::string_view& bytes, std::size_t& padding) const;

  std::size_t m_keep;
  std::size_t m_count = 0;
  std::vector<std::string> m_keptBytes;
  std::vector<std::size_t> m_keptPadding;
  std::string_view m_currentBytes;  // the line being converted, when it is not kept
  std::size_t m_currentPadding = 0;
};

// Drops the carriage returns of [begin, end) in place; returns the new end.
char* DropCarriageReturns(char* begin, char* end);

}  // namespace trqx
