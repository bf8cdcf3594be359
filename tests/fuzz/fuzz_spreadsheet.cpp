// Writes the input as a desk workbook and converts it in each of the three text formats:
// every format reaches the same outcome, a failure logs one entry and leaves neither the path
// nor a text file changed, and the space-padded lines all have the same width.
// FreeXL 1.0.6 itself over-reads on some crafted files (a directory entry name longer than
// its 64 bytes, handed to iconv; a string copied past its record), which AddressSanitizer
// stops at inside freexl_open; run with -fork=1 -ignore_crashes=1 to fuzz past them.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "client/spreadsheet.h"
#include "support/fuzz_target.h"
#include "support/recording_log.h"

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

  trqx::SpreadsheetResult first = trqx::SpreadsheetResult::kNotSpreadsheet;
  for (int format = 0; format < 3; ++format) {
    trqx::test::RecordingLogger log;
    const std::string target = trqx::SpreadsheetTargetPath(desk, folder.Path(), format);
    std::string path = desk;
    const trqx::SpreadsheetResult result =
        trqx::ConvertSpreadsheet(path, folder.Path(), format, log.logger);
    Check(result != trqx::SpreadsheetResult::kNotSpreadsheet);
    Check(format == 0 || result == first);
    first = result;
    if (result == trqx::SpreadsheetResult::kConverted) {
      Check(path == target);
      Check(log.sink.m_entries.empty());
      if (format == 2) {
        CheckFixedWidths(target);
      }
    } else {
      Check(path == desk);
      Check(log.sink.m_entries.size() == 1);
      Check(!std::filesystem::exists(target));
    }
    std::filesystem::remove(target);
  }
  return 0;
}
