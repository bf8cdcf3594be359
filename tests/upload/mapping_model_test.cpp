#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/archive.h"
#include "upload/field_map.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

OstraneField Field(const std::string& name, int width, int type) {
  OstraneField field;
  field.m_name = name;
  field.m_width = width;
  field.m_type = type;
  return field;
}

TEST(FieldMapArchive, SavesElevenEntriesPlusTranslationsInKeyOrder) {
  CFieldGridMap map(Field("SIDE", 4, kTypeDataSide));
  map.m_translations = {CTranslation(), CTranslation()};
  map.m_translations[0].m_input = "Buy";
  map.m_translations[0].m_output = "B";
  map.m_default = "a,\"b";
  map.m_mapType = kMapColumn;
  map.m_fixedCol = 3;
  TokenList tokens;
  map.Save(tokens);
  ASSERT_GE(tokens.size(), 6u);
  EXPECT_EQ(tokens[0], "CFieldGridMap");
  EXPECT_EQ(tokens[1], "6");
  EXPECT_EQ(tokens[2], "FieldMap");
  EXPECT_EQ(tokens[3], "13");
  EXPECT_EQ(tokens[4], "OstraneField");
  // The keys after the field definition, in their written order.
  std::vector<std::string> keys;
  for (std::size_t i = 4 + 2 + 12; i + 2 < tokens.size() && keys.size() < 10; i += 3) {
    keys.push_back(tokens[i]);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Justify", "NotBlank", "Numeric", "Translate", "Abs",
                                            "MkUpper", "Default", "MakeMKTOrLMT", "MissingChecksum",
                                            "x1000"}));
  EXPECT_NE(RecordLine(tokens).find("Default,Value,\"a,\"\"b\""), std::string::npos);

  CFieldGridMap back;
  std::size_t pos = 0;
  ASSERT_TRUE(back.Load(tokens, pos));
  EXPECT_EQ(pos, tokens.size());
  EXPECT_EQ(back.m_field.m_name, "SIDE");
  EXPECT_EQ(back.m_default, "a,\"b");
  ASSERT_EQ(back.m_translations.size(), 2u);
  EXPECT_EQ(back.m_translations[0].m_output, "B");
  EXPECT_EQ(back.m_mapType, kMapColumn);
  EXPECT_EQ(back.m_fixedCol, 3);
}

TEST(FieldMapArchive, LoadChecks) {
  const auto loadGrid = [](const std::string& mapType, const std::string& justify, int& outType) {
    CFieldGridMap map(Field("X", 1, kTypeData));
    map.m_mapType = 0;
    TokenList tokens;
    map.Save(tokens);
    for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
      if (tokens[i] == "MapType") {
        tokens[i + 2] = mapType;
      }
      if (tokens[i] == "Justify") {
        tokens[i + 2] = justify;
      }
    }
    CFieldGridMap back;
    std::size_t pos = 0;
    const bool ok = back.Load(tokens, pos);
    outType = back.m_mapType;
    return ok;
  };
  int mapType = -1;
  EXPECT_TRUE(loadGrid("7", "1", mapType));
  EXPECT_EQ(mapType, kMapConstant);
  EXPECT_TRUE(loadGrid("3", "0", mapType));
  EXPECT_EQ(mapType, kMapAutoOrderType);
  EXPECT_TRUE(loadGrid("-1", "0", mapType));
  EXPECT_EQ(mapType, kMapConstant);
  EXPECT_FALSE(loadGrid("1", "2", mapType));

  // A translation that fails to load fails the field mapping.
  CFieldFixedMap fixed(Field("X", 1, kTypeData));
  fixed.m_translations.resize(1);
  TokenList tokens;
  fixed.Save(tokens);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "CTranslation") {
      tokens[i + 1] = "-2";
    }
  }
  CFieldFixedMap back;
  std::size_t pos = 0;
  EXPECT_FALSE(back.Load(tokens, pos));
}

TEST(MappingArchive, FixedRoundTripKeepsEverything) {
  UseFields({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}});
  CFixedMapping mapping(true, false);
  mapping.m_fileMapType = kMapByGivenExtension;
  mapping.m_filename = "dat";
  mapping.m_startLine = 4;
  mapping.m_fields[1].m_length = 9;
  mapping.m_fields[1].m_line = 2;
  mapping.m_fields[1].m_mapType = kMapCell;
  TokenList tokens;
  mapping.Save(tokens);
  EXPECT_EQ(tokens[1], "4");  // two field mappings + 2
  EXPECT_EQ(std::count(tokens.begin(), tokens.end(), "IsFilename"), 0);

  CFixedMapping back(false, false);
  std::size_t pos = 0;
  ASSERT_TRUE(back.Load(tokens, pos));
  TokenList again;
  back.Save(again);
  EXPECT_EQ(again, tokens);
  EXPECT_EQ(back.m_fields[1].m_length, 9);
}

TEST(MappingArchive, RetiredIsFilenameAndBadFormat) {
  const auto load = [](const std::string& extraKey, const std::string& value, int format,
                       CGridMapping& out) {
    TokenList tokens = {
        "CGridMapping", "2",     "CMapping", "2",        "Format", "Value", std::to_string(format),
        extraKey,       "Value", value,      "StartRow", "Value",  "1"};
    std::size_t pos = 0;
    return out.Load(tokens, pos);
  };
  CGridMapping byName(kFormatComma, false, false);
  ASSERT_TRUE(load("IsFilename", "TRUE", 1, byName));
  EXPECT_EQ(byName.m_fileMapType, kMapByFileName);
  EXPECT_EQ(byName.m_format, kFormatTab);
  EXPECT_EQ(byName.m_startRow, 1);
  CGridMapping byExtension(kFormatComma, false, false);
  ASSERT_TRUE(load("IsFilename", "FALSE", 0, byExtension));
  EXPECT_EQ(byExtension.m_fileMapType, kMapByFormatExtension);
  CGridMapping bad(kFormatComma, false, false);
  EXPECT_FALSE(load("Filename", "x", 3, bad));
}

TEST(MappingArchive, ProfileCompletesMappingsToTheFieldFormat) {
  UseFields({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}, {"C", 2, kTypeData}});
  // Saved when the field format file had two upload fields.
  UseFields({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}});
  UserProfile saved;
  saved.AddMapping(std::make_unique<CGridMapping>(kFormatComma, true, true));
  TokenList tokens;
  saved.Save(tokens);

  UseFields({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}, {"C", 2, kTypeData}, {"D", 1, kTypeHdr}});
  UserProfile wider;
  std::size_t pos = 0;
  ASSERT_TRUE(wider.Load(tokens, pos));
  auto* grid = dynamic_cast<CGridMapping*>(wider.GetMapping(0));
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->FieldCount(), 4u);
  EXPECT_EQ(grid->m_fields[2].m_field.m_name, "C");
  EXPECT_EQ(grid->m_fields[3].m_field.m_name, "D");

  UseFields({{"Z", 5, kTypeData}});
  UserProfile narrower;
  pos = 0;
  ASSERT_TRUE(narrower.Load(tokens, pos));
  ASSERT_EQ(narrower.GetMapping(0)->FieldCount(), 2u);
  // Field mappings keep their own copy of the definition.
  EXPECT_EQ(dynamic_cast<CGridMapping*>(narrower.GetMapping(0))->m_fields[0].m_field.m_name, "A");
}

TEST(MappingArchive, CloneIsDeep) {
  UseFields({{"A", 5, kTypeData}});
  CGridMapping mapping(kFormatTab, true, true);
  mapping.m_fields[0].m_constant = "one";
  std::unique_ptr<CMapping> copy = mapping.Clone();
  mapping.m_fields[0].m_constant = "two";
  auto* grid = dynamic_cast<CGridMapping*>(copy.get());
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->m_fields[0].m_constant, "one");
  EXPECT_EQ(grid->m_format, kFormatTab);
}

}  // namespace
}  // namespace trqx
