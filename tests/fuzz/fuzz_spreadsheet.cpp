// Writes the input as a desk workbook and converts it in each of the three text formats with
// the reader that ConvertSpreadsheet runs in its child process, called here in this process
// so that the coverage of our reading and writing reaches the fuzzer: every format reaches
// the same outcome, a failure gives a reason and leaves no text file, and the space-padded
// lines all have the same width. The parent's side reads no input bytes; spreadsheet_test
// covers it, with a workbook found here.
// FreeXL 1.0.6 itself over-reads on some crafted files (a directory entry name longer than
// its 64 bytes, handed to iconv; a string copied past its record), which AddressSanitizer
// stops at inside freexl_open, and leaks on others; run with -fork=1 -ignore_crashes=1
// -detect_leaks=0 to fuzz past them.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "client/spreadsheet.h"
#include "support/fuzz_target.h"

using trqx::fuzz::Check;

namespace {

// Characters of a line (UTF-8 continuation bytes not counted), as the fixed writer pads.
std::size_t Width(const std::string& line) {
  std::size_t width = 0;
  for (char c : line) {
    width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  }
  return width;
}

void CheckFixedWidths(const std::string& path) {
  std::istringstream text(trqx::ReadWholeFile(path));
  std::string line;
  std::size_t width = 0;
  for (bool first = true; std::getline(text, line); first = false) {
    Check(first || Width(line) == width);
    width = Width(line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const trqx::ScratchFolder& folder = trqx::fuzz::FuzzFolder();
  const std::string desk = folder.File("desk.xls");
  Check(trqx::WriteWholeFile(desk, trqx::fuzz::Bytes(data, size)));

  bool first = false;
  for (int format = 0; format < 3; ++format) {
    const std::string target = trqx::SpreadsheetTargetPath(desk, folder.Path(), format);
    std::string reason;
    const bool written = trqx::WriteSpreadsheetText(desk, target, format, reason);
    Check(format == 0 || written == first);
    first = written;
    if (written) {
      if (format == 2) {
        CheckFixedWidths(target);
      }
    } else {
      Check(!reason.empty());
      Check(!std::filesystem::exists(target));
    }
    std::filesystem::remove(target);
  }
  return 0;
}
