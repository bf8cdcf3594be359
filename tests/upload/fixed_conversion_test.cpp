#include <gtest/gtest.h>

#include "upload/fixed_mapping.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

// The golden profile's fixed mapping, with automatic numbering and a terminal user of its
// own, so the administrator line appears.
TEST(FixedConversionGolden, WritesTheExpectedUploadAndCacheFiles) {
  UseGoldenFields();
  UserProfile profile(true);
  CFileError error;
  ASSERT_TRUE(profile.LoadFile(GoldenPath("qxu.pfl"), error));
  CMapping* mapping = profile.GetMapping(1);
  ASSERT_NE(dynamic_cast<CFixedMapping*>(mapping), nullptr);

  ScratchFolder folder;
  ConvertRequest request = ScratchRequest(folder);
  request.m_deskPath = GoldenPath("fixed.dat");
  request.m_terminalUserUuid = "999";
  request.m_autoIncrement = true;
  std::string basketId = "41";
  const ConvertResult result = mapping->Convert(request, basketId);
  ASSERT_TRUE(result.m_ok);
  EXPECT_EQ(ReadWholeFile(request.m_uploadPath), ReadWholeFile(GoldenPath("fixed.expected.inc")));
  EXPECT_EQ(ReadWholeFile(folder.File("03-06-2642-12345.cch")),
            ReadWholeFile(GoldenPath("fixed.expected.cch")));
  EXPECT_EQ(basketId, "42");
  EXPECT_EQ(dynamic_cast<CFixedMapping*>(mapping)->m_fields[2].m_constant, "42");
  EXPECT_EQ(result.m_basketValue, "FXB");
}

class FixedConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFields({{"A", 10, kTypeData}, {"B", 10, kTypeDataReason}});
    m_mapping = CFixedMapping(true, true);
    for (CFieldFixedMap& field : m_mapping.m_fields) {
      field.m_mapType = kMapColumn;
    }
  }
  CFieldFixedMap& A() { return m_mapping.m_fields[0]; }
  CFieldFixedMap& B() { return m_mapping.m_fields[1]; }
  std::string Convert(const std::string& desk) {
    return ConvertText(m_mapping, ScratchRequest(m_folder), desk);
  }

  ScratchFolder m_folder;
  CFixedMapping m_mapping{true, true};
};

TEST_F(FixedConversion, PositionsLinesAndDefaults) {
  A().m_fixedLineOffset = 10;
  A().m_length = 5;
  B().m_fixedLineOffset = 200;  // far beyond the line: blanks only up to length + 25
  B().m_length = 4;
  B().m_default = "ABCDE";
  // Two characters at 10 and 11; a blank line is a record of blanks; the last line has no
  // line feed and counts; the Default is cut to Length.
  EXPECT_EQ(Convert("0123456789AB\r\n\n0123456789XYZ"), "ABABCD\nABCD\nXYZABCD\n");
  m_mapping.m_startLine = 2;
  EXPECT_EQ(Convert("h1\nh2\n0123456789QQ\n"), "QQABCD\n");
}

TEST_F(FixedConversion, AutomaticOrderTypeNeedsTheWholeLimitRange) {
  UseFields(
      {{"A", 10, kTypeData}, {"ORDTYPE", 3, kTypeDataOrderType}, {"LIMIT", 9, kTypeDataLimit}});
  CFixedMapping mapping(true, true);
  CFieldFixedMap& a = mapping.m_fields[0];
  a.m_mapType = kMapColumn;
  a.m_length = 2;
  mapping.m_fields[1].m_mapType = kMapAutoOrderType;
  CFieldFixedMap& limit = mapping.m_fields[2];
  limit.m_mapType = kMapColumn;
  limit.m_fixedLineOffset = 3;
  limit.m_length = 4;
  // The Limit field comes after the order type, so its range is not padded yet: on the
  // short line it lies partly beyond the end and gives MKT.
  EXPECT_EQ(ConvertText(mapping, ScratchRequest(m_folder), "x  12.5\nx  12\nx  0.00\n"),
            "xLMT12.5\nxMKT12\nxMKT0.00\n");

  // Blanks that A adds to line 0 stay: the Limit at a file position of line 0 then lies
  // inside it, on line 0 and on the lines after. Unreached, line 0 stays short.
  a.m_length = 10;
  limit.m_mapType = kMapCell;
  limit.m_line = 0;
  limit.m_lineOffset = 3;
  EXPECT_EQ(ConvertText(mapping, ScratchRequest(m_folder), "x  12\ny\n"), "x  12LMT12\nyLMT12\n");
  mapping.m_startLine = 1;
  EXPECT_EQ(ConvertText(mapping, ScratchRequest(m_folder), "x  12\ny\n"), "yMKT12\n");
}

TEST_F(FixedConversion, AnyBytesAreLines) {
  A().m_length = 10;
  B().m_mapType = kMapConstant;
  std::string desk("\x00\xff\r\r\n\x01", 6);
  EXPECT_EQ(Convert(desk), std::string("\x00\xff\n\x01\n", 5));
}

}  // namespace
}  // namespace trqx
