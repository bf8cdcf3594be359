#pragma once

#include <string>

#include "foundation/log_file.h"
#include "settings/internal_settings.h"

namespace trqx {

inline constexpr const char* kFieldFormatFileName = "NVFormat.cfg";
// The message box that ends the program when the field format file cannot be read.
inline constexpr const char* kTextCfgReadFailed =
    "Program ending, could not read cfg file. Check error log";

// Reads folder/"NVFormat.cfg" into TheFieldFormat(). On failure logs message 103 (the file
// could not be read: %1 its name, %2 the system code) or 104 (bad contents), both ERROR,
// and returns false: the program then shows kTextCfgReadFailed and ends.
bool ReadFieldFormatAtStartup(CLogger& logger, const std::string& folder = "");

// Creates the cache, copy, poll and temp folders where missing, each component by
// component; a folder that cannot be made is left so, without a report.
void CreateWorkFolders(const COpenNVInternalSettings& settings);

}  // namespace trqx
