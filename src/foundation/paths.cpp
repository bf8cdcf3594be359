#include "foundation/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace trqx {

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return home;
  }
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
      result != nullptr && result->pw_dir != nullptr && *result->pw_dir != '\0') {
    return result->pw_dir;
  }
  return ".";
}

std::string ExpandWindowsDefault(std::string_view windowsPath) {
  std::string_view rest = windowsPath;
  if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
    rest.remove_prefix(2);
  }
  std::string relative;
  relative.reserve(rest.size());
  for (char c : rest) {
    relative.push_back(c == '\\' ? '/' : c);
  }
  while (!relative.empty() && relative.front() == '/') {
    relative.erase(relative.begin());
  }
  return JoinPath(HomeDirectory(), relative);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '/' && !name.empty()) {
    joined.push_back('/');
  }
  joined.append(name);
  return joined;
}

std::string FileNamePart(std::string_view path) {
  std::size_t last = path.find_last_of("/\\");
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

}  // namespace trqx
