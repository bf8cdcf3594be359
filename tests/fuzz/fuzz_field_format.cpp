// Writes the input to a file and reads it as a field format file and as a value list,
// checking what a failed or a successful read leaves behind.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/field_format.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// A plain array, so the clean-up at exit never sees a destroyed string.
char g_inputPath[64];

const char* InputPath() {
  if (g_inputPath[0] == '\0') {
    std::snprintf(g_inputPath, sizeof g_inputPath, "/tmp/fuzz_field_format_%d.cfg",
                  static_cast<int>(::getpid()));
    std::atexit([] { std::remove(g_inputPath); });
  }
  return g_inputPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = InputPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return 0;
  }
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) {
    return 0;
  }

  trqx::FieldFormatRegistry registry;
  trqx::CFileError error;
  bool fileError = true;
  if (registry.Read(path, error, fileError)) {
    Check(!fileError);
    int both = 0;
    for (const trqx::OstraneField& field : registry.UploadFields()) {
      Check(field.m_category == trqx::kCategoryUpload || field.m_category == trqx::kCategoryBoth);
      Check(field.m_type >= 0 && field.m_type <= trqx::kTypeLast);
      both += field.m_category == trqx::kCategoryBoth ? 1 : 0;
    }
    for (const trqx::OstraneField& field : registry.DownloadFields()) {
      Check(field.m_category == trqx::kCategoryDownload || field.m_category == trqx::kCategoryBoth);
    }
    Check(registry.CacheHdrCount() + registry.CacheDataCount() <= both);
    Check(static_cast<std::size_t>(registry.DownloadOnlyCount() + both) ==
          registry.DownloadFields().size());
  } else {
    Check(!fileError);  // the file exists and is not in use: only its content can be bad
    Check(registry.UploadFields().empty() && registry.DownloadFields().empty());
    Check(registry.CacheHdrCount() == 0 && registry.CacheDataCount() == 0 &&
          registry.DownloadOnlyCount() == 0);
  }

  std::vector<std::string> values;
  Check(trqx::ReadValueList(path, values, error));
  for (const std::string& value : values) {
    Check(value.size() <= size);
  }
  return 0;
}
