#include <gtest/gtest.h>

#include "foundation/archive.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/user_profile.h"
#include "upload_test_support.h"

namespace trqx {
namespace {

std::unique_ptr<CMapping> Mapping(int format, int fileMapType, const std::string& filename) {
  std::unique_ptr<CMapping> mapping;
  if (format == kFormatFixed) {
    mapping = std::make_unique<CFixedMapping>(false, true);
  } else {
    mapping = std::make_unique<CGridMapping>(format, false, true);
  }
  mapping->m_fileMapType = fileMapType;
  mapping->m_filename = filename;
  return mapping;
}

TEST(MappingSelection, ExactNamesFirstThenExtensions) {
  UserProfile profile;
  profile.AddMapping(Mapping(kFormatComma, kMapByFormatExtension, ""));
  profile.AddMapping(Mapping(kFormatComma, kMapByFileName, " orders.csv "));
  profile.AddMapping(Mapping(kFormatTab, kMapByFormatExtension, ""));
  profile.AddMapping(Mapping(kFormatFixed, kMapByGivenExtension, "dat"));
  profile.AddMapping(Mapping(kFormatComma, kMapByFileName, "README"));
  profile.AddMapping(Mapping(kFormatComma, 7, "x.csv"));

  EXPECT_EQ(profile.SelectMapping("/desk/in\\ORDERS.CSV "), 1u);
  EXPECT_EQ(profile.SelectMapping("other.Csv"), 0u);
  EXPECT_EQ(profile.SelectMapping("/a.b/list.txt"), 2u);
  EXPECT_EQ(profile.SelectMapping("list..dat"), 3u);
  EXPECT_EQ(profile.SelectMapping("LIST.DAT"), 3u);
  EXPECT_EQ(profile.SelectMapping("/desk/readme"), 4u);
  EXPECT_EQ(profile.SelectMapping("/desk/csv"), std::nullopt);  // no dot: exact names only
  EXPECT_EQ(profile.SelectMapping("x.xls"), std::nullopt);
  EXPECT_EQ(profile.SelectMapping("/desk/"), std::nullopt);

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
  UseGoldenFields();
  ScratchFolder folder;
  CFileError error;
  UserProfile fresh;
  ASSERT_TRUE(fresh.SaveFile(folder.File("qxu.pfl"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("qxu.pfl")),
            "UserProfile,7,ActiveMapping,Value,-1,UUID,Value,0,TimeDate,Value,,Name,Value,,"
            "IsEnabled,Value,TRUE,PriceNo,Value,4294967295,DirName,Value,\r\n\n");

  UserProfile golden;
  ASSERT_TRUE(golden.LoadFile(GoldenPath("qxu.pfl"), error));
  EXPECT_EQ(golden.m_name, "Golden desk");
  EXPECT_EQ(golden.m_uuid, 12345u);
  ASSERT_TRUE(golden.SaveFile(folder.File("again.pfl"), error));
  EXPECT_EQ(ReadWholeFile(folder.File("again.pfl")), ReadWholeFile(GoldenPath("qxu.pfl")));

  UserProfile missing;
  EXPECT_TRUE(missing.LoadFile(folder.File("none.pfl"), error));
  EXPECT_EQ(missing.MappingCount(), 0u);
}

TEST(UserProfileFile, AFailingMappingStopsTheLoadButKeepsTheOnesBefore) {
  UseFields({{"A", 5, kTypeData}});
  UserProfile profile;
  profile.AddMapping(Mapping(kFormatComma, kMapByFileName, "a.csv"));
  profile.AddMapping(Mapping(kFormatTab, kMapByFileName, "b.txt"));
  profile.AddMapping(Mapping(kFormatFixed, kMapByFileName, "c.dat"));
  TokenList tokens;
  profile.Save(tokens);
  // The second mapping's Format becomes 3.
  int formats = 0;
  for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
    if (tokens[i] == "Format" && ++formats == 2) {
      tokens[i + 2] = "3";
    }
  }
  ScratchFolder folder;
  std::string line = RecordLine(tokens);
  WriteWholeFile(folder.File("qxu.pfl"), line);
  UserProfile loaded;
  CFileError error;
  EXPECT_FALSE(loaded.LoadFile(folder.File("qxu.pfl"), error));
  ASSERT_EQ(loaded.MappingCount(), 1u);
  EXPECT_EQ(loaded.GetMapping(0)->m_filename, "a.csv");
  EXPECT_EQ(loaded.GetMapping(0)->FieldCount(), 1u);  // completed to the field format
}

}  // namespace
}  // namespace trqx
