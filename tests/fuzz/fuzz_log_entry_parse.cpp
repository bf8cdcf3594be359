// Parses any text as a log record in both flavours and checks what a parsed record
// formats back to.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/log_entry.h"
#include "support/fuzz_target.h"

namespace {

using trqx::CLogEntry;
using trqx::LogFlavour;
using trqx::fuzz::Check;

bool IsOneOf(std::string_view column, std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) {
    if (column == text) {
      return true;
    }
  }
  return false;
}

void CheckFlavour(std::string_view input, LogFlavour flavour) {
  CLogEntry entry;
  const std::string before = entry.Format(flavour);
  if (!entry.Parse(input, flavour)) {
    Check(input.size() != CLogEntry::kRecordLength);
    Check(entry.Format(flavour) == before);
    return;
  }
  Check(input.size() == CLogEntry::kRecordLength);
  const std::string record = entry.Format(flavour);
  Check(record.size() == CLogEntry::kRecordLength);

  // Date, time and text come back unchanged.
  Check(record.compare(0, 10, input, 0, 10) == 0);
  Check(record.compare(11, 8, input, 11, 8) == 0);
  Check(record.compare(48, 200, input, 48, 200) == 0);
  for (std::size_t separator : {10, 19, 27, 38, 47}) {
    Check(record[separator] == ' ');
  }

  // A recognised level comes back as it was, any other as blanks.
  const std::string_view level = input.substr(20, 7);
  const bool knownLevel = IsOneOf(level, {"ERROR  ", "WARNING", "INFO   "});
  Check(record.compare(20, 7, knownLevel ? std::string(level) : std::string(7, ' ')) == 0);

  // The server keeps a recognised category and reads any other as SYSTEM; the client and
  // converter write none.
  const std::string_view category = input.substr(28, 10);
  const bool knownCategory =
      flavour == LogFlavour::kServer
          ? IsOneOf(category, {"SYSTEM    ", "FTP       ", "SERVER    ", "CLIENT    "})
          : category == std::string_view("          ");
  if (flavour == LogFlavour::kServer) {
    Check(record.compare(28, 10, knownCategory ? std::string(category) : "SYSTEM    ") == 0);
  } else {
    Check(record.compare(28, 10, std::string(10, ' ')) == 0);
  }

  // The number fits its column and is written canonically.
  Check(entry.m_number <= 99999999u);
  char number[16];
  std::snprintf(number, sizeof number, "%8u", static_cast<unsigned>(entry.m_number));
  Check(record.compare(39, 8, number) == 0);

  // A record in canonical form is given back byte for byte.
  bool separatorsBlank = true;
  for (std::size_t separator : {10, 19, 27, 38, 47}) {
    separatorsBlank = separatorsBlank && input[separator] == ' ';
  }
  if (knownLevel && knownCategory && separatorsBlank && input.substr(39, 8) == number) {
    Check(record == input);
  }

  // Formatting is a fixed point: parsing the result gives the same record again.
  CLogEntry again;
  Check(again.Parse(record, flavour));
  Check(again.Format(flavour) == record);

  // The comparison and the display line take hostile stamps and texts without harm.
  const std::string line = trqx::EventLogDisplayLine(entry, flavour);
  Check(line.size() <= 20 + 3 + 10 + 1 + 8 + 1 + 200 + 3);
  (void)entry.IsNotOlder(input.substr(0, 10), input.substr(11, 8));
  Check(entry.IsNotOlder(entry.m_date, entry.m_time));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = trqx::fuzz::Bytes(data, size);
  CheckFlavour(input, LogFlavour::kClient);
  CheckFlavour(input, LogFlavour::kServer);
  // Most inputs are not record-sized; the same bytes fitted to a record reach the parser.
  std::string fitted(input.substr(0, CLogEntry::kRecordLength));
  fitted.resize(CLogEntry::kRecordLength, ' ');
  CheckFlavour(fitted, LogFlavour::kClient);
  CheckFlavour(fitted, LogFlavour::kServer);
  // Short and odd stamps against an entry.
  CLogEntry entry;
  (void)entry.IsNotOlder(input.substr(0, size / 2), input.substr(size / 2));
  return 0;
}
