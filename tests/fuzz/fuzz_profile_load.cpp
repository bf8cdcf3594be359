// Loads the input as the upload profile file "qxu.pfl" and, when it loads, checks that the
// profile saves and loads back to the same tokens and that mapping selection stays within
// the list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/archive.h"
#include "support/fuzz_target.h"
#include "upload/user_profile.h"
#include "upload_fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trqx;
  const FieldFormatRegistry& format = fuzz::UploadFuzzFields();
  const std::string path = fuzz::FuzzFolder().File("qxu.pfl");
  fuzz::Check(WriteWholeFile(path, fuzz::Bytes(data, size)));

  UserProfile profile(format, size % 2 == 0);
  CFileError error;
  const bool loaded = profile.LoadFile(path, error);
  const std::size_t fieldCount = format.UploadFields().size();
  for (std::size_t i = 0; i < profile.MappingCount(); ++i) {
    fuzz::Check(profile.GetMapping(i)->FieldCount() >= fieldCount);
  }
  for (const char* name : {"orders.csv", "list.TXT", "a..dat", "noext", ""}) {
    const auto chosen = profile.SelectMapping(name);
    fuzz::Check(!chosen || *chosen < profile.MappingCount());
  }
  if (!loaded) {
    return 0;
  }
  TokenList saved;
  profile.Save(saved);
  UserProfile again(format, size % 2 == 0);
  std::size_t pos = 0;
  fuzz::Check(again.Load(saved, pos));
  fuzz::Check(pos == saved.size());
  TokenList savedAgain;
  again.Save(savedAgain);
  fuzz::Check(savedAgain == saved);
  return 0;
}
