#pragma once

#include <string>
#include <string_view>

namespace trqx {

// A fresh folder under parent (the system's temporary folder by default), removed with
// everything in it when the object goes. Path() is empty when the folder could not be made.
class ScratchFolder {
 public:
  ScratchFolder();
  explicit ScratchFolder(const std::string& parent);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Replaces the file with content; false when it could not be written whole.
bool WriteWholeFile(const std::string& path, std::string_view content);

}  // namespace trqx
