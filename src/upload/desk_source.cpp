#include "upload/desk_source.h"

#include <algorithm>
#include <cstring>

namespace trqx {

DeskLineReader::DeskLineReader(LockedFile& file, std::size_t chunk)
    : m_file(file),
      m_capacity(std::max<std::size_t>(chunk, 1)),
      m_buffer(std::make_unique_for_overwrite<char[]>(m_capacity)) {}

DeskLineReader::Status DeskLineReader::Next(CFileError& error) {
  for (;;) {
    const char* start = m_buffer.get() + m_next + m_scanned;
    const void* lineFeed = std::memchr(start, '\n', m_filled - m_next - m_scanned);
    if (lineFeed != nullptr) {
      m_lineBegin = m_next;
      m_lineEnd = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - m_buffer.get());
      m_next = m_lineEnd + 1;
      m_scanned = 0;
      return Status::kLine;
    }
    m_scanned = m_filled - m_next;
    if (m_atEnd) {
      if (m_next == m_filled) {
        return Status::kEnd;
      }
      m_lineBegin = m_next;
      m_lineEnd = m_next = m_filled;
      m_scanned = 0;
      return Status::kLastLine;
    }
    if (!Refill(error)) {
      return Status::kError;
    }
  }
}

bool DeskLineReader::Refill(CFileError& error) {
  const std::size_t pending = m_filled - m_next;
  if (pending == m_capacity) {
    // One line fills the buffer: double it.
    auto larger = std::make_unique_for_overwrite<char[]>(m_capacity * 2);
    std::memcpy(larger.get(), m_buffer.get(), m_capacity);
    m_buffer = std::move(larger);
    m_capacity *= 2;
  } else if (m_next > 0) {
    std::memmove(m_buffer.get(), m_buffer.get() + m_next, pending);
  }
  m_next = 0;
  m_filled = pending;
  std::size_t got = 0;
  if (!m_file.Read(m_buffer.get() + m_filled, m_capacity - m_filled, got, error)) {
    return false;
  }
  m_filled += got;
  m_atEnd = got == 0;
  return true;
}

void DeskGridRows::Append(const std::vector<std::string_view>& cells) {
  for (const std::string_view cell : cells) {
    m_cells.push_back(Span{m_bytes.size(), cell.size()});
    m_bytes += cell;
  }
  m_rowStart.push_back(m_cells.size());
}

std::string_view DeskGridRows::Cell(long long row, long long column) const {
  if (row < 0 || column < 0 || static_cast<unsigned long long>(row) >= RowCount()) {
    return {};
  }
  const std::size_t first = m_rowStart[static_cast<std::size_t>(row)];
  const std::size_t count = m_rowStart[static_cast<std::size_t>(row) + 1] - first;
  if (static_cast<unsigned long long>(column) >= count) {
    return {};
  }
  const Span cell = m_cells[first + static_cast<std::size_t>(column)];
  return std::string_view(m_bytes).substr(cell.offset, cell.length);
}

void DeskLines::Advance(std::string_view line) {
  if (m_count < m_keep) {
    m_keptBytes.emplace_back(line);
    m_keptPadding.push_back(0);
  } else {
    m_currentBytes = line;
    m_currentPadding = 0;
  }
  ++m_count;
}

bool DeskLines::Reachable(long long line) const {
  return line >= 0 && (static_cast<unsigned long long>(line) < m_keptBytes.size() ||
                       static_cast<unsigned long long>(line) + 1 == m_count);
}

bool DeskLines::Find(long long line, std::string_view& bytes, std::size_t& padding) const {
  if (!Reachable(line)) {
    return false;
  }
  const auto index = static_cast<std::size_t>(line);
  if (index < m_keptBytes.size()) {
    bytes = m_keptBytes[index];
    padding = m_keptPadding[index];
  } else {
    bytes = m_currentBytes;
    padding = m_currentPadding;
  }
  return true;
}

std::size_t DeskLines::Length(long long line) const {
  std::string_view bytes;
  std::size_t padding = 0;
  return Find(line, bytes, padding) ? bytes.size() + padding : 0;
}

void DeskLines::PadTo(long long line, std::size_t length) {
  std::string_view bytes;
  std::size_t padding = 0;
  if (!Find(line, bytes, padding) || length <= bytes.size() + padding) {
    return;
  }
  const auto index = static_cast<std::size_t>(line);
  (index < m_keptBytes.size() ? m_keptPadding[index] : m_currentPadding) = length - bytes.size();
}

void DeskLines::Extract(long long line, long long offset, long long count, std::string& out) const {
  out.clear();
  std::string_view bytes;
  std::size_t padding = 0;
  if (!Find(line, bytes, padding) || offset < 0 || count <= 0 ||
      static_cast<unsigned long long>(offset) >= bytes.size() + padding) {
    return;
  }
  const std::size_t length = bytes.size() + padding;
  const auto first = static_cast<std::size_t>(offset);
  const std::size_t last =
      std::min<unsigned long long>(length, first + static_cast<unsigned long long>(count));
  if (first < bytes.size()) {
    out.assign(bytes, first, std::min(last, bytes.size()) - first);
  }
  if (last > std::max(first, bytes.size())) {
    out.append(last - std::max(first, bytes.size()), ' ');
  }
}

char* DropCarriageReturns(char* begin, char* end) {
  char* write = static_cast<char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
  if (write == nullptr) {
    return end;
  }
  for (const char* read = write; read != end; ++read) {
    if (*read != '\r') {
      *write++ = *read;
    }
  }
  return write;
}

}  // namespace trqx
