#pragma once

#include <string>

#include "foundation/registry.h"

namespace trqx {

// Runs the converter on the order file at orderFilePath with its progress window: the
// registry lookup, the window's start-up, then the run once the window shows, until the user
// presses OK. Exit codes as on the console: 1 when the program ended during start-up (no
// window shown), else 0 when every basket's report was written, else 2.
int RunDownLoadWindow(int argc, char** argv, const Registry& registry,
                      const std::string& orderFilePath);

}  // namespace trqx
