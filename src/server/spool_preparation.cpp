#include "server/spool_preparation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "foundation/archive.h"
#include "foundation/locked_file.h"

namespace trqx {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::string_view kUuidKey = "UUID=";
constexpr std::string_view kServerKey = "SN=Server";
constexpr const char* kTempSuffix = "Temp";

bool Fail(const char* function, const std::string& path, CFileError& error) {
  error = {FileErrorCause::kWrite, errno, function, path};
  return false;
}

// Calls onLine(offset, line) for every line of the file, the line without its line feed.
template <typename OnLine>
bool ForEachLine(const std::string& path, OnLine onLine, CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return false;
  }
  std::vector<char> block(kBlockSize);
  std::string line;
  off_t lineOffset = 0;
  off_t position = 0;
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(block.data(), block.size(), got, error)) {
      return false;
    }
    if (got == 0) {
      break;
    }
    // Whole lines inside the block are handed on as they lie; only a line that spans two
    // blocks is gathered.
    const char* const begin = block.data();
    const char* const end = begin + got;
    for (const char* at = begin; at < end;) {
      const auto* feed = static_cast<const char*>(std::memchr(at, '\n', end - at));
      if (feed == nullptr) {
        line.append(at, end);
        break;
      }
      if (line.empty()) {
        onLine(lineOffset, std::string_view(at, feed - at));
      } else {
        line.append(at, feed);
        onLine(lineOffset, std::string_view(line));
        line.clear();
      }
      lineOffset = position + static_cast<off_t>(feed - begin) + 1;
      at = feed + 1;
    }
    position += static_cast<off_t>(got);
  }
  if (!line.empty()) {
    onLine(lineOffset, std::string_view(line));
  }
  return true;
}

// Copies the bytes of source from offset `from` up to `to` (or its end) into target.
bool CopyRange(LockedFile& source, off_t from, off_t to, LockedFile& target, CFileError& error) {
  std::vector<char> block(kBlockSize);
  if (!source.Seek(from, error)) {
    return false;
  }
  for (off_t position = from; to < 0 || position < to;) {
    const std::size_t want =
        to < 0 ? block.size()
               : std::min<std::size_t>(block.size(), static_cast<std::size_t>(to - position));
    std::size_t got = 0;
    if (!source.Read(block.data(), want, got, error)) {
      return false;
    }
    if (got == 0) {
      break;
    }
    if (!target.Write(block.data(), got, error)) {
      return false;
    }
    position += static_cast<off_t>(got);
  }
  return true;
}

// Writes the file's first `keep` bytes, then text, then the file from `resume` on, to the
// temporary file, and puts that in the file's place.
bool Rewrite(const std::string& path, off_t keep, const std::string& text, off_t resume,
             CFileError& error) {
  const std::string tempPath = path + kTempSuffix;
  LockedFile source;
  LockedFile target;
  bool written = source.Open(path, O_RDONLY, FileLock::kDenyWrite, error) &&
                 target.Open(tempPath, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error);
  written = written && CopyRange(source, 0, keep, target, error) &&
            target.Write(text.data(), text.size(), error) &&
            CopyRange(source, resume, -1, target, error) && target.Close(error) &&
            source.Close(error);
  if (!written) {
    target.Close(error);
    ::unlink(tempPath.c_str());
    return false;
  }
  if (::unlink(path.c_str()) != 0) {
    ::unlink(tempPath.c_str());
    return Fail("unlink", path, error);
  }
  return ::rename(tempPath.c_str(), path.c_str()) == 0 || Fail("rename", tempPath, error);
}

}  // namespace

bool ScanSpoolFile(const std::string& path, CSpoolHeader& header, CFileError& error) {
  header = {};
  return ForEachLine(
      path,
      [&](off_t offset, std::string_view line) {
        if (std::size_t at = line.find(kUuidKey); at != std::string_view::npos) {
          header.m_headerUuid.assign(line.substr(at + kUuidKey.size()));
        }
        if (line.find(kServerKey) != std::string_view::npos && !header.m_serverMarker) {
          header.m_serverMarker = true;
          header.m_serverLineOffset = offset;
          header.m_serverLineLength = line.size();
        }
      },
      error);
}

bool ReplaceServerSerialNumber(const std::string& path, const CSpoolHeader& header,
                               const std::string& serialNumber, CFileError& error) {
  if (!header.m_serverMarker) {
    return true;
  }
  std::string line = "SN=" + serialNumber;
  if (line.size() > header.m_serverLineLength) {
    const off_t resume = header.m_serverLineOffset + static_cast<off_t>(header.m_serverLineLength);
    return Rewrite(path, header.m_serverLineOffset, line, resume, error);
  }
  line.resize(header.m_serverLineLength, ' ');
  LockedFile file;
  return file.Open(path, O_WRONLY, FileLock::kExclusive, error) &&
         file.Seek(header.m_serverLineOffset, error) &&
         file.Write(line.data(), line.size(), error) && file.Close(error);
}

std::string AdministratorLine(const std::string& terminalUserUuid) {
  const bool none = terminalUserUuid.empty() || ParseInt(terminalUserUuid) == -1;
  return "ADMIN=" + (none ? std::string("-1") : terminalUserUuid);
}

bool InsertLineAfterFirst(const std::string& path, const std::string& line, CFileError& error) {
  LockedFile file;
  if (!file.Open(path, O_RDONLY, FileLock::kDenyWrite, error)) {
    return false;
  }
  std::vector<char> block(kBlockSize);
  off_t firstLineEnd = 0;
  bool found = false;
  for (std::size_t got = 1; !found && got > 0; firstLineEnd += static_cast<off_t>(got)) {
    if (!file.Read(block.data(), block.size(), got, error)) {
      return false;
    }
    const auto* feed = static_cast<const char*>(std::memchr(block.data(), '\n', got));
    if (feed != nullptr) {
      found = true;
      got = static_cast<std::size_t>(feed - block.data());
    }
  }
  file.Close(error);
  // A file of one line without a feed gets one before the new line.
  return found ? Rewrite(path, firstLineEnd + 1, line + "\n", firstLineEnd + 1, error)
               : Rewrite(path, firstLineEnd, "\n" + line + "\n", firstLineEnd, error);
}

}  // namespace trqx
