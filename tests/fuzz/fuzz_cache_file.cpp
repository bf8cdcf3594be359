// Writes the input to a file and reads it as a basket's cache file (two header values, one
// data value), checking what the reader keeps against the lines themselves.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/cache_info.h"
#include "support/fuzz_target.h"

using trqx::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = trqx::fuzz::FuzzFolder().File("basket.cch");
  Check(trqx::WriteWholeFile(path, trqx::fuzz::Bytes(data, size)));

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
