#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "support/fields.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
#include "upload/field_pipeline.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/text_rules.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

// The golden profile's mappings on the golden desk files, as the client would run them: the
// grid one with an envelope and no numbering, the fixed one numbered and for a terminal user
// of its own, so the administrator line appears.
TEST(ConversionGolden, WritesTheExpectedUploadAndCacheFiles) {
  const FieldFormatRegistry format = GoldenFields();
  UserProfile profile(format, true);
  CFileError error;
  ASSERT_TRUE(profile.LoadFile(GoldenPath("qxu.pfl"), error));
  auto* fixed = dynamic_cast<CFixedMapping*>(profile.GetMapping(1));
  ASSERT_NE(fixed, nullptr);
  ScratchFolder folder;
  ConvertRequest request = ScratchRequest(folder, format);
  const auto check = [&](CMapping& mapping, const std::string& stem, const std::string& desk,
                         const std::string& cacheName, std::string& basketId) {
    request.m_deskPath = GoldenPath(desk);
    const ConvertResult result = mapping.Convert(request, basketId);
    EXPECT_TRUE(result.m_ok) << stem;
    EXPECT_EQ(ReadWholeFile(request.m_uploadPath),
              ReadWholeFile(GoldenPath(stem + ".expected.inc")));
    EXPECT_EQ(ReadWholeFile(folder.File(cacheName)),
              ReadWholeFile(GoldenPath(stem + ".expected.cch")));
    return result;
  };
  request.m_loginBlock = PortfolioLoginBlock{"PLOGIN", "SN123", "WS9", "UPLOAD"};
  std::string basketId = "7";
  const ConvertResult grid =
      check(*profile.GetMapping(0), "orders", "orders.csv", "03-06-26BSK.cch", basketId);
  EXPECT_EQ(basketId, "7");
  EXPECT_EQ(grid.m_basketValue, "BSK");
  EXPECT_EQ(grid.m_delimiter, "|");
  EXPECT_EQ(grid.m_recordsWritten, 5u);
  EXPECT_EQ(grid.m_cacheHeaderValues, std::vector<std::string>{"JSMITH, JR"});

  request.m_loginBlock.reset();
  request.m_terminalUserUuid = "999";
  request.m_autoIncrement = true;
  basketId = "41";
  EXPECT_EQ(check(*fixed, "fixed", "fixed.dat", "03-06-2642-12345.cch", basketId).m_basketValue,
            "FXB");
  EXPECT_EQ(basketId, "42");
  EXPECT_EQ(fixed->m_fields[2].m_constant, "42");
}

class GridConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    m_format = FieldsOf({{"DELIM", 1, kTypeHdrDelimiter},
                         {"Ticker", 8, kTypeData},
                         {"QTY", 12, kTypeDataAmount},
                         {"LIMIT", 8, kTypeDataLimit},
                         {"ORDTYPE", 3, kTypeDataOrderType},
                         {"NOTE", 10, kTypeDataCacheable},
                         {"ID", 6, kTypeDataOrderId}});
    m_mapping = CGridMapping(kFormatComma, true, m_format.UploadFields());
    m_mapping.m_fields[0].m_constant = ",";
    for (std::size_t i = 1; i < m_mapping.m_fields.size(); ++i) {
      m_mapping.m_fields[i].m_mapType = kMapColumn;
      m_mapping.m_fields[i].m_fixedCol = static_cast<int>(i - 1);
    }
    m_mapping.m_fields[4].m_mapType = kMapAutoOrderType;
  }
  std::string Records(const std::string& desk, ConvertResult* result = nullptr) {
    const std::string upload =
        ConvertText(m_mapping, ScratchRequest(m_folder, m_format), desk, result);
    return upload.substr(upload.find('\n') + 1);  // after "DELIM=,"
  }
  ConvertResult Fail(const std::string& desk) {
    WriteWholeFile(m_folder.File("desk"), desk);
    std::string basketId = "1";
    return m_mapping.Convert(ScratchRequest(m_folder, m_format), basketId);
  }

  ScratchFolder m_folder;
  FieldFormatRegistry m_format;
  CGridMapping m_mapping{kFormatComma, true};
};

TEST_F(GridConversion, StartRowBlankRowsLastLineAndTickerDots) {
  EXPECT_EQ(Records("T,Q\nibm,5\n\nx.y"), "T,Q,,MKT,\nibm,5,,MKT,\n,,,MKT,\nx/y,,,MKT,\n");
  m_mapping.m_startRow = 1;
  m_mapping.m_convertDots = false;
  EXPECT_EQ(Records("T,Q\r\nbrk.b,5\r\n\r\n"), "brk.b,5,,MKT,\n,,,MKT,\n");
}

TEST_F(GridConversion, AutomaticOrderTypeAndAmountScaling) {
  m_mapping.m_fields[2].m_x1000 = true;
  m_mapping.m_fields[3].m_mapType = kMapCell;  // the Limit field by its own MapType
  m_mapping.m_fields[3].m_tableRow = 1;
  m_mapping.m_fields[3].m_tableCol = 0;
  EXPECT_EQ(Records("a,\"1,234.5\"\n12.5,7\nb,\n"),
            "a,1234500.0,12.5,LMT,\n12/5,7000,12.5,LMT,\nb,,12.5,LMT,\n");
  m_mapping.m_fields[3].m_tableRow = 100000;  // a cell far outside the file
  EXPECT_EQ(Records("a,.5\n"), "a,500.0,,MKT,\n");
  m_mapping.m_fields[3].m_mapType = kMapConstant;
  m_mapping.m_fields[3].m_constant = "0.00";
  EXPECT_EQ(Records("a,-0.125\n"), "a,-125.000,0.00,MKT,\n");
}

TEST_F(GridConversion, RejectedRowsAndCacheOnlyValues) {
  m_mapping.m_fields[1].m_notBlank = true;
  m_mapping.m_fields[2].m_numeric = true;
  EXPECT_EQ(Records("a,1,,,n1,I1\n,2,,,n2,I2\nb,x,,,n3,I3\nc,-1,,,\"n,4\",I4\n"),
            "a,1,,MKT,I1\nc,-1,,MKT,I4\n");
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-26.cch")),
            "HDR,\r\nDATA,I1,n1\r\nDATA,I4,\"n,4\"\r\n");
}

TEST_F(GridConversion, BadInputGivesAFailureNotACrash) {
  ConvertResult result = Fail("a,\"open quote\nb,2\n");
  EXPECT_EQ(result.m_failure, ConvertFailure::kBadRecord);
  EXPECT_FALSE(result.m_ok);
  EXPECT_EQ(ReadWholeFile(m_folder.File("out.inc")), "");
  EXPECT_EQ(Fail("a,\"open at the end").m_failure, ConvertFailure::kBadRecord);

  ConvertRequest request = ScratchRequest(m_folder, m_format);
  request.m_deskPath = m_folder.File("missing.csv");
  std::string basketId = "1";
  result = m_mapping.Convert(request, basketId);
  EXPECT_EQ(result.m_failure, ConvertFailure::kFileError);
  EXPECT_EQ(result.m_fileError.m_function, "open");
  EXPECT_EQ(result.m_fileError.m_osError, ENOENT);
  m_mapping.m_format = kFormatFixed;
  EXPECT_EQ(Fail("a\n").m_failure, ConvertFailure::kBadFormat);
}

TEST_F(GridConversion, HugeRowsAndCells) {
  std::string wide;
  for (int i = 0; i < 10000; ++i) {
    wide += "c" + std::to_string(i) + ",";
  }
  const std::string bigCell(10 * 1024 * 1024, '7');
  m_mapping.m_fields[2].m_fixedCol = 9999;
  EXPECT_EQ(Records(wide + "\n" + bigCell + "\n"),
            "c0,c9999,c2,MKT,c5\n" + bigCell.substr(0, 8) + ",,,MKT,\n");
}

class FixedConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    m_format = FieldsOf({{"A", 10, kTypeData}, {"B", 10, kTypeDataReason}});
    m_mapping = CFixedMapping(true, m_format.UploadFields());
    for (CFieldFixedMap& field : m_mapping.m_fields) {
      field.m_mapType = kMapColumn;
    }
  }
  CFieldFixedMap& A() { return m_mapping.m_fields[0]; }
  CFieldFixedMap& B() { return m_mapping.m_fields[1]; }
  std::string Convert(CFixedMapping& mapping, const std::string& desk) {
    return ConvertText(mapping, ScratchRequest(m_folder, m_format), desk);
  }

  ScratchFolder m_folder;
  FieldFormatRegistry m_format;
  CFixedMapping m_mapping{true};
};

TEST_F(FixedConversion, PositionsLinesAndDefaults) {
  A().m_fixedLineOffset = 10;
  A().m_length = 5;
  B().m_fixedLineOffset = 200;  // far beyond the line: blanks only up to length + 25
  B().m_length = 4;
  B().m_default = "ABCDE";
  // Two characters at 10 and 11; a blank line is a record of blanks; the last line has no
  // line feed and counts; the Default is cut to Length.
  EXPECT_EQ(Convert(m_mapping, "0123456789AB\r\n\n0123456789XYZ"), "ABABCD\nABCD\nXYZABCD\n");
  m_mapping.m_startLine = 2;
  EXPECT_EQ(Convert(m_mapping, "h1\nh2\n0123456789QQ\n"), "QQABCD\n");
  // Any bytes make lines; a CR counts only before a line feed.
  A().m_fixedLineOffset = 0;
  B().m_mapType = kMapConstant;
  m_mapping.m_startLine = 0;
  EXPECT_EQ(Convert(m_mapping, std::string("\x00\xff\r\r\n\x01", 6)),
            std::string("\x00\xff\n\x01\n", 5));
}

TEST_F(FixedConversion, AutomaticOrderTypeNeedsTheWholeLimitRange) {
  m_format = FieldsOf(
      {{"A", 10, kTypeData}, {"ORDTYPE", 3, kTypeDataOrderType}, {"LIMIT", 9, kTypeDataLimit}});
  CFixedMapping mapping(true, m_format.UploadFields());
  CFieldFixedMap& a = mapping.m_fields[0];
  CFieldFixedMap& limit = mapping.m_fields[2];
  a.m_mapType = limit.m_mapType = kMapColumn;
  a.m_length = 2;
  mapping.m_fields[1].m_mapType = kMapAutoOrderType;
  limit.m_fixedLineOffset = 3;
  limit.m_length = 4;
  // The Limit field comes after the order type, so its range is not padded yet: on the
  // short line it lies partly beyond the end and gives MKT.
  EXPECT_EQ(Convert(mapping, "x  12.5\nx  12\nx  0.00\n"), "xLMT12.5\nxMKT12\nxMKT0.00\n");
  // Blanks that A adds to line 0 stay: the Limit at a file position of line 0 then lies
  // inside it, on line 0 and on the lines after. Unreached, line 0 stays short.
  a.m_length = 10;
  limit.m_mapType = kMapCell;
  limit.m_line = 0;
  limit.m_lineOffset = 3;
  EXPECT_EQ(Convert(mapping, "x  12\ny\n"), "x  12LMT12\nyLMT12\n");
  mapping.m_startLine = 1;
  EXPECT_EQ(Convert(mapping, "x  12\ny\n"), "yMKT12\n");
}

// A line addressed by number is kept; the last one has no line feed.
TEST_F(FixedConversion, PositionOnTheLastLine) {
  A().m_length = 2;
  B().m_mapType = kMapCell;
  B().m_line = 2;
  B().m_length = 3;
  EXPECT_EQ(Convert(m_mapping, "ab\r\ncd\nXYZ"), "abXYZ\ncdXYZ\nXYXYZ\n");
}

class UploadHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    m_format = FieldsOf({{"NAME", 3, kTypeHdr},
                         {"UUID", 10, kTypeHdrUuid},
                         {"BASKET", 4, kTypeHdrBasketId},
                         {"DELIM", 1, kTypeHdrDelimiter},
                         {"TRADER", 10, kTypeHdrCacheable},
                         {"X", 5, kTypeData}});
    m_mapping = CGridMapping(kFormatComma, true, m_format.UploadFields());
    const char* constants[] = {"ABCDE", " 777 ", "B1", ",", "T"};
    for (std::size_t i = 0; i < 5; ++i) {
      m_mapping.m_fields[i].m_constant = constants[i];
    }
    m_mapping.m_fields[5].m_mapType = kMapColumn;
  }
  std::string Convert(ConvertResult* result = nullptr, const std::string& desk = "v\n") {
    return ConvertText(m_mapping, m_request, desk, result, &m_basketId);
  }

  ScratchFolder m_folder;
  FieldFormatRegistry m_format;
  CGridMapping m_mapping{kFormatComma, true};
  ConvertRequest m_request = ScratchRequest(m_folder, m_format);
  std::string m_basketId = "1";
};

TEST_F(UploadHeader, UuidLineFollowsTheFlag) {
  m_request.m_loginBlock = PortfolioLoginBlock{"L", "S", "W", "UPLOAD"};
  EXPECT_EQ(Convert(),
            "START-OF-FILE\nLOGIN=L\nSN=S\nWS=W\nUUID=12345\nNAME=CDE\nBASKET=B1\nDELIM=,\n"
            "v\nEND-OF-FILE");
  // Flag on: the mapped value in mapping order, and a file UUID that is not the terminal
  // user's, so the administrator line follows the header.
  m_request.m_useUuid = true;
  m_mapping.m_fields[0].m_justify = kJustifyLeft;
  EXPECT_EQ(Convert(),
            "START-OF-FILE\nLOGIN=L\nSN=S\nWS=W\nNAME=ABC\nUUID=777\nBASKET=B1\nDELIM=,\n"
            "ADMIN=12345\nv\nEND-OF-FILE");
}

TEST_F(UploadHeader, AutomaticNumberingWrapsAndPicksItsSuffix) {
  m_request.m_autoIncrement = true;
  m_request.m_login = "JSMITH";
  m_basketId = "998";
  ConvertResult result;
  EXPECT_EQ(Convert(&result), "UUID=12345\nNAME=CDE\nBASKET=999-JSMITH\nDELIM=,\nv\n");
  EXPECT_EQ(m_basketId, "999");
  EXPECT_TRUE(result.m_basketNumbered);
  EXPECT_EQ(result.m_basketValue, "B1");
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-26999-JSMITH.cch")), "HDR,,T\r\n");
  // Past 999 back to 1; without a login the file's UUID is the suffix.
  const std::tuple<std::string, bool, std::string, std::string> steps[] = {
      {"JSMITH", false, "999", "1-JSMITH"},
      {"", false, "1", "2-12345"},
      {"", true, "2", "3-777"},
      {"", true, "not a number", "1-777"}};
  for (const auto& [login, useUuid, basketId, line] : steps) {
    m_request.m_login = login;
    m_request.m_useUuid = useUuid;
    m_basketId = basketId;
    EXPECT_NE(Convert().find("BASKET=" + line + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(m_mapping.m_fields[2].m_constant, "1");
}

// A cell value is trimmed, takes the Default when empty, and no other option of the field.
TEST_F(UploadHeader, CellValuesTakeTheDefaultWhenEmpty) {
  CFieldGridMap& name = m_mapping.m_fields[0];
  name.m_mapType = kMapCell;
  name.m_tableRow = 5;
  name.m_default = "X";
  EXPECT_NE(Convert().find("NAME=X\n"), std::string::npos);
  name.m_tableRow = 0;
  name.m_mkUpper = true;
  EXPECT_NE(Convert(nullptr, " ab \n").find("NAME=ab\n"), std::string::npos);
}

// Only the rows that cells address are kept while the others stream by, up to the last row.
// A bad record found after records were written takes them back and leaves the basket
// number and the mapping as they were.
TEST_F(UploadHeader, CellOnTheLastRowAndABadRecordFoundLate) {
  CFieldGridMap& name = m_mapping.m_fields[0];
  name.m_mapType = kMapCell;
  name.m_tableRow = 3;
  name.m_tableCol = 1;
  EXPECT_EQ(Convert(nullptr, "a\nb\nc\nd,LAST"),
            "UUID=12345\nNAME=AST\nBASKET=B1\nDELIM=,\na\nb\nc\nd\n");

  m_request.m_autoIncrement = true;
  m_basketId = "41";
  std::string desk;
  for (int row = 0; row < 20000; ++row) {
    desk += "vvvvvv\n";  // more records than the writer's buffer holds
  }
  WriteWholeFile(m_request.m_deskPath, desk + "\"open\n");
  const ConvertResult result = m_mapping.Convert(m_request, m_basketId);
  EXPECT_EQ(result.m_failure, ConvertFailure::kBadRecord);
  EXPECT_EQ(result.m_recordsWritten, 0u);
  EXPECT_EQ(ReadWholeFile(m_request.m_uploadPath), "");
  EXPECT_EQ(m_basketId, "41");
  EXPECT_EQ(m_mapping.m_fields[2].m_constant, "B1");
}

TEST_F(UploadHeader, AdministratorLineConditions) {
  const std::tuple<int, bool, std::string, std::string> cases[] = {
      {0, true, "12345", ""},       {0, true, "555", "ADMIN=555\n"},
      {1, true, "555", ""},         {1, false, "555", "ADMIN=555\n"},
      {1, false, "", "ADMIN=-1\n"}, {0, false, "-1", "ADMIN=-1\n"},
      {1, false, "12345", ""},      {2, false, "555", ""},
  };
  for (const auto& [method, serverSn, terminal, line] : cases) {
    m_request.m_uploadMethod = method;
    m_request.m_useServerSn = serverSn;
    m_request.m_terminalUserUuid = terminal;
    EXPECT_EQ(Convert(), "UUID=12345\nNAME=CDE\nBASKET=B1\nDELIM=,\n" + line + "v\n")
        << method << " " << serverSn << " " << terminal;
  }
}

TEST(TextRules, NumericTextAndLeadingNumber) {
  for (const char* text : {"", "  ", "12", " -1,234.50 ", "+5", "+-5", ".5", "1.2.3", "\t7\t"}) {
    EXPECT_TRUE(IsNumericText(text)) << text;
  }
  for (const char* text : {"-", ".", "1-", "5+", "12a", "1 2", "e5", ",.,"}) {
    EXPECT_FALSE(IsNumericText(text)) << text;
  }
  // Read like the C library, decimal only; out of range gives infinity or zero.
  const std::pair<std::string, double> numbers[] = {
      {"12.5abc", 12.5},   {"  -0.25", -0.25},
      {"+3e2", 300.0},     {"0x10", 0.0},
      {"abc", 0.0},        {"+-1", 0.0},
      {"1e-400", 0.0},     {"0." + std::string(400, '0') + "1", 0.0},
      {"1e400", INFINITY}, {std::string(400, '9'), INFINITY}};
  for (const auto& [text, value] : numbers) {
    EXPECT_EQ(LeadingNumber(text), value) << text;
  }
}

// Short plain decimals take a shortcut in reading and in the x1000 option; both must give
// what the C library gives: strtod, and "%.*f" of the double product with the value's decimals.
TEST(TextRules, ShortDecimalsReadAndScaleAsTheCLibraryDoes) {
  std::mt19937 random(7);
  FieldMap amount;
  amount.m_field.m_type = kTypeDataAmount;
  amount.m_field.m_width = 100;
  amount.m_x1000 = true;
  for (int round = 0; round < 20000; ++round) {
    std::string text = round % 4 == 0 ? "-" : round % 4 == 1 ? " +" : round % 4 == 2 ? "\t" : "";
    const std::size_t digits = 1 + random() % PlainDecimal::kMaxDigits;
    const std::size_t dot = random() % (digits + 1);
    for (std::size_t i = 0; i < digits; ++i) {
      text += i == dot ? "." : "";
      text += static_cast<char>('0' + (round % 2 == 0 ? random() % 10 : 9 - random() % 2));
    }
    EXPECT_EQ(LeadingNumber(text), std::strtod(text.c_str(), nullptr)) << text;
    const std::size_t decimals = dot < digits ? digits - dot : 0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.*f", static_cast<int>(decimals),
                  std::strtod(text.c_str(), nullptr) * 1000.0);
    ConversionState state;
    RowState row;
    std::string value = text;
    RunFieldPipeline(amount, 0, kMapColumn, value, std::string::npos, state, row);
    EXPECT_EQ(row.m_record, expected) << text;
  }
}

// The value pipeline on single fields: each case is one option in its place in the order.
TEST(FieldPipeline, OptionsApplyInOrder) {
  using Setup = void (*)(FieldMap&);
  const Setup none = [](FieldMap&) {};
  const Setup translate = [](FieldMap& f) { f.m_translate = true; };
  const Setup x1000 = [](FieldMap& f) { f.m_x1000 = true; };
  const Setup checksum = [](FieldMap& f) { f.m_missingChecksum = true; };
  const Setup upperAndDefault = [](FieldMap& f) {
    f.m_mkUpper = true;
    f.m_default = "dflt";
    f.m_translations.resize(1);
    f.m_translations[0].m_input = "x";
    f.m_translations[0].m_output = "Y";
  };
  struct Case {
    int type;
    int mapType;
    std::string raw;
    std::string expected;
    Setup setup;
  };
  const Case cases[] = {
      {kTypeDataSide, kMapColumn, "-100", "S", translate},
      {kTypeDataExchange, kMapColumn, " 0 ", "", translate},
      {kTypeDataSide, kMapColumn, "Buy", "Buy", translate},
      {kTypeDataSide, kMapConstant, "7", "B", translate},
      {kTypeDataAmount, kMapColumn, "-5", " 5", [](FieldMap& f) { f.m_abs = true; }},
      {kTypeExecQuantity, kMapColumn, "1,234.5", "1234500.0", x1000},
      {kTypeDataAmount, kMapColumn, ".5", "500.0", x1000},
      // More decimals than a double can hold: the rest are zeros, as "%.*f" writes them.
      {kTypeDataAmount, kMapColumn, "1." + std::string(1200, '0'), "1000." + std::string(1200, '0'),
       x1000},
      {kTypeExecAsOfTime, kMapColumn, "9:30", "930", none},
      {kTypeExecAsOfTime, kMapConstant, "9:30", "9:30", none},
      {kTypeExecAsOfTime, kMapColumn, "123:45", "123:45", none},
      {kTypeExecYellowKey, kMapColumn, "curr", "10", none},
      // Translation before upper case and Default: a hit skips both.
      {kTypeData, kMapColumn, "x", "Y", upperAndDefault},
      {kTypeData, kMapColumn, "", "dflt", upperAndDefault},
      {kTypeData, kMapColumn, "y", "Y", upperAndDefault},
      {kTypeData, kMapConstant, "", "", upperAndDefault},
      {kTypeDataCusip, kMapColumn, "123456789", "123456789", checksum},
      {kTypeDataCusip, kMapColumn, "12345", "123451", checksum},
  };
  for (const Case& c : cases) {
    FieldMap field;
    field.m_field.m_type = c.type;
    field.m_field.m_width = 2000;
    c.setup(field);
    ConversionState state;
    state.m_lastCodeType = "S";
    RowState row;
    std::string value = c.raw;
    RunFieldPipeline(field, 0, c.mapType, value, std::string::npos, state, row);
    EXPECT_EQ(row.m_record, c.expected) << c.type << " " << c.raw;
  }
}

}  // namespace
}  // namespace trqx
