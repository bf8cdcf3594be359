// Converts the input as a fixed-field desk file with a fixed mapping that uses every
// source and option (positions far beyond the lines, negative offsets and lengths, a Limit
// field after the order type), and checks the shape of what was written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/fuzz_target.h"
#include "support/upload_request.h"
#include "upload/fixed_mapping.h"
#include "upload_fuzz_setup.h"

namespace {

using namespace trqx;

CFixedMapping MakeMapping() {
  CFixedMapping mapping(true, fuzz::UploadFuzzFields().UploadFields());
  auto& f = mapping.m_fields;
  f[1].m_constant = "42";
  f[2].m_constant = "B";
  f[3].m_constant = ",";
  f[4].m_mapType = kMapCell;  // NAME: line 0
  f[4].m_lineOffset = 2;
  f[4].m_length = 5;
  f[4].m_default = "DFLT";
  f[5].m_mapType = kMapCell;  // TRADER: a line far outside
  f[5].m_line = 1 << 30;
  f[5].m_default = "TRADER-DEFAULT";
  int offset = 0;
  for (std::size_t i = 6; i < f.size(); ++i) {
    f[i].m_mapType = kMapColumn;
    f[i].m_fixedLineOffset = offset;
    f[i].m_length = 3;
    offset += 3;
  }
  // Data fields from index 6: Ticker, SIDE, QTY, LIMIT, EXCH, ORDTYPE, CUSIP, NOTE,
  // ORDERID, CSI, TIF, REASON, EXECQTY, EXECPRICE, EXECTIME, YELLOW.
  f[6].m_mkUpper = true;
  f[6].m_notBlank = true;
  f[7].m_translate = true;
  f[8].m_x1000 = true;
  f[8].m_abs = true;
  f[8].m_length = 12;
  f[9].m_mapType = kMapCell;  // LIMIT: a long file position of line 1
  f[9].m_line = 1;
  f[9].m_lineOffset = 4;
  f[9].m_length = 60;
  f[10].m_translate = true;
  f[11].m_mapType = kMapAutoOrderType;
  f[12].m_missingChecksum = true;
  f[16].m_default = "ABCDE";  // TIF, beyond the fill limit
  f[16].m_fixedLineOffset = 500;
  f[17].m_fixedLineOffset = -7;  // a negative offset and a negative length
  f[18].m_length = -2;
  f[19].m_fixedLineOffset = 2147483000;
  f[19].m_length = 2147483000;
  return mapping;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CFixedMapping mapping = MakeMapping();
  ConvertRequest request = ScratchRequest(fuzz::FuzzFolder(), fuzz::UploadFuzzFields());
  request.m_terminalUserUuid = "777";
  request.m_uploadMethod = size % 2;
  fuzz::Check(WriteWholeFile(request.m_deskPath, fuzz::Bytes(data, size)));
  mapping.m_startLine = static_cast<int>(size % 3);

  std::size_t lineFeeds = 0;
  for (std::size_t i = 0; i < size; ++i) {
    lineFeeds += data[i] == '\n';
  }
  std::string basketId = "1";
  const ConvertResult result = mapping.Convert(request, basketId);
  fuzz::Check(result.m_ok);  // any byte sequence reads as lines
  fuzz::Check(result.m_recordsWritten <= lineFeeds + 1);
  const std::string upload = ReadWholeFile(request.m_uploadPath);
  std::size_t lines = 0;
  for (const char c : upload) {
    lines += c == '\n';
  }
  // The UUID line, 3 header lines, the administrator line, then the records.
  fuzz::Check(lines == 5 + result.m_recordsWritten);
  fuzz::Check(upload.empty() || upload.back() == '\n');
  return 0;
}
