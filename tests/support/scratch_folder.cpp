#include "support/scratch_folder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace trqx {

ScratchFolder::ScratchFolder() : ScratchFolder(std::filesystem::temp_directory_path().string()) {}

ScratchFolder::ScratchFolder(const std::string& parent)
    : m_path((std::filesystem::path(parent) / "trqx-XXXXXX").string()) {
  if (::mkdtemp(m_path.data()) == nullptr) {
    m_path.clear();
  }
}

ScratchFolder::~ScratchFolder() {
  if (!m_path.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return !out.fail();
}

}  // namespace trqx
