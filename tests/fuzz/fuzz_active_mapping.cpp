// Writes the input to a folder's activedw.pfl and loads it; a loaded mapping must save to
// tokens that load back to the same tokens, and must convert a small basket without fault.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "download/active_mapping_file.h"
#include "support/fields.h"
#include "support/fuzz_target.h"
#include "support/recording_view.h"

namespace {

using trqx::fuzz::Check;

// The folder of the mapping file, with "out" for the reports.
const std::string& Folder() {
  static const std::string folder = [] {
    const std::string path = trqx::fuzz::FuzzFolder().Path();
    std::filesystem::create_directories(path + "/out");
    return path;
  }();
  return folder;
}

// A header field, a cache data field, Ticker and Filled Shares.
const std::vector<trqx::OstraneField> kFields = trqx::Fields({
    {"PORTFOLIO", 10, 12, trqx::kCategoryBoth},
    {"ACCOUNT", 10, 13, trqx::kCategoryBoth},
    {"TICKER", 10, 15, trqx::kCategoryDownload},
    {"FILLED", 10, 20, trqx::kCategoryDownload},
});

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  trqx::CActiveDownLoadMappingFile activeFile(Folder(), kFields);
  Check(trqx::WriteWholeFile(activeFile.Path(), trqx::fuzz::Bytes(data, size)));

  trqx::RecordingView view;
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
