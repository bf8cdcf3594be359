#include <gtest/gtest.h>

#include <filesystem>

#include "upload/grid_mapping.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

// The golden profile's first mapping on the golden desk file, as the client would run it.
TEST(GridConversionGolden, WritesTheExpectedUploadAndCacheFiles) {
  UseGoldenFields();
  UserProfile profile(true);
  CFileError error;
  ASSERT_TRUE(profile.LoadFile(GoldenPath("qxu.pfl"), error));
  ASSERT_EQ(profile.MappingCount(), 2u);
  CMapping* mapping = profile.GetMapping(0);

  ScratchFolder folder;
  ConvertRequest request = ScratchRequest(folder);
  request.m_deskPath = GoldenPath("orders.csv");
  request.m_loginBlock = PortfolioLoginBlock{"PLOGIN", "SN123", "WS9", "UPLOAD"};
  std::string basketId = "7";
  const ConvertResult result = mapping->Convert(request, basketId);
  ASSERT_TRUE(result.m_ok);
  EXPECT_EQ(ReadWholeFile(request.m_uploadPath), ReadWholeFile(GoldenPath("orders.expected.inc")));
  EXPECT_EQ(ReadWholeFile(folder.File("03-06-26BSK.cch")),
            ReadWholeFile(GoldenPath("orders.expected.cch")));
  EXPECT_EQ(basketId, "7");  // no automatic numbering
  EXPECT_EQ(result.m_basketValue, "BSK");
  EXPECT_EQ(result.m_delimiter, "|");
  EXPECT_EQ(result.m_recordsWritten, 5u);
  EXPECT_EQ(result.m_cacheHeaderValues, std::vector<std::string>{"JSMITH, JR"});
}

class GridConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFields({{"DELIM", 1, kTypeHdrDelimiter},
               {"Ticker", 8, kTypeData},
               {"QTY", 12, kTypeDataAmount},
               {"LIMIT", 8, kTypeDataLimit},
               {"ORDTYPE", 3, kTypeDataOrderType},
               {"NOTE", 10, kTypeDataCacheable},
               {"ID", 6, kTypeDataOrderId}});
    m_mapping = CGridMapping(kFormatComma, true, true);
    m_mapping.m_fields[0].m_constant = ",";
    for (std::size_t i = 1; i < m_mapping.m_fields.size(); ++i) {
      m_mapping.m_fields[i].m_mapType = kMapColumn;
      m_mapping.m_fields[i].m_fixedCol = static_cast<int>(i - 1);
    }
    m_mapping.m_fields[4].m_mapType = kMapAutoOrderType;
  }
  std::string Records(const std::string& desk, ConvertResult* result = nullptr) {
    const std::string upload = ConvertText(m_mapping, ScratchRequest(m_folder), desk, result);
    return upload.substr(upload.find('\n') + 1);  // after "DELIM=,"
  }

  ScratchFolder m_folder;
  CGridMapping m_mapping{kFormatComma, true, true};
};

TEST_F(GridConversion, StartRowBlankRowsAndTheLastLine) {
  EXPECT_EQ(Records("T,Q\nibm,5\n\nx"), "T,Q,,MKT,\nibm,5,,MKT,\n,,,MKT,\nx,,,MKT,\n");
  m_mapping.m_startRow = 1;
  EXPECT_EQ(Records("T,Q\r\nibm,5\r\n\r\n"), "ibm,5,,MKT,\n,,,MKT,\n");
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
  ConvertResult result;
  EXPECT_EQ(Records("a,1,,,n1,I1\n,2,,,n2,I2\nb,x,,,n3,I3\nc,-1,,,\"n,4\",I4\n", &result),
            "a,1,,MKT,I1\nc,-1,,MKT,I4\n");
  ASSERT_EQ(result.m_cacheRecords.size(), 2u);
  EXPECT_EQ(result.m_cacheRecords[1].m_key, "I4");
  EXPECT_EQ(result.m_cacheRecords[1].m_values, std::vector<std::string>{"n,4"});
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-26.cch")),
            "HDR,\r\nDATA,I1,n1\r\nDATA,I4,\"n,4\"\r\n");
}

TEST_F(GridConversion, NoColumnFieldWritesOnlyTheHeader) {
  for (std::size_t i = 1; i < m_mapping.m_fields.size(); ++i) {
    m_mapping.m_fields[i].m_mapType = kMapConstant;
    m_mapping.m_fields[i].m_constant = "k";
  }
  ConvertResult result;
  EXPECT_EQ(Records("a\nb\n", &result), "");
  EXPECT_EQ(result.m_recordsWritten, 0u);
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("03-06-26.cch")));
}

TEST_F(GridConversion, TabSeparatedAndMultiCharacterDelimiter) {
  m_mapping.m_format = kFormatTab;
  m_mapping.m_fields[0].m_field.m_width = 5;
  m_mapping.m_fields[0].m_constant = "<>";
  // Each step deletes the first character of the first "<>"; what is left is searched again.
  EXPECT_EQ(Records("a<<>>b\t1,5\n"), "a>>b<>1,5<><>MKT<>\n");
}

TEST_F(GridConversion, BadInputGivesAFailureNotACrash) {
  ConvertRequest request = ScratchRequest(m_folder);
  std::string basketId = "1";
  WriteWholeFile(request.m_deskPath, "a,\"open quote\nb,2\n");
  ConvertResult result = m_mapping.Convert(request, basketId);
  EXPECT_FALSE(result.m_ok);
  EXPECT_EQ(result.m_failure, ConvertFailure::kBadRecord);
  EXPECT_EQ(ReadWholeFile(request.m_uploadPath), "");

  WriteWholeFile(request.m_deskPath, "a,\"open at the end");
  EXPECT_EQ(m_mapping.Convert(request, basketId).m_failure, ConvertFailure::kBadRecord);

  request.m_deskPath = m_folder.File("missing.csv");
  result = m_mapping.Convert(request, basketId);
  EXPECT_EQ(result.m_failure, ConvertFailure::kFileError);
  EXPECT_EQ(result.m_fileError.m_function, "open");
  EXPECT_EQ(result.m_fileError.m_osError, ENOENT);

  CGridMapping fixedFormat(kFormatFixed, true, true);
  request = ScratchRequest(m_folder);
  EXPECT_EQ(fixedFormat.Convert(request, basketId).m_failure, ConvertFailure::kBadFormat);
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

TEST_F(GridConversion, TickerDotsFollowTheFlag) {
  EXPECT_EQ(Records("brk.b\n"), "brk/b,,,MKT,\n");
  m_mapping.m_convertDots = false;
  EXPECT_EQ(Records("brk.b\n"), "brk.b,,,MKT,\n");
}

}  // namespace
}  // namespace trqx
