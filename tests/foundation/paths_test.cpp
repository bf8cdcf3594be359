#include "foundation/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace trqx {
namespace {

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) {
      m_oldHome = home;
    }
    setenv("HOME", "/home/desk", 1);
  }
  void TearDown() override {
    if (m_oldHome) {
      setenv("HOME", m_oldHome->c_str(), 1);
    } else {
      unsetenv("HOME");
    }
  }

 private:
  std::optional<std::string> m_oldHome;
};

TEST_F(PathsTest, WindowsDefaultsBecomeFoldersUnderHome) {
  EXPECT_EQ(ExpandWindowsDefault("C:\\nvx\\termqz"), "/home/desk/nvx/termqz");
  EXPECT_EQ(ExpandWindowsDefault("c:\\nvx\\vexofiles\\"), "/home/desk/nvx/vexofiles/");
  EXPECT_EQ(ExpandWindowsDefault("\\nvx"), "/home/desk/nvx");
  EXPECT_EQ(ExpandWindowsDefault("nvx/termqz"), "/home/desk/nvx/termqz");
  EXPECT_EQ(ExpandWindowsDefault(""), "/home/desk");
}

TEST(PathsJoinTest, JoinAddsOneSeparator) {
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("Remote", "Remote0000003"), "Remote/Remote0000003");
  EXPECT_EQ(JoinPath("/a", ""), "/a");
}

TEST(PathsJoinTest, FileNamePartTakesTheNameAfterEitherSeparator) {
  EXPECT_EQ(FileNamePart("/home/desk/TRQX001.inc"), "TRQX001.inc");
  EXPECT_EQ(FileNamePart("Remote\\Remote0000003\\uservexo001.inc"), "uservexo001.inc");
  EXPECT_EQ(FileNamePart("a\\b/c"), "c");
  EXPECT_EQ(FileNamePart("plain.csv"), "plain.csv");
  EXPECT_EQ(FileNamePart("folder/"), "");
}

}  // namespace
}  // namespace trqx
