// The whole run on the golden files: one order file with three baskets, the cache files of
// two of them, and an active mapping of each format; the reports must match byte by byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "download/download_dlg.h"
#include "support/local_time.h"
#include "support/recording_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

const std::string kData = std::string(TRQX_TEST_DATA) + "/download";

class GoldenReports : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenReports, MatchByteByByte) {
  namespace fs = std::filesystem;
  // The golden field format file and mapping, settings naming a copy folder and a destination
  // folder, and the cache files of B1 and B2 only.
  ScratchFolder app;
  fs::copy_file(kData + "/NVFormat.cfg", app.File("NVFormat.cfg"));
  fs::copy_file(kData + "/activedw_" + GetParam() + ".pfl", app.File("activedw.pfl"));
  WriteWholeFile(app.File("trqx.cfg"), "COpenNVInternalSettings,3,CopyDir,Value," +
                                           app.File("Upload") + ",UUID,Value,4711," +
                                           "DownLoad Dest Dir,Value," + app.File("reports") + "\n");
  fs::create_directories(app.File("Upload/Cache"));
  for (const char* cache : {"03-06-26B1.cch", "03-06-26B2.cch"}) {
    fs::copy_file(kData + "/" + cache, app.File(std::string("Upload/Cache/") + cache));
  }
  RecordingView view;
  FieldFormatRegistry fieldFormat;
  CTRQXDownLoadDlg dlg(view, fieldFormat, kData + "/orders.txt", app.Path(),
                       [] { return March6th2026(); });
  ASSERT_TRUE(dlg.OnInitDialog());
  EXPECT_EQ(view.m_path, kData + "/orders.txt");
  EXPECT_EQ(dlg.RecordCount(), 10u);  // the blank line counts

  dlg.OnShowWindow();
  ASSERT_EQ(view.m_posted, std::vector<unsigned>{CTRQXDownLoadDlg::kRunMessage});
  EXPECT_EQ(dlg.OnMessage(CTRQXDownLoadDlg::kRunMessage), 0);

  for (const char* report : {"B1.03-06-26.rpt", "B2.03-06-26.rpt"}) {
    SCOPED_TRACE(report);
    EXPECT_EQ(ReadWholeFile(app.File(std::string("reports/") + report)),
              ReadWholeFile(kData + "/expected/" + GetParam() + "/" + report));
  }
  // B3 has no cache file: it alone is skipped, with the path in the message.
  EXPECT_FALSE(std::filesystem::exists(app.File("reports/B3.03-06-26.rpt")));
  EXPECT_EQ(view.m_messages, std::vector<std::string>{
                                 "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error opening file " +
                                 app.File("Upload/Cache/03-06-26B3.cch")});
  EXPECT_FALSE(dlg.AllReportsWritten());
  EXPECT_EQ(dlg.LastReportPath(), app.File("reports/B2.03-06-26.rpt"));

  // Step 1 for 10 records: 10 percent per converted order (8 of them), then on to 100.
  EXPECT_EQ(view.m_percentTexts, FullProgressTexts());
  EXPECT_EQ(view.m_range, (std::vector<int>{0, 10, 1}));
  EXPECT_EQ(view.m_steps, 10);
}

INSTANTIATE_TEST_SUITE_P(EachFormat, GoldenReports, ::testing::Values("csv", "tsv", "fixed"));

}  // namespace
}  // namespace trqx
