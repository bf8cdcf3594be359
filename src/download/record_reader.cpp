#include "download/record_reader.h"

#include <fcntl.h>

#include <utility>
#include <vector>

#include "foundation/locked_file.h"

namespace trqx {

RecordSplitter::RecordSplitter(char separator, OnRecord onRecord)
    : m_reader(separator), m_onRecord(std::move(onRecord)) {}

RecordSplitter::Status RecordSplitter::Feed(std::string_view chunk) {
  while (!chunk.empty()) {
    std::size_t used = 0;
    const CsvStatus status = m_reader.Feed(chunk, used);
    if (status == CsvStatus::kBadRecord) {
      return Status::kBadRecord;
    }
    if (status == CsvStatus::kPending) {
      m_pending = m_pending || chunk.find_first_not_of('\r') != std::string_view::npos;
      m_consumed += chunk.size();
      return Status::kMore;
    }
    chunk.remove_prefix(used);
    m_consumed += used;
    m_pending = false;
    m_onRecord(m_reader.Tokens());
    m_reader.Reset();
  }
  return Status::kMore;
}

RecordSplitter::Status RecordSplitter::Finish() {
  if (!m_pending) {
    return Status::kMore;
  }
  m_pending = false;
  if (m_reader.Finish() != CsvStatus::kRecord) {
    return Status::kBadRecord;
  }
  m_onRecord(m_reader.Tokens());
  m_reader.Reset();
  return Status::kMore;
}

RecordFileResult ReadRecordFile(const std::string& path, RecordSplitter& splitter,
                                CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return RecordFileResult::kOpenFailed;
  }
  // The chunk size carries no meaning; records span chunks freely.
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(buffer.data(), buffer.size(), got, error)) {
      return RecordFileResult::kReadFailed;
    }
    const RecordSplitter::Status status =
        got == 0 ? splitter.Finish() : splitter.Feed(std::string_view(buffer.data(), got));
    if (status == RecordSplitter::Status::kBadRecord) {
      return RecordFileResult::kBadRecord;
    }
    if (got == 0) {
      return RecordFileResult::kOk;
    }
  }
}

}  // namespace trqx
