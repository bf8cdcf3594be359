// Writes the input to a file and reads it as a basket's cache file (two header values, one
// data value), checking what the reader keeps against the lines themselves.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "download/cache_info.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

const std::string& InputPath() {
  static const std::string path = "/tmp/fuzz_cache_file_" + std::to_string(::getpid()) + ".cch";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = InputPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return 0;
  }
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) {
    return 0;
  }

  trqx::CCacheInfo info;
  trqx::CFileError error;
  const trqx::RecordFileResult result = trqx::ReadCacheFile(path, 2, 1, info, error);
  Check(result == trqx::RecordFileResult::kOk || result == trqx::RecordFileResult::kBadRecord);
  Check(info.Header().m_kind == "HDR");
  Check(info.Header().m_values.empty() || info.Header().m_values.size() == 2);
  for (std::size_t i = 0; i < info.Data().size(); ++i) {
    const trqx::CCacheEntry& entry = info.Data()[i];
    Check(entry.m_kind == "DATA" && entry.m_values.size() == 1);
    // The lookup finds the first line of the key, as a search from the top would.
    std::size_t first = 0;
    while (info.Data()[first].m_key != entry.m_key) {
      ++first;
    }
    Check(info.FindData(entry.m_key) == &info.Data()[first]);
  }
  return 0;
}
