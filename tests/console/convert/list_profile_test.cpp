#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "console/convert/convert_console.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// The sample working folder of TRQXConvert, copied so that nothing touches the original.
void CopySample(const ScratchFolder& folder) {
  std::filesystem::copy(std::string(TRQX_TEST_DATA) + "/../../samples/convert", folder.Path(),
                        std::filesystem::copy_options::recursive);
}

TEST(ListProfile, PrintsEachMappingAndItsFieldsAsTheEditorShowsThem) {
  ScratchFolder folder;
  CopySample(folder);
  const std::string before = ReadWholeFile(folder.File("qxu.pfl"));
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(ListProfileConsole(folder.Path(), out, err), kExitConverted);
  const std::string listed = out.str();
  EXPECT_EQ(listed.rfind("Mapping 1: File Name: <*.csv>  Format Type: Comma Separated\n", 0), 0u)
      << listed;
  EXPECT_NE(listed.find("    Type: Data(SIDE)  Name: SIDE  Width: 1  Map Type: Col: 1\n"),
            std::string::npos)
      << listed;
  EXPECT_NE(listed.find("Map Type: Auto MKT/LMT\n"), std::string::npos) << listed;
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(ReadWholeFile(folder.File("qxu.pfl")), before);
}

TEST(ListProfile, MissingProfileListsNothingAndCreatesNoFile) {
  ScratchFolder folder;
  CopySample(folder);
  std::filesystem::remove(folder.File("qxu.pfl"));
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(ListProfileConsole(folder.Path(), out, err), kExitConverted);
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(std::filesystem::exists(folder.File("qxu.pfl")));
}

TEST(ListProfile, ReportsFilesThatCannotBeRead) {
  struct Row {
    const char* file;
    const char* content;  // nullptr: removed
    const char* message;
  };
  const Row rows[] = {
      {.file = "NVFormat.cfg", .content = nullptr, .message = "NVFormat.cfg could not be read.\n"},
      {.file = "NVFormat.cfg",
       .content = "OstraneField,4,Type,Value,42\r\n",
       .message = "NVFormat.cfg has a bad format.\n"},
      {.file = "qxu.pfl",
       .content = "UserProfile,1,CGridMapping,1,CMapping,1,Format,Value,3\r\n\n",
       .message = "qxu.pfl could not be read whole.\n"},
  };
  for (const Row& row : rows) {
    ScratchFolder folder;
    CopySample(folder);
    if (row.content == nullptr) {
      std::filesystem::remove(folder.File(row.file));
    } else {
      ASSERT_TRUE(WriteWholeFile(folder.File(row.file), row.content));
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ListProfileConsole(folder.Path(), out, err), kExitNotConverted) << row.file;
    EXPECT_EQ(err.str(), row.message);
  }
}

}  // namespace
}  // namespace trqx
