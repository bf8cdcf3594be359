#pragma once

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace trqx {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the test ends.
class ScratchFolder {
 public:
  ScratchFolder() : m_path((std::filesystem::temp_directory_path() / "trqx-XXXXXX").string()) {
    if (::mkdtemp(m_path.data()) == nullptr) {
      m_path.clear();
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The time value of a local "YYYY-MM-DD HH:MM:SS", so stamps read the same in every zone.
inline std::time_t LocalTime(const char* text) {
  std::tm local{};
  ::strptime(text, "%Y-%m-%d %H:%M:%S", &local);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace trqx
