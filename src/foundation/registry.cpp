#include "foundation/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace trqx {

namespace {

constexpr off_t kLargestHive = 4 * 1024 * 1024;
constexpr const char* kLocalMachineName = "HKEY_LOCAL_MACHINE";
constexpr const char* kCurrentUserName = "HKEY_CURRENT_USER";

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// The section name of a "[...]" line.
bool SectionLine(std::string_view line, std::string_view& section) {
  const std::string_view trimmed = TrimBlanksAndReturns(line);
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') {
    return false;
  }
  section = trimmed.substr(1, trimmed.size() - 2);
  return true;
}

// The name and value of a "NAME=value" line; the value keeps its blanks.
bool ValueLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const std::string_view trimmed = TrimBlanksAndReturns(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
      trimmed.front() == '[') {
    return false;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    return false;
  }
  name = TrimBlanksAndReturns(line.substr(0, equals));
  value = line.substr(equals + 1);
  if (!value.empty() && value.back() == '\r') {
    value.remove_suffix(1);
  }
  return true;
}

long CodeOfReadErrno(int code) {
  if (code == ENOENT || code == ENOTDIR) {
    return Registry::kNotFound;
  }
  if (code == EACCES || code == EPERM) {
    return Registry::kAccessDenied;
  }
  return Registry::kReadFault;
}

long CodeOfWriteErrno(int code) {
  return (code == EACCES || code == EPERM || code == EROFS) ? Registry::kAccessDenied
                                                            : Registry::kWriteFault;
}

// The hive file's lines (without their line feeds).
long ReadHive(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    return CodeOfReadErrno(errno);
  }
  struct stat status = {};
  if (::fstat(fd, &status) != 0) {
    const int code = errno;
    ::close(fd);
    return CodeOfReadErrno(code);
  }
  if (!S_ISREG(status.st_mode) || status.st_size > kLargestHive) {
    ::close(fd);
    return S_ISDIR(status.st_mode) ? Registry::kAccessDenied : Registry::kBadDatabase;
  }
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      const int code = errno;
      ::close(fd);
      return CodeOfReadErrno(code);
    }
    if (n == 0) {
      break;
    }
    content.append(buffer, static_cast<std::size_t>(n));
    if (content.size() > static_cast<std::size_t>(kLargestHive)) {
      ::close(fd);
      return Registry::kBadDatabase;
    }
  }
  ::close(fd);
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) {
      end = content.size();
    }
    lines.emplace_back(content, start, end - start);
    start = end + 1;
  }
  return Registry::kSuccess;
}

// Creates every missing folder of path's parent.
long MakeParentFolders(const std::string& path) {
  std::size_t slash = path.find('/', 1);
  while (slash != std::string::npos && slash + 1 < path.size()) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
      return CodeOfWriteErrno(errno);
    }
    slash = path.find('/', slash + 1);
  }
  return Registry::kSuccess;
}

long WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return CodeOfWriteErrno(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  return Registry::kSuccess;
}

// Replaces the hive file by a new one holding lines.
long ReplaceHive(const std::string& path, const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += '\n';
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    return CodeOfWriteErrno(errno);
  }
  // The old file's permissions, or readable by all for a new hive.
  struct stat status = {};
  ::fchmod(fd, ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0644);
  long result = WriteAll(fd, content);
  if (result == Registry::kSuccess && ::fsync(fd) != 0) {
    result = CodeOfWriteErrno(errno);
  }
  if (::close(fd) != 0 && result == Registry::kSuccess) {
    result = CodeOfWriteErrno(errno);
  }
  if (result == Registry::kSuccess && ::rename(temporary.c_str(), path.c_str()) != 0) {
    result = CodeOfWriteErrno(errno);
  }
  if (result != Registry::kSuccess) {
    ::unlink(temporary.c_str());
  }
  return result;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && key.find_first_of("[]\r\n") == std::string_view::npos;
}

bool ValidName(std::string_view name) {
  if (name.find_first_of("=\r\n") != std::string_view::npos || TrimBlanksAndReturns(name) != name) {
    return false;
  }
  return name.empty() || (name.front() != '[' && name.front() != ';' && name.front() != '#');
}

std::string Folder(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

IniRegistry::IniRegistry() {
  if (std::string folder = Folder("TRQX_REGISTRY"); !folder.empty()) {
    m_localMachineFile = JoinPath(folder, kLocalMachineName);
    m_currentUserFile = JoinPath(folder, kCurrentUserName);
    return;
  }
  m_localMachineFile = JoinPath("/etc/trqx/registry", kLocalMachineName);
  std::string config = Folder("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') {  // a relative value is to be ignored
    config = JoinPath(HomeDirectory(), ".config");
  }
  m_currentUserFile = JoinPath(JoinPath(config, "trqx/registry"), kCurrentUserName);
}

IniRegistry::IniRegistry(const std::string& folder)
    : m_localMachineFile(JoinPath(folder, kLocalMachineName)),
      m_currentUserFile(JoinPath(folder, kCurrentUserName)) {}

const std::string& IniRegistry::HiveFile(RegistryHive hive) const {
  return hive == RegistryHive::kLocalMachine ? m_localMachineFile : m_currentUserFile;
}

long IniRegistry::KeyExists(RegistryHive hive, const std::string& key) const {
  std::vector<std::string> lines;
  if (const long result = ReadHive(HiveFile(hive), lines); result != kSuccess) {
    return result;
  }
  if (key.empty()) {
    return kSuccess;
  }
  for (const std::string& line : lines) {
    std::string_view section;
    if (!SectionLine(line, section)) {
      continue;
    }
    if (EqualNoCase(section, key) || (section.size() > key.size() && section[key.size()] == '\\' &&
                                      EqualNoCase(section.substr(0, key.size()), key))) {
      return kSuccess;
    }
  }
  return kNotFound;
}

long IniRegistry::ReadString(RegistryHive hive, const std::string& key, const std::string& name,
                             std::size_t maxLength, std::string& value) const {
  value.clear();
  std::vector<std::string> lines;
  if (const long result = ReadHive(HiveFile(hive), lines); result != kSuccess) {
    return result;
  }
  std::string_view current;  // the root until the first section line
  for (const std::string& line : lines) {
    std::string_view section;
    std::string_view lineName;
    std::string_view lineValue;
    if (SectionLine(line, section)) {
      current = section;
    } else if (ValueLine(line, lineName, lineValue) && EqualNoCase(current, key) &&
               EqualNoCase(lineName, name)) {
      if (lineValue.size() > maxLength) {
        return kMoreData;
      }
      value.assign(lineValue);
      return kSuccess;
    }
  }
  return kNotFound;
}

long IniRegistry::WriteString(RegistryHive hive, const std::string& key, const std::string& name,
                              const std::string& value) {
  if (!ValidKey(key) || !ValidName(name) || HasLineBreak(value)) {
    return kInvalidParameter;
  }
  const std::string path = HiveFile(hive);
  std::vector<std::string> lines;
  if (const long result = ReadHive(path, lines); result == kNotFound) {
    if (const long made = MakeParentFolders(path); made != kSuccess) {
      return made;
    }
  } else if (result != kSuccess) {
    return result;
  }

  // The first section of the key, and within it the value's line or the last line that
  // is not blank.
  std::size_t sectionLine = lines.size();
  std::size_t insertAt = lines.size();
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view section;
    std::string_view lineName;
    std::string_view lineValue;
    if (SectionLine(lines[i], section)) {
      if (inSection) {
        break;
      }
      if (EqualNoCase(section, key)) {
        inSection = true;
        sectionLine = i;
        insertAt = i + 1;
      }
    } else if (inSection) {
      if (ValueLine(lines[i], lineName, lineValue) && EqualNoCase(lineName, name)) {
        lines[i] = std::string(lineName) + "=" + value;
        return ReplaceHive(path, lines);
      }
      if (!TrimBlanksAndReturns(lines[i]).empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (sectionLine == lines.size()) {
    if (!lines.empty() && !TrimBlanksAndReturns(lines.back()).empty()) {
      lines.emplace_back();
    }
    lines.push_back("[" + key + "]");
    insertAt = lines.size();
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), name + "=" + value);
  return ReplaceHive(path, lines);
}

}  // namespace trqx
