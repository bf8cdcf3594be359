// The converter's progress window driven by its real logic on a small conversion.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "download/download_dlg.h"
#include "gui/dialog_driving.h"
#include "gui/download/download_window.h"
#include "gui/qt_application.h"
#include "support/local_time.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

std::string FieldLine(const std::string& name, int type) {
  return "OstraneField,4,Name,Value," + name + ",Width,Value,10,Type,Value," +
         std::to_string(type) + ",Category,Value,1\r\n";
}

class DownLoadWindowTest : public ::testing::Test {
 protected:
  // Ticker and Basket ID, download only, so no cache file is read; the mapping writes the
  // Ticker column.
  void SetUp() override {
    Put("NVFormat.cfg", FieldLine("TICKER", 15) + FieldLine("BASKETID", 25));
    Put("trqx.cfg",
        "COpenNVInternalSettings,1,DownLoad Dest Dir,Value," + m_app.File("out") + "\n");
    Put("activedw.pfl",
        "CDownLoadCSVMapping,1,CDownLoadGridMapping,1,CDownLoadMapping,3,FormatType,Value,0,"
        "RejectUnexecutedOrders,Value,FALSE,CDownLoadElement,4,Type,Value,1,MapType,Value,1,"
        "FieldIndex,Value,0,UseLength,Value,FALSE\r\n");
  }
  void Put(const std::string& name, const std::string& text) {
    ASSERT_TRUE(WriteWholeFile(m_app.File(name), text));
  }
  void WriteOrders(int records, int baskets) {
    std::string text;
    for (int i = 0; i < records; ++i) {
      text += "T" + std::to_string(i) + ",B" + std::to_string(i % baskets) + "\n";
    }
    Put("orders.txt", text);
  }
  // The window and its logic, attached; start-up not yet run.
  void Make() {
    m_window = std::make_unique<DownLoadWindow>();
    m_dlg = std::make_unique<CTRQXDownLoadDlg>(*m_window, m_fieldFormat, m_app.File("orders.txt"),
                                               m_app.Path(), [] { return March6th2026(); });
    m_window->Attach(*m_dlg);
  }

  ScratchFolder m_app;
  FieldFormatRegistry m_fieldFormat;
  std::unique_ptr<DownLoadWindow> m_window;
  std::unique_ptr<CTRQXDownLoadDlg> m_dlg;
};

TEST_F(DownLoadWindowTest, TheRunStartsOnceShownAndFillsTheBarInTenSteps) {
  const struct {
    int m_records;
    int m_baskets;
    const char* m_report;  // of basket B0
  } runs[] = {
      // 22 records step the bar every second record, 5 reach half and are stepped to the end.
      {.m_records = 22,
       .m_baskets = 3,
       .m_report = "T0\r\nT3\r\nT6\r\nT9\r\nT12\r\nT15\r\nT18\r\nT21\r\n"},
      {.m_records = 5, .m_baskets = 5, .m_report = "T0\r\n"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.m_records);
    WriteOrders(run.m_records, run.m_baskets);
    Make();
    ASSERT_TRUE(m_dlg->OnInitDialog());
    EXPECT_EQ(m_window->PercentLabel()->text(), "Percent Downloaded:  %0");
    EXPECT_EQ(m_window->PathLabel()->toolTip().toStdString(), m_app.File("orders.txt"));
    EXPECT_EQ(m_window->Progress()->minimum(), 0);
    EXPECT_EQ(m_window->Progress()->maximum(), 10);
    std::vector<int> values;
    QObject::connect(m_window->Progress(), &QProgressBar::valueChanged,
                     [&values](int value) { values.push_back(value); });

    m_window->show();
    EXPECT_EQ(m_window->PercentLabel()->text(), "Percent Downloaded:  %0")
        << "the run waits until the window has appeared";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m_window->PercentLabel()->text() == "- DownLoading Complete -"; }, 10000));
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(m_dlg->AllReportsWritten());
    EXPECT_EQ(ReadWholeFile(m_app.File("out/B0.03-06-26.rpt")), run.m_report);
  }
}

TEST_F(DownLoadWindowTest, AStartUpFailureShowsItsMessageAndEndsTheProgram) {
  WriteOrders(1, 1);
  Put("trqx.cfg", "COpenNVInternalSettings,1,CopyDir,Value\r\n");
  Make();
  QString caption;
  QString message;
  test::WhenModal<QMessageBox>([&](QMessageBox& box) {
    caption = box.windowTitle();
    message = box.text();
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_FALSE(m_dlg->OnInitDialog());
  EXPECT_EQ(message, "CTRQXDownLoadDlg::OnInitDialog(): Program ending, could not read cfg file");
  EXPECT_EQ(caption, "TRQXDownLoad        Version 2.2f");
  EXPECT_TRUE(m_window->Ended());
}

TEST_F(DownLoadWindowTest, TheAboutBoxNamesTheProgramAndVersion) {
  Make();
  EXPECT_EQ(m_window->windowTitle(), "TRQXDownLoad        Version 2.2f");
  EXPECT_EQ(m_window->AboutButton()->text(), "&About TRQXDownLoad...");
  const std::unique_ptr<QMessageBox> about(m_window->MakeAboutBox());
  EXPECT_EQ(about->windowTitle(), "About TRQXDownLoad");
  EXPECT_EQ(about->text(), "TRQXDownLoad Version 2.2f");
}

}  // namespace
}  // namespace trqx
