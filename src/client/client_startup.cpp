#include "client/client_startup.h"

#include <filesystem>
#include <system_error>

#include "foundation/client_strings.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"
#include "foundation/paths.h"

namespace trqx {

bool ReadFieldFormatAtStartup(CLogger& logger, const std::string& folder) {
  const std::string path = JoinPath(folder, kFieldFormatFileName);
  CFileError error;
  bool fileError = false;
  if (TheFieldFormat().Read(path, error, fileError)) {
    return true;
  }
  if (fileError) {
    logger.Log(kLogError, kCategorySystem, client_strings::kMsgFileError,
               {path, std::to_string(static_cast<unsigned>(error.m_osError))});
  } else {
    logger.Log(kLogError, kCategorySystem, client_strings::kMsgBadFormatFile, {path});
  }
  return false;
}

void CreateWorkFolders(const COpenNVInternalSettings& settings) {
  for (const std::string* folder : {&settings.m_cacheDirectory, &settings.m_copyDir,
                                    &settings.m_pollDirectory, &settings.m_tempDirectory}) {
    if (!folder->empty()) {
      std::error_code ec;
      std::filesystem::create_directories(*folder, ec);
    }
  }
}

}  // namespace trqx
