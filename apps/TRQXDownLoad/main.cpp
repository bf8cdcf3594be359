// TRQXDownLoad: turns the vendor's order file into one report per basket.
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/download_console_view.h"
#include "download/download_dlg.h"
#include "foundation/registry.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: TRQXDownLoad [--console] ORDERFILE\n"
    "\n"
    "Converts ORDERFILE, the vendor's order file, into one report per basket in the\n"
    "download destination folder of the client's settings, with the active download\n"
    "mapping. The program files are found in the folder that the registry value\n"
    "Software\\VEXO_PATH\\ApplicationPath of the current user names.\n"
    "\n"
    "  --console  show the progress on the terminal (the only front-end so far: there is\n"
    "             no Qt window yet, so the console runs with or without a display)\n"
    "  --help     show this text\n"
    "\n"
    "Arguments beginning with '-' are switches; the last other argument is ORDERFILE.\n"
    "Exit codes: 0 every basket's report was written, 2 some basket was skipped or failed,\n"
    "1 the program ended during start-up.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return EXIT_SUCCESS;
    }
    if (!argument.empty() && argument.front() == '-' && argument != "--console") {
      std::cerr << "TRQXDownLoad: ignoring unknown switch " << argument << '\n';
    }
  }
  const trqx::IniRegistry registry;
  return trqx::RunDownLoadConsole(registry, trqx::OrderFilePathFromArguments(arguments), std::cout,
                                  std::cerr);
}
