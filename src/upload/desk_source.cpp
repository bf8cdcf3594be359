#include "upload/desk_source.h"

#include <sys/mman.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trqx {

namespace {

constexpr std::size_t kReadChunk = 1 << 16;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Asks for transparent huge pages over the whole 2 MiB pages inside a large allocation that
// has not been touched yet: the first touch of a 100 MB desk file's buffers then costs a few
// dozen page faults instead of tens of thousands. Only a hint; failure changes nothing.
void AdviseHugePages(const void* data, std::size_t bytes) {
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (last > first) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
}

}  // namespace

bool ReadDeskFile(LockedFile& file, std::string& buffer, CFileError& error) {
  buffer.clear();
  off_t size = 0;
  if (!file.Size(size, error)) {
    return false;
  }
  const auto tooLarge = [&] {
    error.m_cause = FileErrorCause::kTooLarge;
    error.m_osError = EFBIG;
    error.m_function = "read";
    error.m_fileName = file.Path();
    return false;
  };
  if (static_cast<std::uint64_t>(size) >= CsvInPlaceSplitter::kMaxBufferSize) {
    return tooLarge();
  }
  // One allocation for the size the file has now; bytes beyond it (a file that grows while
  // it is read) are appended chunk by chunk.
  buffer.reserve(static_cast<std::size_t>(size));
  AdviseHugePages(buffer.data(), buffer.capacity());
  buffer.resize(static_cast<std::size_t>(size));
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    std::size_t got = 0;
    if (!file.Read(buffer.data() + filled, buffer.size() - filled, got, error)) {
      buffer.clear();
      return false;
    }
    if (got == 0) {
      break;
    }
    filled += got;
  }
  buffer.resize(filled);
  if (filled < static_cast<std::size_t>(size)) {
    return true;
  }
  std::string chunk(kReadChunk, '\0');
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(chunk.data(), chunk.size(), got, error)) {
      buffer.clear();
      return false;
    }
    if (got == 0) {
      return true;
    }
    if (buffer.size() + got >= CsvInPlaceSplitter::kMaxBufferSize) {
      buffer.clear();
      return tooLarge();
    }
    buffer.append(chunk, 0, got);
  }
}

bool DeskGrid::Build(std::string bytes, char separator) {
  m_bytes = std::move(bytes);
  m_cells.clear();
  m_rowStart.assign(1, 0);
  // Every cell starts at the file's start or after a separator or a line feed, so counting
  // those bounds the cells and the rows; reserving them avoids regrowing large vectors.
  std::size_t separators = 0;
  std::size_t lineFeeds = 0;
  for (const char c : m_bytes) {
    separators += c == separator;
    lineFeeds += c == '\n';
  }
  m_cells.reserve(separators + lineFeeds + 1);
  AdviseHugePages(m_cells.data(), m_cells.capacity() * sizeof(CellRef));
  m_rowStart.reserve(lineFeeds + 2);
  AdviseHugePages(m_rowStart.data(), m_rowStart.capacity() * sizeof(std::size_t));
  CsvInPlaceSplitter splitter(separator);
  const bool ok = splitter.Split(m_bytes, [&](const std::vector<CellRef>& record) {
    m_cells.insert(m_cells.end(), record.begin(), record.end());
    m_rowStart.push_back(m_cells.size());
  });
  if (!ok) {
    m_bytes.clear();
    m_cells.clear();
    m_rowStart.assign(1, 0);
  }
  return ok;
}

std::string_view DeskGrid::Cell(long long row, long long column) const {
  if (row < 0 || column < 0 || static_cast<unsigned long long>(row) >= RowCount()) {
    return {};
  }
  const std::size_t first = m_rowStart[static_cast<std::size_t>(row)];
  const std::size_t count = m_rowStart[static_cast<std::size_t>(row) + 1] - first;
  if (static_cast<unsigned long long>(column) >= count) {
    return {};
  }
  const CellRef cell = m_cells[first + static_cast<std::size_t>(column)];
  return std::string_view(m_bytes).substr(cell.offset, cell.length);
}

void DeskLines::Build(std::string bytes) {
  m_bytes = std::move(bytes);
  m_lines.clear();
  m_lines.reserve(static_cast<std::size_t>(std::count(m_bytes.begin(), m_bytes.end(), '\n')) + 1);
  AdviseHugePages(m_lines.data(), m_lines.capacity() * sizeof(Line));
  // Carriage returns are squeezed out in place; the write position never passes the read one.
  std::size_t write = 0;
  std::size_t lineStart = 0;
  const std::size_t size = m_bytes.size();
  char* data = m_bytes.data();
  for (std::size_t read = 0; read < size;) {
    const void* found = std::memchr(data + read, '\n', size - read);
    const std::size_t end =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
    for (std::size_t i = read; i < end;) {
      const void* cr = std::memchr(data + i, '\r', end - i);
      const std::size_t stop =
          cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end;
      if (write != i) {
        std::memmove(data + write, data + i, stop - i);
      }
      write += stop - i;
      i = stop + (cr ? 1 : 0);
    }
    if (!found) {
      break;
    }
    m_lines.push_back(Line{lineStart, write - lineStart, 0});
    lineStart = write;
    read = end + 1;
  }
  if (write > lineStart) {
    m_lines.push_back(Line{lineStart, write - lineStart, 0});
  }
  m_bytes.resize(write);
}

std::size_t DeskLines::Length(long long line) const {
  if (line < 0 || static_cast<unsigned long long>(line) >= m_lines.size()) {
    return 0;
  }
  const Line& held = m_lines[static_cast<std::size_t>(line)];
  return held.length + held.padding;
}

void DeskLines::PadTo(std::size_t line, std::size_t length) {
  if (line < m_lines.size()) {
    Line& held = m_lines[line];
    held.padding = std::max(held.padding, length > held.length ? length - held.length : 0);
  }
}

void DeskLines::Extract(long long line, long long offset, long long count, std::string& out) const {
  out.clear();
  const std::size_t length = Length(line);
  if (offset < 0 || count <= 0 || static_cast<unsigned long long>(offset) >= length) {
    return;
  }
  const Line& held = m_lines[static_cast<std::size_t>(line)];
  const std::size_t first = static_cast<std::size_t>(offset);
  const std::size_t last =
      std::min<unsigned long long>(length, first + static_cast<unsigned long long>(count));
  if (first < held.length) {
    out.assign(m_bytes, held.offset + first, std::min(last, held.length) - first);
  }
  if (last > std::max(first, held.length)) {
    out.append(last - std::max(first, held.length), ' ');
  }
}

}  // namespace trqx
