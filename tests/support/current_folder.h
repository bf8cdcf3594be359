#pragma once

#include <unistd.h>

#include <string>

namespace trqx::test {

// Makes folder the process's current folder for the object's life, for code that works in
// its working folder.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::string& folder) {
    char* previous = ::getcwd(nullptr, 0);
    if (previous != nullptr) {
      m_previous = previous;
      ::free(previous);
    }
    m_entered = ::chdir(folder.c_str()) == 0;
  }
  ~ScopedCurrentFolder() {
    if (m_entered && !m_previous.empty()) {
      [[maybe_unused]] int ignored = ::chdir(m_previous.c_str());
    }
  }
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

  bool Entered() const { return m_entered; }

 private:
  std::string m_previous;
  bool m_entered = false;
};

}  // namespace trqx::test
