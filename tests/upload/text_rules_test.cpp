#include <gtest/gtest.h>

#include <cmath>

#include "upload/field_pipeline.h"
#include "upload/text_rules.h"

namespace trqx {
namespace {

TEST(TextRules, IsNumericText) {
  for (const char* text : {"", "  ", "12", " -1,234.50 ", "+5", "+-5", ".5", "1.2.3", "\t7\t"}) {
    EXPECT_TRUE(IsNumericText(text)) << text;
  }
  for (const char* text : {"-", ".", "1-", "5+", "12a", "1 2", "e5", ",.,"}) {
    EXPECT_FALSE(IsNumericText(text)) << text;
  }
}

TEST(TextRules, LeadingNumberReadsLikeTheCLibrary) {
  EXPECT_EQ(LeadingNumber("12.5abc"), 12.5);
  EXPECT_EQ(LeadingNumber("  -0.25"), -0.25);
  EXPECT_EQ(LeadingNumber("+3e2"), 300.0);
  EXPECT_EQ(LeadingNumber("0x10"), 0.0);  // decimal only
  EXPECT_EQ(LeadingNumber("abc"), 0.0);
  EXPECT_EQ(LeadingNumber("+-1"), 0.0);
  EXPECT_TRUE(std::isinf(LeadingNumber("1e400")));
  EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
  EXPECT_EQ(LeadingNumber("1e-400"), 0.0);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(TextRules, CutToWidthKeepsTheJustifiedEnd) {
  std::string value = "ABCDE";
  CutToWidth(value, 3, 0);
  EXPECT_EQ(value, "CDE");
  value = "ABCDE";
  CutToWidth(value, 3, 1);
  EXPECT_EQ(value, "ABC");
  value = "AB";
  CutToWidth(value, 3, 0);
  EXPECT_EQ(value, "AB");
  CutToWidth(value, -4, 1);
  EXPECT_EQ(value, "");
}

// The value pipeline on single fields: each case is one option in its place in the order.
TEST(FieldPipeline, OptionsApplyInOrder) {
  struct Case {
    int type;
    int mapType;
    std::string raw;
    std::string expected;
    void (*setup)(FieldMap&);
  };
  const Case cases[] = {
      {kTypeDataSide, kMapColumn, "-100", "S", [](FieldMap& f) { f.m_translate = true; }},
      {kTypeDataExchange, kMapColumn, " 0 ", "", [](FieldMap& f) { f.m_translate = true; }},
      {kTypeDataSide, kMapColumn, "Buy", "Buy", [](FieldMap& f) { f.m_translate = true; }},
      {kTypeDataSide, kMapConstant, "7", "B", [](FieldMap& f) { f.m_translate = true; }},
      {kTypeDataAmount, kMapColumn, "-5", " 5", [](FieldMap& f) { f.m_abs = true; }},
      {kTypeExecQuantity, kMapColumn, "1,234.5", "1234500.0",
       [](FieldMap& f) { f.m_x1000 = true; }},
      {kTypeDataAmount, kMapColumn, ".5", "500.0", [](FieldMap& f) { f.m_x1000 = true; }},
      // More decimals than a double can hold: the rest are zeros, as "%.*f" writes them.
      {kTypeDataAmount, kMapColumn, "1." + std::string(1200, '0'), "1000." + std::string(1200, '0'),
       [](FieldMap& f) { f.m_x1000 = true; }},
      {kTypeExecAsOfTime, kMapColumn, "9:30", "930", [](FieldMap&) {}},
      {kTypeExecAsOfTime, kMapConstant, "9:30", "9:30", [](FieldMap&) {}},
      {kTypeExecAsOfTime, kMapColumn, "123:45", "123:45", [](FieldMap&) {}},
      {kTypeExecYellowKey, kMapColumn, "curr", "10", [](FieldMap&) {}},
      // Translation before upper case and Default: a hit skips both.
      {kTypeData, kMapColumn, "x", "Y",
       [](FieldMap& f) {
         f.m_mkUpper = true;
         f.m_translations.resize(1);
         f.m_translations[0].m_input = "x";
         f.m_translations[0].m_output = "Y";
       }},
      {kTypeData, kMapColumn, "", "dflt",
       [](FieldMap& f) {
         f.m_mkUpper = true;
         f.m_default = "dflt";
       }},
      {kTypeData, kMapConstant, "", "", [](FieldMap& f) { f.m_default = "dflt"; }},
      {kTypeDataCusip, kMapColumn, "123456789", "123456789",
       [](FieldMap& f) { f.m_missingChecksum = true; }},
      {kTypeDataCusip, kMapColumn, "12345", "123451",
       [](FieldMap& f) { f.m_missingChecksum = true; }},
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
