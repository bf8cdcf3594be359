#include "foundation/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace trqx {

TEST(PathsTest, WindowsDefaultsJoinsAndFileNames) {
  const std::string home = HomeDirectory();
  EXPECT_EQ(ExpandWindowsDefault("C:\\nvx\\termqz"), home + "/nvx/termqz");
  EXPECT_EQ(ExpandWindowsDefault("c:\\nvx\\vexofiles\\"), home + "/nvx/vexofiles/");
  EXPECT_EQ(FileNamePart("Remote\\Remote0000003\\uservexo001.inc"), "uservexo001.inc");
  EXPECT_EQ(FileNamePart("a\\b/c"), "c");
}

}  // namespace trqx
