// The converter window's logic: start-up order and failures, the run's progress and messages,
// and the registry lookup of the application folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "download/download_dlg.h"
#include "download/download_test_support.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

const std::string kFieldLine = "OstraneField,4,Name,Value,";
std::string FieldLine(const std::string& name, int type, int category) {
  return kFieldLine + name + ",Width,Value,10,Type,Value," + std::to_string(type) +
         ",Category,Value," + std::to_string(category) + "\r\n";
}

// One element: the Ticker column (download field 0) from row 0.
const std::string kTickerMapping =
    "CDownLoadCSVMapping,1,CDownLoadGridMapping,1,CDownLoadMapping,4,Name,Value,m,"
    "FormatType,Value,0,RejectUnexecutedOrders,Value,FALSE,CDownLoadElement,14,Type,Value,1,"
    "XPos,Value,0,YPos,Value,0,MapType,Value,1,FieldIndex,Value,0,Name,Value,,Length,Value,1,"
    "UseLength,Value,FALSE,Justify,Value,0,Constant,Value,,Cond1,Value,FALSE,Cond2,Value,FALSE,"
    "IsQuoted,Value,FALSE,OstraneField,4,Name,Value,TICKER,Width,Value,10,Type,Value,15,"
    "Category,Value,1\r\n\n";

class DownLoadDlgTest : public ::testing::Test {
 protected:
  // Ticker, Basket ID and Order ID, download only: no cache file is read.
  void SetUp() override {
    WriteWholeFile(
        m_app.File("NVFormat.cfg"),
        FieldLine("TICKER", 15, 1) + FieldLine("BASKETID", 25, 1) + FieldLine("ORDERID", 26, 1));
    WriteWholeFile(m_app.File("trqx.cfg"), "COpenNVInternalSettings,1,DownLoad Dest Dir,Value," +
                                               m_app.File("out") + "\r\n\n");
    WriteWholeFile(m_app.File("activedw.pfl"), kTickerMapping);
  }
  void WriteOrders(int records, int baskets) {
    std::string text;
    for (int i = 0; i < records; ++i) {
      text += "T" + std::to_string(i) + ",B" + std::to_string(i % baskets) + ",O" +
              std::to_string(i) + "\n";
    }
    WriteWholeFile(m_app.File("orders.txt"), text);
  }
  // Start-up and the run, as the front-end drives them; false when start-up ended.
  bool Run() {
    m_dlg = std::make_unique<CTRQXDownLoadDlg>(m_view, m_fieldFormat, m_app.File("orders.txt"),
                                               m_app.Path(), [] { return March6th2026(); });
    if (!m_dlg->OnInitDialog()) {
      EXPECT_TRUE(m_view.m_ended);
      return false;
    }
    EXPECT_FALSE(m_view.m_ended);
    m_dlg->OnShowWindow();
    m_dlg->OnMessage(CTRQXDownLoadDlg::kRunMessage);
    return true;
  }

  ScratchFolder m_app;
  RecordingView m_view;
  FieldFormatRegistry m_fieldFormat;
  std::unique_ptr<CTRQXDownLoadDlg> m_dlg;
};

TEST_F(DownLoadDlgTest, ProgressStepsFollowTheRecordCount) {
  // 22 records: a step of 2, so 10 percent every second order.
  WriteOrders(22, 3);
  ASSERT_TRUE(Run());
  ASSERT_EQ(m_view.m_percentTexts.size(), 12u);
  EXPECT_EQ(m_view.m_percentTexts[10], "Percent Downloaded: %100");
  EXPECT_EQ(m_view.m_percentTexts[11], "- DownLoading Complete -");
  EXPECT_EQ(m_view.m_steps, 10);
  EXPECT_TRUE(m_dlg->AllReportsWritten());
  EXPECT_EQ(ReadWholeFile(m_app.File("out/B0.03-06-26.rpt")),
            "T0\r\nT3\r\nT6\r\nT9\r\nT12\r\nT15\r\nT18\r\nT21\r\n");
  EXPECT_TRUE(m_view.m_messages.empty());
}

TEST_F(DownLoadDlgTest, FewRecordsReachFiftyAndAreSteppedToAHundred) {
  WriteOrders(5, 5);
  ASSERT_TRUE(Run());
  // Percents 10 to 50 come from the orders; 60 to 100 from the end of the run.
  EXPECT_EQ(m_view.m_percentTexts[5], "Percent Downloaded: %50");
  EXPECT_EQ(m_view.m_percentTexts.size(), 12u);
  EXPECT_EQ(m_view.m_steps, 10);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(std::filesystem::exists(m_app.File("out/B" + std::to_string(i) + ".03-06-26.rpt")));
  }
}

TEST_F(DownLoadDlgTest, InvalidTypesAreReportedForEveryOrder) {
  // A Type 27 field before the Basket ID, and a Type 2 field, which has no download role.
  WriteWholeFile(m_app.File("NVFormat.cfg"),
                 FieldLine("TICKER", 15, 1) + FieldLine("UPLOADID", 27, 1) +
                     FieldLine("BASKETID", 25, 1) + FieldLine("DATA", 2, 1) +
                     FieldLine("ORDERID", 26, 1));
  WriteOrders(2, 1);
  ASSERT_TRUE(Run());
  std::map<std::string, int> counts;
  for (const std::string& message : m_view.m_messages) {
    ++counts[message];
  }
  EXPECT_EQ(counts["CTRQXDownLoadDlg::GetBasketID - Error - Invalid type"], 1);
  EXPECT_EQ(counts["CTRQXDownLoadDlg::GetOrderRefID - Error - Invalid type"], 2);
  EXPECT_EQ(counts["CTRQXDownLoadDlg::BuildPreMappedArray() Error - Invalid OstraneField Type"], 4);
  // The invalid fields count in the record size but take no value: the report still comes.
  EXPECT_EQ(ReadWholeFile(m_app.File("out/B0.03-06-26.rpt")), "T0\r\nT1\r\n");
}

TEST_F(DownLoadDlgTest, AListWithoutABasketIdFieldStopsTheRunOnce) {
  WriteWholeFile(m_app.File("NVFormat.cfg"), FieldLine("TICKER", 15, 1));
  WriteOrders(3, 2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages,
            std::vector<std::string>{"CTRQXDownLoadDlg::BuildPreMappedArray() Error - No "
                                     "Data(Basket ID) field in the download field list"});
  EXPECT_EQ(m_view.m_percentTexts, std::vector<std::string>{"Percent Downloaded:  %0"});
  EXPECT_FALSE(m_dlg->AllReportsWritten());
}

TEST_F(DownLoadDlgTest, AMissingOrderFileConvertsNothingButCompletes) {
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages,
            std::vector<std::string>{"Error: Unable to open file " + m_app.File("orders.txt")});
  EXPECT_EQ(m_view.m_percentTexts.back(), "- DownLoading Complete -");
  EXPECT_EQ(m_view.m_steps, 10);
  EXPECT_FALSE(m_dlg->AllReportsWritten());
}

TEST_F(DownLoadDlgTest, StartUpEndsAtTheFirstFileItCannotUse) {
  WriteOrders(1, 1);
  // A bad field format file: logged with its path, and the program ends.
  WriteWholeFile(m_app.File("NVFormat.cfg"), FieldLine("TICKER", 42, 1));
  EXPECT_FALSE(Run());
  EXPECT_EQ(m_view.m_messages,
            std::vector<std::string>{"Program ending, could not read " +
                                     m_app.File("NVFormat.cfg") + " file. Check error log"});
  const std::string log = ReadWholeFile(m_app.File("qxd.log"));
  EXPECT_NE(log.find("System startup ."), std::string::npos);
  EXPECT_NE(log.find("The Norvane upload field format file, " + m_app.File("NVFormat.cfg") +
                     ", has a bad format."),
            std::string::npos);

  SetUp();
  m_view = RecordingView();
  WriteWholeFile(m_app.File("trqx.cfg"), "COpenNVInternalSettings,1,CopyDir,Value\r\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(m_view.m_messages,
            std::vector<std::string>{
                "CTRQXDownLoadDlg::OnInitDialog(): Program ending, could not read cfg file"});

  // A settings file of another class leaves the defaults; an empty mapping file ends it.
  SetUp();
  m_view = RecordingView();
  WriteWholeFile(m_app.File("trqx.cfg"), "UserProfile,0\r\n");
  WriteWholeFile(m_app.File("activedw.pfl"), "\r\n\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(m_view.m_messages, std::vector<std::string>{"CTRQXDownLoadDlg::OnInitDialog() Error "
                                                        "- call to "
                                                        "CActiveDownLoadMappingFile::"
                                                        "OpenLoadAndClose"});

  // The log file cannot be opened: string 103 with its name and code.
  SetUp();
  m_view = RecordingView();
  std::filesystem::remove(m_app.File("qxd.log"));
  std::filesystem::create_directory(m_app.File("qxd.log"));
  EXPECT_FALSE(Run());
  ASSERT_EQ(m_view.m_messages.size(), 1u);
  EXPECT_EQ(m_view.m_messages[0], "File error, function: " + m_app.File("qxd.log") + ", code 21.");
}

TEST(DownLoadCommandLine, TheLastArgumentThatIsNoSwitchIsTheOrderFile) {
  EXPECT_EQ(OrderFilePathFromArguments({"--console", "/data/orders.txt", "-x"}),
            "/data/orders.txt");
  EXPECT_EQ(OrderFilePathFromArguments({"a.txt", "b.txt"}), "b.txt");
  EXPECT_EQ(OrderFilePathFromArguments({"--console"}), "");
}

TEST(DownLoadRegistry, EachMissingStepShowsItsOwnMessage) {
  ScratchFolder registry;
  const char* old = std::getenv("TRQX_REGISTRY");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("TRQX_REGISTRY", registry.Path().c_str(), 1);
  const std::string hive = registry.File("HKEY_CURRENT_USER");
  RecordingView view;
  std::string path;

  EXPECT_FALSE(ReadApplicationPath(view, path));
  WriteWholeFile(hive, "[Software\\Other]\nX=1\n");
  EXPECT_FALSE(ReadApplicationPath(view, path));
  WriteWholeFile(hive, "[Software\\VEXO_PATH]\nOther=1\n");
  EXPECT_FALSE(ReadApplicationPath(view, path));
  EXPECT_EQ(view.m_messages, (std::vector<std::string>{
                                 "Error Opening 'Software' Registry Key, aborting...,Error code:2",
                                 "Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:2",
                                 "Error reading Registry information, aborting..."}));
  WriteWholeFile(hive, "[Software\\VEXO_PATH]\nApplicationPath=/opt/trqx\n");
  EXPECT_TRUE(ReadApplicationPath(view, path));
  EXPECT_EQ(path, "/opt/trqx");

  if (old != nullptr) {
    ::setenv("TRQX_REGISTRY", saved.c_str(), 1);
  } else {
    ::unsetenv("TRQX_REGISTRY");
  }
}

}  // namespace
}  // namespace trqx
