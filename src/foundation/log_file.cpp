#include "foundation/log_file.h"

#include <fcntl.h>

#include <array>
#include <iterator>
#include <utility>

namespace trqx {

CLogFile::CLogFile(std::string path, LogFlavour flavour, std::size_t capacity)
    : m_path(std::move(path)), m_flavour(flavour), m_capacity(capacity > 0 ? capacity : 1) {}

CLogFile::~CLogFile() = default;

namespace {

// Reads up to size bytes, as many as the file still holds; got tells how many.
bool ReadFully(LockedFile& file, char* buffer, std::size_t size, std::size_t& got,
               CFileError& error) {
  got = 0;
  while (got < size) {
    std::size_t chunk = 0;
    if (!file.Read(buffer + got, size - got, chunk, error)) {
      return false;
    }
    if (chunk == 0) {
      break;
    }
    got += chunk;
  }
  return true;
}

}  // namespace

bool CLogFile::Open(std::vector<CLogEntry>& entries, CFileError& error) {
  entries.clear();
  m_nextSlot = 0;
  m_wrapped = false;
  if (!m_file.Open(m_path, O_RDWR | O_CREAT, FileLock::kExclusive, error) ||
      !m_file.Seek(0, error)) {
    m_file = LockedFile();
    return false;
  }

  // Records in file order, and the index of every place where time goes backwards.
  std::vector<CLogEntry> read;
  std::vector<std::size_t> wraps;
  std::string previousDate = "00/00/0000";
  std::string previousTime = "00:00:00";
  std::array<char, kRecordSize> buffer{};
  for (std::size_t i = 0; i < m_capacity; ++i) {
    std::size_t got = 0;
    if (!ReadFully(m_file, buffer.data(), buffer.size(), got, error)) {
      m_file = LockedFile();
      return false;
    }
    if (got < kRecordSize || buffer[kRecordSize - 1] != '\n') {
      break;
    }
    CLogEntry entry;
    if (!entry.Parse(std::string_view(buffer.data(), CLogEntry::kRecordLength), m_flavour)) {
      break;
    }
    if (!entry.IsNotOlder(previousDate, previousTime)) {
      wraps.push_back(i);
    }
    previousDate = entry.m_date;
    previousTime = entry.m_time;
    read.push_back(std::move(entry));
  }

  // Each wrap puts the records from its index on before all read so far, so the segments
  // between wrap indexes come out last segment first.
  entries.reserve(read.size());
  std::size_t end = read.size();
  for (auto wrap = wraps.rbegin(); wrap != wraps.rend(); ++wrap) {
    std::move(read.begin() + static_cast<std::ptrdiff_t>(*wrap),
              read.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(entries));
    end = *wrap;
  }
  std::move(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(end),
            std::back_inserter(entries));

  m_wrapped = !wraps.empty();
  m_nextSlot = m_wrapped ? wraps.back() : read.size();
  return true;
}

bool CLogFile::Write(const CLogEntry& entry) {
  if (!m_file.IsOpen()) {
    return false;
  }
  std::string record = entry.Format(m_flavour);
  record.push_back('\n');
  const bool throughCapacity = m_nextSlot >= m_capacity;
  const std::size_t slot = throughCapacity ? 0 : m_nextSlot;
  CFileError error;
  if (!m_file.Seek(static_cast<off_t>(slot * kRecordSize), error) ||
      !m_file.Write(record.data(), record.size(), error)) {
    return false;
  }
  m_nextSlot = slot + 1;
  if (throughCapacity) {
    m_wrapped = true;
  }
  return true;
}

void CLogFile::Close() {
  CFileError ignored;
  m_file.Close(ignored);
}

CLogger::CLogger(LogSink& sink, const StringTable& table, WallClock clock)
    : m_sink(sink), m_table(table), m_clock(std::move(clock)) {}

void CLogger::Log(LogLevel level, LogCategory category, std::uint32_t number,
                  const std::vector<std::string>& args) {
  m_sink.Log(CLogEntry(m_clock(), level, category, number, args, m_table));
}

}  // namespace trqx
