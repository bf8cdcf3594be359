#include "foundation/cache_file.h"

#include <fcntl.h>

#include <cerrno>

#include "foundation/archive.h"
#include "foundation/locked_file.h"
#include "foundation/paths.h"

namespace trqx {

std::string BasketFileNamePart(std::string_view basketId) {
  std::string part(basketId);
  for (char& c : part) {
    // A NUL would end the path early and drop the extension.
    if (c == '/' || c == '\\' || c == '\0') {
      c = '_';
    }
  }
  return part;
}

std::string CacheFileName(std::time_t when, std::string_view basket, std::string_view suffix) {
  std::tm local = {};
  localtime_r(&when, &local);
  char date[16];
  const std::size_t length = std::strftime(date, sizeof date, "%m-%d-%y", &local);
  std::string basketText(basket);
  if (!suffix.empty()) {
    basketText += '-';
    basketText += suffix;
  }
  std::string name(date, length);
  name += BasketFileNamePart(basketText);
  name += ".cch";
  return name;
}

namespace {

std::string CacheLine(const CCacheEntry& entry) {
  TokenList tokens;
  tokens.reserve(entry.m_values.size() + 2);
  tokens.push_back(entry.m_kind);
  tokens.push_back(entry.m_key);
  tokens.insert(tokens.end(), entry.m_values.begin(), entry.m_values.end());
  return RecordLine(tokens);
}

void FillError(CFileError& error, const char* function) {
  error.m_cause = FileErrorCause::kWrite;
  error.m_osError = errno;
  error.m_function = function;
  error.m_fileName = "(temporary file)";
}

}  // namespace

CCacheDataLines::~CCacheDataLines() {
  if (m_spill != nullptr) {
    std::fclose(m_spill);
  }
}

void CCacheDataLines::Add(const CCacheEntry& entry) {
  ++m_count;
  if (m_error.m_cause != FileErrorCause::kNone) {
    return;
  }
  m_held += CacheLine(entry);
  if (m_held.size() >= kHeldBytes) {
    Spill();
  }
}

void CCacheDataLines::Spill() {
  if (m_spill == nullptr && (m_spill = std::tmpfile()) == nullptr) {
    FillError(m_error, "tmpfile");
  } else if (std::fwrite(m_held.data(), 1, m_held.size(), m_spill) != m_held.size()) {
    FillError(m_error, "fwrite");
  }
  m_held.clear();
}

bool CCacheDataLines::Kept(CFileError& error) const {
  if (m_error.m_cause != FileErrorCause::kNone) {
    error = m_error;
    return false;
  }
  return true;
}

bool CCacheDataLines::WriteTo(LockedFile& file, CFileError& error) const {
  if (m_spill != nullptr) {
    if (std::fflush(m_spill) != 0 || std::fseek(m_spill, 0, SEEK_SET) != 0) {
      FillError(error, "fflush");
      return false;
    }
    std::string chunk(kHeldBytes, '\0');
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), m_spill)) > 0;) {
      if (!file.Write(chunk.data(), got, error)) {
        return false;
      }
    }
    if (std::ferror(m_spill) != 0) {
      FillError(error, "fread");
      return false;
    }
    // Lines added after this stay at the end.
    std::fseek(m_spill, 0, SEEK_END);
  }
  return file.Write(m_held.data(), m_held.size(), error);
}

bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const CCacheDataLines& data, std::time_t when,
                    CFileError& error) {
  if (!data.Kept(error)) {
    return false;
  }
  LockedFile file;
  const std::string path = JoinPath(cacheDir, CacheFileName(when, basket, suffix));
  // O_TRUNC takes effect once the lock is held, so a file in use elsewhere stays whole.
  if (!file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error)) {
    return false;
  }
  const std::string headerLine = CacheLine(header);
  if (!file.Write(headerLine.data(), headerLine.size(), error) || !data.WriteTo(file, error)) {
    return false;
  }
  return file.Close(error);
}

bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const std::vector<CCacheEntry>& data,
                    std::time_t when, CFileError& error) {
  CCacheDataLines lines;
  for (const CCacheEntry& entry : data) {
    lines.Add(entry);
  }
  return WriteCacheFile(cacheDir, basket, suffix, header, lines, when, error);
}

}  // namespace trqx
