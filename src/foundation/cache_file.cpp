#include "foundation/cache_file.h"

#include <fcntl.h>

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

bool WriteCacheFile(const std::string& cacheDir, std::string_view basket, std::string_view suffix,
                    const CCacheEntry& header, const std::vector<CCacheEntry>& data,
                    std::time_t when, CFileError& error) {
  std::string content;
  TokenList tokens;
  const auto appendLine = [&](const CCacheEntry& entry) {
    tokens.clear();
    tokens.push_back(entry.m_kind);
    tokens.push_back(entry.m_key);
    tokens.insert(tokens.end(), entry.m_values.begin(), entry.m_values.end());
    content += RecordLine(tokens);
  };
  appendLine(header);
  for (const CCacheEntry& entry : data) {
    appendLine(entry);
  }
  LockedFile file;
  const std::string path = JoinPath(cacheDir, CacheFileName(when, basket, suffix));
  // O_TRUNC takes effect once the lock is held, so a file in use elsewhere stays whole.
  if (!file.Open(path, O_WRONLY | O_CREAT | O_TRUNC, FileLock::kExclusive, error)) {
    return false;
  }
  if (!file.Write(content.data(), content.size(), error)) {
    return false;
  }
  return file.Close(error);
}

}  // namespace trqx
