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

// TRQXConvert --list: reads the field format file and the upload profile of folder ("" the
// current folder) without changing either, and writes each mapping to out: a line with its
// number, "File Name", "Format Type" (and "(active)"), then one line per field with "Type",
// "Name", "Width" and "Map Type", as the profile editor shows them. A field format file that
// cannot be read, or a profile that fails to load, is reported on err (the mappings read
// before the failure are still listed). kExitConverted when both files were read whole.
int ListProfileConsole(const std::string& folder, std::ostream& out, std::ostream& err);

}  // namespace trqx
