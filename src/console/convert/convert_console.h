#pragma once

#include <ostream>
#include <string>

#include "foundation/registry.h"

namespace trqx {

// Exit codes of TRQXConvert.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitNotConverted = 1;

// TRQXConvert's run on a terminal: the client's start-up in the current folder, then the
// upload flow's conversion of the desk file at deskPath as upload number uploadNumber. The
// upload file's path goes to out; every ERROR entry logged, and the message box of a
// start-up step that ended the run, go to err, one line each. kExitConverted when the
// upload file was written and passed its checks, else kExitNotConverted.
int RunConvertConsole(const Registry& registry, const std::string& deskPath, unsigned uploadNumber,
                      std::ostream& out, std::ostream& err);

}  // namespace trqx
