#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "client/client_exit_codes.h"

namespace trqx {

// Runs the client in the current folder with the console view. With files to send: after
// start-up (and, in client/server mode, once connected and logged in) sends each in turn,
// waiting for its upload's end, then exits. Without: runs until SIGTERM, SIGINT or the
// command "exit", reading menu commands as lines from inputFd.
int RunClientConsole(const std::vector<std::string>& filesToSend, int inputFd, std::ostream& out,
                     std::ostream& err);

// The commands read from the input, for the program's help.
inline constexpr const char* kClientConsoleCommands =
    "  send PATH    File Send of PATH\n"
    "  connect      Connect To Server\n"
    "  disconnect   Disconnect\n"
    "  cancel       Cancel All Pending Transfers\n"
    "  abort        Cancel File Upload (the upload in progress)\n"
    "  reset        Reset Send Log\n"
    "  exit         Exit\n";

}  // namespace trqx
