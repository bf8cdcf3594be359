// TRQXClient: the upload client. Converts desk files and uploads them through the terminal
// upload program or the upload server; polls a folder for unattended uploads.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/client/client_console.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: TRQXClient [--console] [--send FILE]...\n"
    "\n"
    "The upload client, run in the current folder as its working folder: it reads\n"
    "NVFormat.cfg, trqx.cfg (defaults when missing), qxu.pfl, exchange.cfg, ordertype.cfg and\n"
    "reason.cfg there, logs to qxu.log, and converts each desk file through the profile's\n"
    "mappings into TRQXnnn.inc in the copy folder. The upload method of trqx.cfg decides where\n"
    "that file goes: to the terminal upload program, or over TCP to VEXOServer. The registry\n"
    "values (serial number, USERUUID) come from the folder named by TRQX_REGISTRY, else\n"
    "/etc/trqx/registry and ~/.config/trqx/registry.\n"
    "\n"
    "  --console    print every event-log line, history row, status text, menu change and\n"
    "               upload-progress state on standard output, message boxes on standard\n"
    "               error and each beep as the line \"beep\" (the only front-end so far: it\n"
    "               runs with or without a display)\n"
    "  --send FILE  File Send of FILE once started (and, with the server method, connected\n"
    "               and logged in); repeatable: the files go one at a time, each after the\n"
    "               last one's upload has ended (delivery report, failure, or the terminal\n"
    "               program's exit); then the client exits\n"
    "  --help       show this text\n"
    "\n"
    "Without --send the client runs until SIGTERM, SIGINT or the command exit, polls its poll\n"
    "folder when the settings say so, and reads menu commands, one a line, on standard input\n"
    "(the end of the input does not end it):\n";

constexpr std::string_view kExitCodes =
    "\n"
    "Exit codes: 0 done (with --send: every file was sent); 1 a file was not sent, or the\n"
    "start-up closed the client (its log file could not be opened); 3 the start-up aborted\n"
    "(NVFormat.cfg, exchange.cfg, ordertype.cfg or reason.cfg could not be read).\n";

int Misuse(const std::string& problem) {
  std::cerr << "TRQXClient: " << problem << "\nTry 'TRQXClient --help'.\n";
  return trqx::kClientExitNotSent;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage << trqx::kClientConsoleCommands << kExitCodes;
      return EXIT_SUCCESS;
    }
    if (argument == "--send") {
      if (i + 1 == argc) {
        return Misuse("--send needs a FILE");
      }
      files.emplace_back(argv[++i]);
    } else if (argument != "--console") {
      return Misuse("unknown argument " + std::string(argument));
    }
  }
  return trqx::RunClientConsole(files, STDIN_FILENO, std::cout, std::cerr);
}
