// Converts the input as a comma- and as a tab-separated desk file with a grid mapping that
// uses every source and option (cells far outside the file, negative positions, a
// multi-character delimiter), and checks the shape of what was written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/fuzz_target.h"
#include "support/upload_request.h"
#include "upload/grid_mapping.h"
#include "upload_fuzz_setup.h"

namespace {

using namespace trqx;

CGridMapping MakeMapping() {
  CGridMapping mapping(kFormatComma, true, fuzz::UploadFuzzFields().UploadFields());
  auto& f = mapping.m_fields;
  f[1].m_constant = "42";     // UUID
  f[2].m_constant = "B";      // BASKETID
  f[3].m_constant = "|~";     // DELIM
  f[4].m_mapType = kMapCell;  // NAME: a cell of the first row
  f[4].m_tableCol = 1;
  f[4].m_default = "DFLT";
  f[5].m_mapType = kMapCell;  // TRADER: a cell far outside
  f[5].m_tableRow = 1 << 30;
  f[5].m_default = "T";
  for (std::size_t i = 6; i < f.size(); ++i) {  // data fields by column
    f[i].m_mapType = kMapColumn;
    f[i].m_fixedCol = static_cast<int>(i - 6);
  }
  // Data fields from index 6: Ticker, SIDE, QTY, LIMIT, EXCH, ORDTYPE, CUSIP, NOTE,
  // ORDERID, CSI, TIF, REASON, EXECQTY, EXECPRICE, EXECTIME, YELLOW.
  f[6].m_mkUpper = true;
  f[6].m_notBlank = true;
  f[6].m_translations.resize(2);
  f[6].m_translations[0].m_input = "x";
  f[6].m_translations[0].m_output = "|~y";
  f[7].m_translate = true;
  f[8].m_x1000 = true;
  f[8].m_abs = true;
  f[8].m_numeric = true;
  f[10].m_translate = true;
  f[11].m_mapType = kMapAutoOrderType;
  f[12].m_missingChecksum = true;
  f[16].m_default = "DEFAULT-LONGER-THAN-WIDTH";  // TIF
  f[16].m_justify = kJustifyLeft;
  f[17].m_fixedCol = 9999;  // REASON: a column no row has
  f[18].m_x1000 = true;     // EXECQTY
  f[18].m_abs = true;
  f[19].m_mapType = kMapCell;  // EXECPRICE: a negative cell position
  f[19].m_tableRow = -3;
  f[20].m_mapType = kMapCell;  // EXECTIME
  f[20].m_tableRow = 2;
  f[20].m_tableCol = 3;
  f[21].m_fixedCol = -1;  // YELLOW
  return mapping;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CGridMapping mapping = MakeMapping();
  ConvertRequest request = ScratchRequest(fuzz::FuzzFolder(), fuzz::UploadFuzzFields());
  request.m_terminalUserUuid = size % 2 ? "12345" : "-1";
  request.m_loginBlock = PortfolioLoginBlock{"L", "S", "W", "UPLOAD"};
  request.m_autoIncrement = true;
  request.m_useUuid = size % 3 == 0;
  fuzz::Check(WriteWholeFile(request.m_deskPath, fuzz::Bytes(data, size)));

  std::size_t lineFeeds = 0;
  for (std::size_t i = 0; i < size; ++i) {
    lineFeeds += data[i] == '\n';
  }
  for (const int format : {kFormatComma, kFormatTab}) {
    mapping.m_format = format;
    std::string basketId = "998";
    const ConvertResult result = mapping.Convert(request, basketId);
    if (!result.m_ok) {
      fuzz::Check(result.m_failure == ConvertFailure::kBadRecord && basketId == "998");
      continue;
    }
    fuzz::Check(basketId == "999");
    const std::string upload = ReadWholeFile(request.m_uploadPath);
    fuzz::Check(upload.rfind("START-OF-FILE\n", 0) == 0);
    fuzz::Check(upload.size() >= 11 && upload.compare(upload.size() - 11, 11, "END-OF-FILE") == 0);
    fuzz::Check(result.m_recordsWritten <= lineFeeds + 1);
    fuzz::Check(result.m_cacheRecords == result.m_recordsWritten);
    std::size_t lines = 0;
    for (const char c : upload) {
      lines += c == '\n';
    }
    // Envelope (4), the UUID line, 3 header lines, the administrator line (0 or 1).
    fuzz::Check(lines >= 8 + result.m_recordsWritten && lines <= 9 + result.m_recordsWritten);
  }
  return 0;
}
