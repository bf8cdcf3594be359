// Loads the input as the server settings file "VEXOSvr.cfg". A load that fails must leave the
// settings as they were; loaded settings must save, load back and save to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/server_settings.h"
#include "support/fuzz_target.h"
#include "support/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trqx;
  const std::string path = fuzz::FuzzFolder().File(CServerSettings::kFileName);
  fuzz::Check(WriteWholeFile(path, fuzz::Bytes(data, size)));

  CServerSettings settings;
  settings.m_user.m_port = -7;  // no default: a failed load must keep it
  settings.m_ftp.m_retryLimit = -7;
  CFileError error;
  if (!settings.LoadFile(path, error)) {
    fuzz::Check(settings.m_user.m_port == -7);
    fuzz::Check(settings.m_ftp.m_retryLimit == -7);
    return 0;
  }
  const std::string savedPath = path + ".saved";
  fuzz::Check(settings.SaveFile(savedPath, error));
  const std::string saved = ReadWholeFile(savedPath);
  CServerSettings again;
  fuzz::Check(again.LoadFile(savedPath, error));
  fuzz::Check(again.SaveFile(savedPath, error));
  fuzz::Check(ReadWholeFile(savedPath) == saved);
  return 0;
}
