#include "support/fuzz_target.h"

#include <filesystem>

namespace trqx::fuzz {

const ScratchFolder& FuzzFolder() {
  static const ScratchFolder folder(std::filesystem::is_directory("/dev/shm")
                                        ? std::string("/dev/shm")
                                        : std::filesystem::temp_directory_path().string());
  Check(!folder.Path().empty());
  return folder;
}

}  // namespace trqx::fuzz
