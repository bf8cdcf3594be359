#include "console/convert/convert_console.h"

#include "client/client_startup.h"
#include "client/upload_convert.h"
#include "client/user_info.h"

namespace trqx {

int RunConvertConsole(const Registry& registry, const std::string& deskPath, unsigned uploadNumber,
                      std::ostream& out, std::ostream& err) {
  ClientStartup startup(registry, "", &err);
  if (!startup.Run()) {
    err << startup.FailureMessage() << '\n' << std::flush;
    return kExitNotConverted;
  }
  // As before each upload.
  std::string terminalUserUuid;
  ReadTerminalUserUuid(registry, startup.Settings(), startup.Logger(), terminalUserUuid);

  std::string uploadPath;
  if (!ConvertDeskFile(deskPath, startup.SettingsFile(), startup.Profile(), terminalUserUuid,
                       startup.Logger(), startup.Clock(), uploadNumber, uploadPath)) {
    return kExitNotConverted;
  }
  out << uploadPath << '\n' << std::flush;
  return kExitConverted;
}

}  // namespace trqx
