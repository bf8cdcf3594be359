// One side of a comparison of two builds of the desk file conversion. The script
// scripts/fuzz_against_reference.sh compiles this file twice, against this tree and against
// an earlier one (with the namespace renamed), and links both into one fuzz target that
// traps when they write different bytes for the same input.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/upload_fuzz_setup.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"

namespace trqx {

namespace {

// The input's first bytes choose the mapping: its kind and request flags, the first row,
// the rows of the header, data and Limit cells (small, so most rows stream by), and
// whether the data fields come from columns at all.
struct Choice {
  std::uint8_t flags;
  std::uint8_t startRow;
  std::uint8_t headerRow;
  std::uint8_t dataRow;
  std::uint8_t limitRow;
};
constexpr std::size_t kChoiceSize = 5;

template <class Mapping>
void SetCommonFields(Mapping& mapping, const Choice& choice) {
  auto& f = mapping.m_fields;
  f[1].m_constant = "42";
  f[2].m_constant = "B";
  f[3].m_constant = (choice.flags & 8) != 0 ? "|~" : ",";
  f[4].m_mapType = kMapCell;  // NAME
  f[4].m_default = "DFLT";
  f[5].m_mapType = kMapCell;  // TRADER
  for (std::size_t i = 6; i < f.size(); ++i) {
    f[i].m_mapType = (choice.flags & 16) != 0 ? kMapConstant : kMapColumn;
  }
  f[6].m_mkUpper = true;
  f[6].m_notBlank = true;
  f[7].m_translate = true;
  f[8].m_x1000 = true;
  f[8].m_abs = true;
  f[8].m_numeric = true;
  f[9].m_mapType = kMapCell;  // LIMIT
  f[10].m_translate = true;
  f[11].m_mapType = kMapAutoOrderType;
  f[12].m_missingChecksum = true;
  f[13].m_mapType = kMapCell;  // NOTE: a cacheable data value from a cell
  f[16].m_default = "DEFAULT-LONGER-THAN-WIDTH";
  f[18].m_x1000 = true;  // EXECQTY: x1000 keeping the sign
}

CGridMapping GridMapping(const Choice& choice) {
  CGridMapping mapping((choice.flags & 4) != 0 ? kFormatTab : kFormatComma, true,
                       fuzz::UploadFuzzFields().UploadFields());
  SetCommonFields(mapping, choice);
  auto& f = mapping.m_fields;
  mapping.m_startRow = choice.startRow % 4;
  for (std::size_t i = 6; i < f.size(); ++i) {
    f[i].m_fixedCol = static_cast<int>(i - 6) % 5;
  }
  f[4].m_tableRow = choice.headerRow % 8;
  f[4].m_tableCol = 1;
  f[5].m_tableRow = choice.headerRow % 3;
  f[9].m_tableRow = choice.limitRow % 8;
  f[9].m_tableCol = 2;
  f[13].m_tableRow = choice.dataRow % 8;
  f[13].m_tableCol = 0;
  return mapping;
}

CFixedMapping FixedMapping(const Choice& choice) {
  CFixedMapping mapping(true, fuzz::UploadFuzzFields().UploadFields());
  SetCommonFields(mapping, choice);
  auto& f = mapping.m_fields;
  mapping.m_startLine = choice.startRow % 4;
  int offset = 0;
  for (std::size_t i = 6; i < f.size(); ++i) {
    f[i].m_fixedLineOffset = offset;
    f[i].m_length = 3;
    offset += 2;
  }
  f[4].m_line = choice.headerRow % 8;
  f[4].m_lineOffset = 1;
  f[4].m_length = 5;
  f[5].m_line = choice.headerRow % 3;
  f[5].m_length = 40;
  f[9].m_line = choice.limitRow % 8;
  f[9].m_lineOffset = 2;
  f[9].m_length = 6;
  f[13].m_line = choice.dataRow % 8;
  f[13].m_length = 4;
  f[16].m_fixedLineOffset = 60;  // beyond the fill limit of short lines
  return mapping;
}

void Append(std::string& out, std::string_view name, std::string_view value) {
  out += name;
  out += '=';
  out += value;
  out += '\n';
}

}  // namespace

// Everything one conversion of the input's desk bytes leaves behind, as text.
std::string ConvertSide(std::string_view input) {
  static const ScratchFolder folder;
  if (input.size() < kChoiceSize) {
    return {};
  }
  const Choice choice{static_cast<std::uint8_t>(input[0]), static_cast<std::uint8_t>(input[1]),
                      static_cast<std::uint8_t>(input[2]), static_cast<std::uint8_t>(input[3]),
                      static_cast<std::uint8_t>(input[4])};
  std::filesystem::remove_all(folder.Path());
  std::filesystem::create_directory(folder.Path());
  ConvertRequest request = ScratchRequest(folder, fuzz::UploadFuzzFields());
  request.m_loginBlock = PortfolioLoginBlock{"L", "S", "W", "UPLOAD"};
  request.m_autoIncrement = (choice.flags & 32) != 0;
  request.m_useUuid = (choice.flags & 64) != 0;
  WriteWholeFile(request.m_deskPath, input.substr(kChoiceSize));

  std::string basketId = "998";
  CGridMapping grid = GridMapping(choice);
  CFixedMapping fixed = FixedMapping(choice);
  CMapping& mapping = (choice.flags & 3) == 0 ? static_cast<CMapping&>(fixed) : grid;
  const ConvertResult result = mapping.Convert(request, basketId);

  std::string out;
  Append(out, "ok", result.m_ok ? "1" : "0");
  Append(out, "failure", std::to_string(static_cast<int>(result.m_failure)));
  Append(out, "basketId", basketId);
  Append(out, "basketConstant",
         (choice.flags & 3) == 0 ? fixed.m_fields[2].m_constant : grid.m_fields[2].m_constant);
  Append(out, "records", std::to_string(result.m_recordsWritten));
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  for (const std::string& name : files) {
    if (name != "desk") {
      Append(out, name, ReadWholeFile(folder.File(name)));
    }
  }
  return out;
}

}  // namespace trqx
