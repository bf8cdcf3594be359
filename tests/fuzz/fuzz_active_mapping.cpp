// Writes the input to a folder's activedw.pfl and loads it; a loaded mapping must save to
// tokens that load back to the same tokens, and must convert a small basket without fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "download/active_mapping_file.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

class SilentView : public trqx::MessageBoxView {
 public:
  void ShowMessageBox(const std::string&) override {}
};

const std::string& Folder() {
  static const std::string folder = [] {
    std::string path = "/tmp/fuzz_active_mapping_" + std::to_string(::getpid());
    std::filesystem::create_directories(path + "/out");
    return path;
  }();
  return folder;
}

trqx::OstraneField Field(const char* name, int type, int category) {
  trqx::OstraneField field;
  field.m_name = name;
  field.m_width = 10;
  field.m_type = type;
  field.m_category = category;
  return field;
}

// A header field, a cache data field, Ticker and Filled Shares.
const std::vector<trqx::OstraneField> kFields{Field("PORTFOLIO", 12, 2), Field("ACCOUNT", 13, 2),
                                              Field("TICKER", 15, 1), Field("FILLED", 20, 1)};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  trqx::CActiveDownLoadMappingFile activeFile(Folder(), kFields);
  std::FILE* file = std::fopen(activeFile.Path().c_str(), "wb");
  if (file == nullptr) {
    return 0;
  }
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) {
    return 0;
  }

  SilentView view;
  const bool loaded = activeFile.OpenLoadAndClose(view);
  const std::unique_ptr<trqx::CDownLoadMapping> mapping = activeFile.TakeMapping();
  if (!loaded || mapping == nullptr) {
    Check(mapping == nullptr || loaded);
    return 0;
  }

  trqx::TokenList tokens;
  mapping->Save(tokens);
  const std::unique_ptr<trqx::CDownLoadMapping> again = trqx::NewDownLoadMapping(tokens[0]);
  Check(again != nullptr);
  std::size_t pos = 0;
  Check(again->Load(tokens, pos, kFields) && pos == tokens.size());
  trqx::TokenList tokensAgain;
  again->Save(tokensAgain);
  Check(tokensAgain == tokens);

  trqx::CDownLoadAssembledRecord header(1);
  header.Set(0, "GROWTH");
  std::vector<trqx::CDownLoadAssembledRecord> rows;
  for (const char* filled : {"10", "0"}) {
    trqx::CDownLoadAssembledRecord& row = rows.emplace_back(3);
    row.Set(0, "ACC");
    row.Set(1, "IBM");
    row.Set(2, filled);
  }
  bool fileError = false;
  trqx::CFileError error;
  std::string reportPath;
  Check(mapping->Convert(Folder() + "/out", 0, "B1", kFields, header, rows, fileError, error,
                         reportPath));
  return 0;
}
