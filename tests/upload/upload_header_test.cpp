#include <gtest/gtest.h>

#include <filesystem>

#include "upload/grid_mapping.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

class UploadHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFields({{"NAME", 3, kTypeHdr},
               {"UUID", 10, kTypeHdrUuid},
               {"BASKET", 4, kTypeHdrBasketId},
               {"DELIM", 1, kTypeHdrDelimiter},
               {"TRADER", 10, kTypeHdrCacheable},
               {"X", 5, kTypeData}});
    m_mapping = CGridMapping(kFormatComma, true, true);
    m_mapping.m_fields[0].m_constant = "ABCDE";
    m_mapping.m_fields[1].m_constant = " 777 ";
    m_mapping.m_fields[2].m_constant = "B1";
    m_mapping.m_fields[3].m_constant = ",";
    m_mapping.m_fields[4].m_constant = "T";
    m_mapping.m_fields[5].m_mapType = kMapColumn;
    m_request = ScratchRequest(m_folder);
  }
  std::string Convert(std::string& basketId, ConvertResult* result = nullptr) {
    return ConvertText(m_mapping, m_request, "v\n", result, &basketId);
  }
  std::string Convert() {
    std::string basketId = "1";
    return Convert(basketId);
  }

  ScratchFolder m_folder;
  CGridMapping m_mapping{kFormatComma, true, true};
  ConvertRequest m_request;
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
  std::string basketId = "998";
  ConvertResult result;
  EXPECT_EQ(Convert(basketId, &result), "UUID=12345\nNAME=CDE\nBASKET=999-JSMITH\nDELIM=,\nv\n");
  EXPECT_EQ(basketId, "999");
  EXPECT_TRUE(result.m_basketNumbered);
  EXPECT_EQ(result.m_basketValue, "B1");
  EXPECT_EQ(ReadWholeFile(m_folder.File("03-06-26999-JSMITH.cch")), "HDR,,T\r\n");

  EXPECT_NE(Convert(basketId).find("BASKET=1-JSMITH\n"), std::string::npos);
  EXPECT_EQ(m_mapping.m_fields[2].m_constant, "1");
  m_request.m_login.clear();
  EXPECT_NE(Convert(basketId).find("BASKET=2-12345\n"), std::string::npos);
  m_request.m_useUuid = true;
  EXPECT_NE(Convert(basketId).find("BASKET=3-777\n"), std::string::npos);
  basketId = "not a number";
  EXPECT_NE(Convert(basketId).find("BASKET=1-777\n"), std::string::npos);
}

TEST_F(UploadHeader, CellValuesTakeTheDefaultWhenEmpty) {
  CFieldGridMap& name = m_mapping.m_fields[0];
  name.m_mapType = kMapCell;
  name.m_tableRow = 5;
  name.m_default = "X";
  EXPECT_NE(Convert().find("NAME=X\n"), std::string::npos);
  name.m_tableRow = 0;
  EXPECT_NE(ConvertText(m_mapping, m_request, " ab \n").find("NAME=ab\n"), std::string::npos);
  // Header lines take no other option of the field.
  name.m_mkUpper = true;
  name.m_translations.resize(1);
  name.m_translations[0].m_input = "ab";
  name.m_translations[0].m_output = "zz";
  EXPECT_NE(ConvertText(m_mapping, m_request, " ab \n").find("NAME=ab\n"), std::string::npos);
}

TEST_F(UploadHeader, AdministratorLineConditions) {
  struct Case {
    int method;
    bool serverSn;
    std::string terminal;
    std::string line;  // "" when none is written
  };
  const Case cases[] = {
      {0, true, "12345", ""},       {0, true, "555", "ADMIN=555\n"},
      {1, true, "555", ""},         {1, false, "555", "ADMIN=555\n"},
      {1, false, "", "ADMIN=-1\n"}, {0, false, "-1", "ADMIN=-1\n"},
      {1, false, "12345", ""},      {2, false, "555", ""},
  };
  for (const Case& c : cases) {
    m_request.m_uploadMethod = c.method;
    m_request.m_useServerSn = c.serverSn;
    m_request.m_terminalUserUuid = c.terminal;
    EXPECT_EQ(Convert(), "UUID=12345\nNAME=CDE\nBASKET=B1\nDELIM=,\n" + c.line + "v\n")
        << c.method << " " << c.serverSn << " " << c.terminal;
  }
}

}  // namespace
}  // namespace trqx
