// TRQXClient: the upload client. Converts desk files and uploads them through the terminal
// upload program or the upload server; polls a folder for unattended uploads.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/client/client_console.h"
#ifdef TRQX_GUI
#include "gui/client/run_client_window.h"
#include "gui/event_log_window.h"
#endif

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
#ifdef TRQX_GUI
    "Where a display exists (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM is set) the client\n"
    "opens its window; with --console, with --send, or without a display it runs on the\n"
    "console.\n"
#else
    "This build has no window: the client always runs on the console.\n"
#endif
    "\n"
    "  --console    run on the console: print every event-log line, history row, status\n"
    "               text, menu change and upload-progress state on standard output, message\n"
    "               boxes on standard error and each beep as the line \"beep\"\n"
    "  --send FILE  on the console, File Send of FILE once started (and, with the server\n"
    "               method, connected and logged in); repeatable: the files go one at a\n"
    "               time, each after the last one's upload has ended (delivery report,\n"
    "               failure, or the terminal program's exit); then the client exits\n"
    "  --help       show this text\n"
    "\n"
    "Without --send the client runs until SIGTERM, SIGINT or its Exit command, and polls its\n"
    "poll folder when the settings say so. On the console it reads menu commands, one a line,\n"
    "on standard input (the end of the input does not end it):\n";

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
  [[maybe_unused]] bool console = false;
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
    } else if (argument == "--console") {
      console = true;
    } else {
      return Misuse("unknown argument " + std::string(argument));
    }
  }
#ifdef TRQX_GUI
  if (!console && files.empty()) {
    if (trqx::DisplayAvailable()) {
      return trqx::RunClientWindow(argc, argv);
    }
    std::cerr << "TRQXClient: no display; running on the console\n";
  }
#endif
  return trqx::RunClientConsole(files, STDIN_FILENO, std::cout, std::cerr);
}
