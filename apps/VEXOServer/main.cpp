// VEXOServer: the upload server. Accepts clients, spools their files and forwards each by FTP.
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "console/server/server_console_view.h"
#include "server/ftp_client.h"
#ifdef TRQX_GUI
#include "gui/event_log_window.h"
#include "gui/server/run_server_window.h"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: VEXOServer [--console] [--start]\n"
    "\n"
    "The upload server, run in the current folder as its working folder: it reads its\n"
    "settings from VEXOSvr.cfg (defaults when missing), logs to qxu.log, keeps each\n"
    "client's received files under Remote/RemoteNNNNNNN/ and forwards every file by FTP to\n"
    "the primary or backup host of the settings, reporting each outcome to its client.\n"
    "The vendor serial number comes from the registry (the folder named by TRQX_REGISTRY,\n"
    "else /etc/trqx/registry and ~/.config/trqx/registry).\n"
    "\n"
    "  --console  no window: print every event-log line, remote host history row and\n"
    "             status change on standard output, message boxes on standard error (also\n"
    "             the front-end when no display is available)\n"
    "  --start    choose Start at once, so the server serves as a daemon; without it the\n"
    "             server starts with the automatic restart timer of its settings, if on\n"
    "  --help     show this text\n"
    "\n"
    "SIGTERM and SIGINT stop every task and end the program with exit code 0 once all have\n"
    "ended. Exit code 1: the start-up ended the program (the log file could not be opened).\n";

}  // namespace

int main(int argc, char** argv) {
  bool start = false;
  bool console = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return EXIT_SUCCESS;
    }
    if (argument == "--start") {
      start = true;
    } else if (argument == "--console") {
      console = true;
    } else {
      std::cerr << "VEXOServer: unknown argument " << argument << "\nTry 'VEXOServer --help'.\n";
      return EXIT_FAILURE;
    }
  }
  trqx::CurlGlobal curl;
  if (!curl.Ok()) {
    std::cerr << "VEXOServer: the FTP library could not start\n";
    return EXIT_FAILURE;
  }
#ifdef TRQX_GUI
  if (!console) {
    if (trqx::DisplayAvailable()) {
      return trqx::RunServerWindow(argc, argv, start);
    }
    std::cerr << "VEXOServer: no display; running on the console\n";
  }
#else
  (void)console;
#endif
  return trqx::RunServerConsole(start, std::cout, std::cerr);
}
