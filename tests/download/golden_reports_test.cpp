// The whole run on the golden files: one order file with three baskets, the cache files of
// two of them, and an active mapping of each format; the reports must match byte by byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/download_dlg.h"
#include "download/download_test_support.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

const std::string kData = std::string(TRQX_TEST_DATA) + "/download";

// An application folder with the golden field format file, the given active mapping, the
// settings naming a copy folder and a destination folder inside it, and the two cache files.
void PrepareApplicationFolder(const ScratchFolder& app, const std::string& mappingFile) {
  namespace fs = std::filesystem;
  fs::copy_file(kData + "/NVFormat.cfg", app.File("NVFormat.cfg"));
  fs::copy_file(kData + "/" + mappingFile, app.File("activedw.pfl"));
  WriteWholeFile(app.File("trqx.cfg"), "COpenNVInternalSettings,3,CopyDir,Value," +
                                           app.File("Upload") + ",UUID,Value,4711," +
                                           "DownLoad Dest Dir,Value," + app.File("reports") +
                                           "\r\n\n");
  fs::create_directories(app.File("Upload/Cache"));
  for (const char* cache : {"03-06-26B1.cch", "03-06-26B2.cch"}) {
    fs::copy_file(kData + "/" + cache, app.File(std::string("Upload/Cache/") + cache));
  }
}

class GoldenReports : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenReports, MatchByteByByte) {
  const std::string format = GetParam();
  ScratchFolder app;
  PrepareApplicationFolder(app, "activedw_" + format + ".pfl");
  RecordingView view;
  FieldFormatRegistry fieldFormat;
  CTRQXDownLoadDlg dlg(view, fieldFormat, kData + "/orders.txt", app.Path(),
                       [] { return March6th2026(); });
  ASSERT_TRUE(dlg.OnInitDialog()) << (view.m_messages.empty() ? "" : view.m_messages[0]);
  EXPECT_EQ(view.m_path, kData + "/orders.txt");
  EXPECT_EQ(dlg.RecordCount(), 10u);  // the blank line counts

  dlg.OnShowWindow();
  ASSERT_EQ(view.m_posted, std::vector<unsigned>{CTRQXDownLoadDlg::kRunMessage});
  EXPECT_EQ(dlg.OnMessage(CTRQXDownLoadDlg::kRunMessage), 0);

  for (const char* report : {"B1.03-06-26.rpt", "B2.03-06-26.rpt"}) {
    SCOPED_TRACE(report);
    EXPECT_EQ(ReadWholeFile(app.File(std::string("reports/") + report)),
              ReadWholeFile(kData + "/expected/" + format + "/" + report));
  }
  // B3 has no cache file: it alone is skipped, with the path in the message.
  EXPECT_FALSE(std::filesystem::exists(app.File("reports/B3.03-06-26.rpt")));
  ASSERT_EQ(view.m_messages.size(), 1u);
  EXPECT_EQ(view.m_messages[0], "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error opening file " +
                                    app.File("Upload/Cache/03-06-26B3.cch"));
  EXPECT_FALSE(dlg.AllReportsWritten());
  EXPECT_EQ(dlg.LastReportPath(), app.File("reports/B2.03-06-26.rpt"));

  // Step 1 for 10 records: 10 percent per converted order (8 of them), then on to 100.
  std::vector<std::string> expected{"Percent Downloaded:  %0"};
  for (int percent = 10; percent <= 100; percent += 10) {
    expected.push_back("Percent Downloaded: %" + std::to_string(percent));
  }
  expected.push_back("- DownLoading Complete -");
  EXPECT_EQ(view.m_percentTexts, expected);
  EXPECT_EQ(view.m_steps, 10);
  EXPECT_EQ(view.m_range, (std::vector<int>{0, 10, 1}));
  // The start-up entry went to the converter's log file in the application folder.
  EXPECT_NE(ReadWholeFile(app.File("qxd.log")).find("System startup ."), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EachFormat, GoldenReports, ::testing::Values("csv", "tsv", "fixed"));

}  // namespace
}  // namespace trqx
