#pragma once

#include <string>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "settings/settings_file.h"
#include "upload/user_profile.h"

namespace trqx {

// The upload number after a successful conversion: the next one, 0 after 999 (and after
// the 1000 that a failure at 999 leaves).
unsigned NextUploadNumber(unsigned uploadNumber);

// Converts one desk file into the upload file "TRQX%03u.inc" (the upload number) in the
// copy folder, as the upload flow does before handing a file over:
// - picks the profile's mapping for the file (none: message 109);
// - converts at the clock's time, with the profile's field format, the settings' UUID, the login as
// basket suffix when auto increment
//   appends the login, the portfolio login block, the cache folder and the terminal user
//   UUID (failure: 107 for a file error, else 108);
// - with auto increment on, saves the advanced basket ID (the basket save point);
// - checks the written file: its "UUID=" value must be a number of at least 1 (131) and,
//   for terminal uploads, its "PRICINGNUMBER=" value numeric and 0 (133).
// Every message is an ERROR entry of category 1. On success uploadPath names the file and
// the upload number advances with NextUploadNumber; on failure it advances by one without
// the wrap, the upload file may remain, and uploadPath is empty.
bool ConvertDeskFile(const std::string& deskPath, CSettingsFile& settingsFile, UserProfile& profile,
                     const std::string& terminalUserUuid, CLogger& logger, const WallClock& clock,
                     unsigned& uploadNumber, std::string& uploadPath);

}  // namespace trqx
