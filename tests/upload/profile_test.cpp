#include <gtest/gtest.h>

#include "foundation/archive.h"
#include "support/fields.h"
#include "support/scratch_folder.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

std::unique_ptr<CMapping> Mapping(int format, int fileMapType, const std::string& filename) {
  auto mapping = std::make_unique<CGridMapping>(format, true);
  mapping->m_fileMapType = fileMapType;
  mapping->m_filename = filename;
  return mapping;
}

TEST(MappingSelection, ExactNamesFirstThenExtensions) {
  const FieldFormatRegistry format;
  UserProfile profile(format);
  profile.AddMapping(Mapping(kFormatComma, kMapByFormatExtension, ""));
  profile.AddMapping(Mapping(kFormatComma, kMapByFileName, " orders.csv "));
  profile.AddMapping(Mapping(kFormatTab, kMapByFormatExtension, ""));
  profile.AddMapping(Mapping(kFormatFixed, kMapByGivenExtension, "dat"));
  profile.AddMapping(Mapping(kFormatComma, kMapByFileName, "README"));
  profile.AddMapping(Mapping(kFormatComma, 7, "x.csv"));
  const std::pair<std::string, std::optional<std::size_t>> cases[] = {{"/desk/in\\ORDERS.CSV ", 1},
                                                                      {"other.Csv", 0},
                                                                      {"/a.b/list.txt", 2},
                                                                      {"list..dat", 3},
                                                                      {"LIST.DAT", 3},
                                                                      {"/desk/readme", 4},
                                                                      {"/desk/csv", std::nullopt},
                                                                      {"x.xls", std::nullopt},
                                                                      {"/desk/", std::nullopt}};
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(profile.SelectMapping(path), expected) << path;  // no dot: exact names only
  }
  profile.SetActiveMapping(3);
  EXPECT_EQ(profile.SelectMapping("anything.csv"), 3u);
  profile.RemoveMapping(0);
  int active = -1;
  ASSERT_TRUE(profile.GetActiveMapping(active));
  EXPECT_EQ(active, 2);  // still the same mapping
  profile.RemoveMapping(2);
  EXPECT_FALSE(profile.GetActiveMapping(active));
  profile.SetActiveMapping(40);  // an index without a mapping falls back to the names
  EXPECT_EQ(profile.SelectMapping("orders.csv"), 0u);
}

TEST(UserProfileFile, NewProfileDefaultsAndGoldenRoundTrip) {
  const FieldFormatRegistry format = GoldenFields();
  ScratchFolder folder;
  CFileError error;
  UserProfile fresh(format);
  ASSERT_TRUE(fresh.SaveFile(folder.File("qxu.pfl"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("qxu.pfl")),
            "UserProfile,7,ActiveMapping,Value,-1,UUID,Value,0,TimeDate,Value,,Name,Value,,"
            "IsEnabled,Value,TRUE,PriceNo,Value,4294967295,DirName,Value,\r\n\n");
  UserProfile golden(format);
  ASSERT_TRUE(golden.LoadFile(GoldenPath("qxu.pfl"), error));
  EXPECT_EQ(golden.m_name, "Golden desk");
  ASSERT_TRUE(golden.SaveFile(folder.File("again.pfl"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("again.pfl")), ReadWholeFile(GoldenPath("qxu.pfl")));
  UserProfile missing(format);
  EXPECT_TRUE(missing.LoadFile(folder.File("none.pfl"), error));
  EXPECT_EQ(missing.MappingCount(), 0u);
}

// Sets the value of the n-th (from 1) entry called key.
void SetEntry(TokenList& tokens, const std::string& key, const std::string& value, int n = 1) {
  for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
    if (tokens[i] == key && --n == 0) {
      tokens[i + 2] = value;
    }
  }
}

// Saved with fewer fields than the format has now: mappings are completed to the format. A
// mapping that fails stops the load but keeps the ones before.
TEST(UserProfileFile, LoadAdaptsToTheFieldFormatAndStopsAtABadMapping) {
  const FieldFormatRegistry narrow = FieldsOf({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}});
  UserProfile saved(narrow);
  saved.AddMapping(std::make_unique<CGridMapping>(kFormatComma, true, narrow.UploadFields()));
  saved.AddMapping(std::make_unique<CFixedMapping>(true, narrow.UploadFields()));
  TokenList tokens;
  saved.Save(tokens);
  const FieldFormatRegistry format =
      FieldsOf({{"A", 5, kTypeData}, {"B", 3, kTypeHdr}, {"C", 2, kTypeData}});
  UserProfile wider(format);
  std::size_t pos = 0;
  ASSERT_TRUE(wider.Load(tokens, pos));
  ASSERT_EQ(wider.GetMapping(1)->FieldCount(), 3u);
  EXPECT_EQ(dynamic_cast<CFixedMapping&>(*wider.GetMapping(1)).m_fields[2].m_field.m_name, "C");
  SetEntry(tokens, "Format", "3", 2);
  UserProfile loaded(format);
  pos = 0;
  EXPECT_FALSE(loaded.Load(tokens, pos));
  ASSERT_EQ(loaded.MappingCount(), 1u);
  EXPECT_EQ(loaded.GetMapping(0)->FieldCount(), 3u);
}

TEST(MappingArchive, RetiredIsFilenameMapTypeAndJustifyChecks) {
  const auto load = [](const std::string& key, const std::string& value, int format,
                       CGridMapping& out) {
    TokenList tokens = {
        "CGridMapping", "2",   "CMapping", "2",     "Format", "Value", std::to_string(format), key,
        "Value",        value, "StartRow", "Value", "1"};
    std::size_t pos = 0;
    return out.Load(tokens, pos);
  };
  CGridMapping byName(kFormatComma, false);
  ASSERT_TRUE(load("IsFilename", "TRUE", 1, byName));
  EXPECT_EQ(byName.m_fileMapType, kMapByFileName);
  EXPECT_EQ(byName.m_format, kFormatTab);
  EXPECT_EQ(byName.m_startRow, 1);
  ASSERT_TRUE(load("IsFilename", "FALSE", 0, byName));
  EXPECT_EQ(byName.m_fileMapType, kMapByFormatExtension);
  EXPECT_FALSE(load("Filename", "x", 3, byName));

  // A MapType outside the known ones reads as a constant; a Justify other than 0 or 1 fails.
  const std::tuple<std::string, std::string, bool, int> fields[] = {
      {"7", "1", true, kMapConstant},
      {"3", "0", true, kMapAutoOrderType},
      {"-1", "0", true, kMapConstant},
      {"1", "2", false, kMapColumn}};
  for (const auto& [mapType, justify, ok, loadedType] : fields) {
    OstraneField x;
    x.m_name = "X";
    TokenList tokens;
    CFieldGridMap(x).Save(tokens);
    SetEntry(tokens, "MapType", mapType);
    SetEntry(tokens, "Justify", justify);
    CFieldGridMap back;
    std::size_t pos = 0;
    EXPECT_EQ(back.Load(tokens, pos), ok) << mapType << " " << justify;
    if (ok) {
      EXPECT_EQ(back.m_mapType, loadedType);
    }
  }
}

}  // namespace
}  // namespace trqx
