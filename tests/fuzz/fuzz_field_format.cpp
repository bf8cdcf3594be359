// Writes the input to a file and reads it as a field format file and as a value list,
// checking what a failed or a successful read leaves behind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/field_format.h"
#include "support/fuzz_target.h"

using trqx::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = trqx::fuzz::FuzzFolder().File("NVFormat.cfg");
  Check(trqx::WriteWholeFile(path, trqx::fuzz::Bytes(data, size)));

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
