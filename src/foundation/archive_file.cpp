#include "foundation/archive_file.h"

#include <fcntl.h>

#include "foundation/csv_line_reader.h"

namespace trqx {

namespace {

constexpr std::size_t kReadChunk = 500;

}  // namespace

bool SaveArchiveFile(const std::string& path, const TokenList& tokens, CFileError& error) {
  LockedFile file;
  // Truncated only once the lock is held, so a file in use elsewhere is left whole.
  if (!file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error)) {
    return false;
  }
  std::string content = RecordLine(tokens);
  content += '\n';
  if (!file.Write(content.data(), content.size(), error)) {
    return false;
  }
  return file.Close(error);
}

ArchiveLoad LoadArchiveFile(const std::string& path,
                            const std::function<bool(const TokenList&)>& onRecord,
                            CFileError& error) {
  LockedFile file;
  // A read lock keeps writers out; a missing file is created and reads as empty.
  if (!file.Open(path, O_RDONLY | O_CREAT, FileLock::kDenyWrite, error)) {
    return ArchiveLoad::kFileError;
  }
  return ReadArchiveRecords(file, onRecord, error);
}

ArchiveLoad ReadArchiveRecords(LockedFile& file,
                               const std::function<bool(const TokenList&)>& onRecord,
                               CFileError& error) {
  char chunk[kReadChunk];
  return ReadArchiveRecords(file, onRecord, chunk, error);
}

ArchiveLoad ReadArchiveRecords(LockedFile& file,
                               const std::function<bool(const TokenList&)>& onRecord,
                               std::span<char> chunk, CFileError& error) {
  CsvLineReader reader(',');
  // Hands over a completed record; false when the caller wants no more.
  const auto deliver = [&]() {
    const bool more = reader.Tokens().empty() || onRecord(reader.Tokens());
    reader.Reset();
    return more;
  };
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(chunk.data(), chunk.size(), got, error)) {
      return ArchiveLoad::kFileError;
    }
    if (got == 0) {
      break;
    }
    std::string_view rest(chunk.data(), got);
    while (!rest.empty()) {
      std::size_t used = 0;
      const CsvStatus status = reader.Feed(rest, used);
      rest.remove_prefix(used);
      if (status == CsvStatus::kBadRecord) {
        return ArchiveLoad::kBadRecord;
      }
      if (status == CsvStatus::kRecord && !deliver()) {
        return ArchiveLoad::kRejected;
      }
    }
  }
  switch (reader.Finish()) {
    case CsvStatus::kBadRecord:
      return ArchiveLoad::kBadRecord;
    case CsvStatus::kRecord:
      return deliver() ? ArchiveLoad::kOk : ArchiveLoad::kRejected;
    case CsvStatus::kPending:
      break;
  }
  return ArchiveLoad::kOk;
}

}  // namespace trqx
