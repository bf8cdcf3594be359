// TRQXConvert: runs the client's conversion step on one desk file, with the current folder
// as the client's working folder, and prints the upload file's path.

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "console/convert/convert_console.h"
#include "foundation/registry.h"

namespace {

using namespace trqx;

constexpr const char* kHelp =
    "Usage: TRQXConvert [--number N] DESKFILE\n"
    "       TRQXConvert --list\n"
    "\n"
    "Runs TRQXClient's conversion step on one desk file, with the current folder as the\n"
    "client's working folder, and prints the path of the upload file it wrote.\n"
    "\n"
    "As the client does at start-up, it opens the log file qxu.log, reads the field format\n"
    "file NVFormat.cfg (a missing or bad file ends it), loads the settings file trqx.cfg\n"
    "(created with defaults when missing, restored from its \"Set\" backup when its UUID is\n"
    "0), creates the copy, cache, temp and poll folders, loads the upload profile qxu.pfl\n"
    "and reads the portfolio serial number and the terminal user UUID from the registry\n"
    "(the folder named by TRQX_REGISTRY, else /etc/trqx/registry and\n"
    "~/.config/trqx/registry). Then it picks the profile's mapping for the file, writes\n"
    "TRQXnnn.inc into the copy folder (and the basket cache file into its Cache folder),\n"
    "saves the advanced basket ID and checks the written file's UUID and, for terminal\n"
    "uploads, its PRICINGNUMBER, exactly as an upload would.\n"
    "\n"
    "With --list it converts nothing: it reads NVFormat.cfg and qxu.pfl of the current\n"
    "folder (changing neither) and prints every mapping of the upload profile as the\n"
    "profile editor shows it: its number, \"File Name\" and \"Format Type\" (and whether\n"
    "it is active), then one line per field with \"Type\", \"Name\", \"Width\" and\n"
    "\"Map Type\".\n"
    "\n"
    "Options:\n"
    "  --number N  the upload number that names the file (default 0)\n"
    "  --list      list the mappings of qxu.pfl instead of converting\n"
    "  --help      show this text\n"
    "\n"
    "Every event is logged to qxu.log; errors are also printed on standard error.\n"
    "Exit status: 0 when the upload file was written and passed its checks, 1 otherwise.\n";

bool ParseNumber(std::string_view text, unsigned& number) {
  if (text.empty() || text.size() > 9) {
    return false;
  }
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  number = value;
  return true;
}

int Usage(const char* problem) {
  std::fprintf(stderr, "TRQXConvert: %s\nTry 'TRQXConvert --help'.\n", problem);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned uploadNumber = 0;
  std::string deskPath;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--list") {
      list = true;
    } else if (arg == "--number") {
      if (i + 1 >= argc || !ParseNumber(argv[i + 1], uploadNumber)) {
        return Usage("--number needs a number from 0 to 999999999");
      }
      ++i;
    } else if (arg.starts_with('-')) {
      return Usage(("unknown option " + std::string(arg)).c_str());
    } else if (!deskPath.empty()) {
      return Usage("give one desk file only");
    } else {
      deskPath = arg;
    }
  }
  if (list) {
    if (!deskPath.empty()) {
      return Usage("--list takes no desk file");
    }
    return ListProfileConsole("", std::cout, std::cerr);
  }
  if (deskPath.empty()) {
    return Usage("no desk file given");
  }

  const IniRegistry registry;
  return RunConvertConsole(registry, deskPath, uploadNumber, std::cout, std::cerr);
}
