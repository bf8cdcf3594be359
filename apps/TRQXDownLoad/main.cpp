// TRQXDownLoad: turns the vendor's order file into one report per basket.
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/download_console_view.h"
#include "download/download_dlg.h"
#include "foundation/registry.h"
#ifdef TRQX_GUI
#include "gui/download/run_download_window.h"
#include "gui/event_log_window.h"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: TRQXDownLoad [--console] ORDERFILE\n"
    "\n"
    "Converts ORDERFILE, the vendor's order file, into one report per basket in the\n"
    "download destination folder of the client's settings, with the active download\n"
    "mapping. The program files are found in the folder that the registry value\n"
    "Software\\VEXO_PATH\\ApplicationPath of the current user names.\n"
    "\n"
    "  --console  no window: show the progress on the terminal, message boxes on standard\n"
    "             error (also the front-end when no display is available)\n"
    "  --help     show this text\n"
    "\n"
    "Arguments beginning with '-' are switches; the last other argument is ORDERFILE.\n"
    "Exit codes: 0 every basket's report was written, 2 some basket was skipped or failed,\n"
    "1 the program ended during start-up.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  bool console = false;
  for (const std::string& argument : arguments) {
    console = console || argument == "--console";
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return EXIT_SUCCESS;
    }
    if (!argument.empty() && argument.front() == '-' && argument != "--console") {
      std::cerr << "TRQXDownLoad: ignoring unknown switch " << argument << '\n';
    }
  }
  const trqx::IniRegistry registry;
  const std::string orderFilePath = trqx::OrderFilePathFromArguments(arguments);
#ifdef TRQX_GUI
  if (!console) {
    if (trqx::DisplayAvailable()) {
      return trqx::RunDownLoadWindow(argc, argv, registry, orderFilePath);
    }
    std::cerr << "TRQXDownLoad: no display; running on the console\n";
  }
#else
  (void)console;
#endif
  return trqx::RunDownLoadConsole(registry, orderFilePath, std::cout, std::cerr);
}
