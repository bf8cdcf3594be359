#pragma once

#include <string>

#include "foundation/log_file.h"
#include "foundation/registry.h"
#include "foundation/user_info.h"
#include "settings/internal_settings.h"

namespace trqx {

// The registry serial number (at most 30 characters): the machine's value, else the
// user's. When neither can be read, logs message 137 (ERROR) and returns an empty text.
std::string ReadRegistrySerialNumber(const Registry& registry, CLogger& logger);

// Start-up: the portfolio serial number is the registry's, except in client/server mode
// with "Use Server S/N" on, where it is "Server    ".
void SetPortfolioSerialNumber(COpenNVInternalSettings& settings,
                              const std::string& registrySerialNumber);

// Before each upload: reads "USERUUID" (machine, then user) into terminalUserUuid, unless
// in client/server mode with "Use Server S/N" on, which leaves it unchanged. When it
// cannot be read, logs message 137 (ERROR) and empties it.
void ReadTerminalUserUuid(const Registry& registry, const COpenNVInternalSettings& settings,
                          CLogger& logger, std::string& terminalUserUuid);

}  // namespace trqx
