#pragma once

// Header-only: users link the settings layer they test. Needs TRQX_TEST_DATA, which every
// test binary defines.

#include <filesystem>
#include <functional>
#include <string>

#include "settings/settings_file.h"
#include "support/scratch_folder.h"

namespace trqx::test {

// The program files the client reads at start-up, into folder: the golden field format and
// upload profile (whose grid mapping takes ".csv" files) and the three value lists. The
// settings file is left out: WriteClientSettings makes it.
inline void CopyClientProgramFiles(const std::string& folder) {
  const std::string data = std::string(TRQX_TEST_DATA) + "/upload/";
  for (const char* name : {"NVFormat.cfg", "qxu.pfl"}) {
    std::filesystem::copy_file(data + name, folder + "/" + name);
  }
  WriteWholeFile(folder + "/exchange.cfg", "N\nQ\n");
  WriteWholeFile(folder + "/ordertype.cfg", "MKT\nLMT\n");
  WriteWholeFile(folder + "/reason.cfg", "late\n");
}

// Writes folder's "trqx.cfg": the defaults for that folder with a UUID (a file with UUID 0
// would be replaced from its backup), changed by edit.
inline bool WriteClientSettings(const std::string& folder,
                                const std::function<void(COpenNVInternalSettings&)>& edit) {
  COpenNVInternalSettings settings(folder);
  settings.m_uuid = 4711;
  edit(settings);
  CSettingsFile file(settings, folder);
  std::uintmax_t size = 0;
  CFileError error;
  return file.Save(size, error);
}

}  // namespace trqx::test
