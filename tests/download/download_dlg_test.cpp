// The converter window's logic: start-up failures, the run's progress and messages, and the
// registry lookup of the application folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "download/download_dlg.h"
#include "download/download_test_support.h"
#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

using Texts = std::vector<std::string>;

std::string FieldLine(const std::string& name, int type) {
  return "OstraneField,4,Name,Value," + name + ",Width,Value,10,Type,Value," +
         std::to_string(type) + ",Category,Value,1\r\n";
}
const std::string kFieldList = FieldLine("TICKER", 15) + FieldLine("BASKETID", 25);

class DownLoadDlgTest : public ::testing::Test {
 protected:
  // Ticker and Basket ID, download only, so no cache file is read; the mapping writes the
  // Ticker column from row 0.
  void SetUp() override {
    WriteWholeFile(m_app.File("NVFormat.cfg"), kFieldList);
    WriteWholeFile(m_app.File("trqx.cfg"), "COpenNVInternalSettings,1,DownLoad Dest Dir,Value," +
                                               m_app.File("out") + "\r\n\n");
    WriteMapping("FALSE");
  }
  void WriteMapping(const std::string& rejectUnexecuted) {
    WriteWholeFile(
        m_app.File("activedw.pfl"),
        "CDownLoadCSVMapping,1,CDownLoadGridMapping,1,CDownLoadMapping,3,FormatType,Value,"
        "0,RejectUnexecutedOrders,Value," +
            rejectUnexecuted +
            ",CDownLoadElement,4,Type,Value,1,MapType,Value,1,FieldIndex,Value,0,"
            "UseLength,Value,FALSE\r\n");
  }
  void WriteOrders(int records, int baskets) {
    std::string text;
    for (int i = 0; i < records; ++i) {
      text += "T" + std::to_string(i) + ",B" + std::to_string(i % baskets) + "\n";
    }
    WriteWholeFile(m_app.File("orders.txt"), text);
  }
  // Start-up and the run, as the front-end drives them; false when start-up ended.
  bool Run() {
    m_dlg = std::make_unique<CTRQXDownLoadDlg>(m_view, m_fieldFormat, m_app.File("orders.txt"),
                                               m_app.Path(), [] { return March6th2026(); });
    const bool started = m_dlg->OnInitDialog();
    EXPECT_EQ(m_view.m_ended, !started);
    if (started) {
      m_dlg->OnShowWindow();
      m_dlg->OnMessage(CTRQXDownLoadDlg::kRunMessage);
    }
    return started;
  }
  std::string Report(const std::string& basket) {
    return ReadWholeFile(m_app.File("out/" + basket + ".03-06-26.rpt"));
  }

  ScratchFolder m_app;
  RecordingView m_view;
  FieldFormatRegistry m_fieldFormat;
  std::unique_ptr<CTRQXDownLoadDlg> m_dlg;
};

TEST_F(DownLoadDlgTest, ProgressReachesAHundredForAnyRecordCount) {
  Texts full{"Percent Downloaded:  %0"};
  for (int percent = 10; percent <= 100; percent += 10) {
    full.push_back("Percent Downloaded: %" + std::to_string(percent));
  }
  full.push_back("- DownLoading Complete -");
  for (const auto& [records, baskets, report] :
       {std::tuple{22, 3, "T0\r\nT3\r\nT6\r\nT9\r\nT12\r\nT15\r\nT18\r\nT21\r\n"},
        std::tuple{5, 5, "T0\r\n"}}) {
    SCOPED_TRACE(records);
    WriteOrders(records, baskets);
    ASSERT_TRUE(Run());
    EXPECT_EQ(m_view.m_percentTexts, full);
    EXPECT_EQ(m_view.m_steps, 10);
    EXPECT_TRUE(m_dlg->AllReportsWritten());
    EXPECT_EQ(Report("B0"), report);
    EXPECT_TRUE(m_view.m_messages.empty());
    m_view = RecordingView();
  }
}

TEST_F(DownLoadDlgTest, AnUnwritableReportFailsItsBasketOnly) {
  WriteWholeFile(m_app.File("orders.txt"), "T0,B0\nT1,../x/B1\nT2,B2\n");
  std::filesystem::create_directories(m_app.File("out/B0.03-06-26.rpt"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages, Texts{"CTRQXDownLoadDlg::BuildPreMappedArray() - Error "});
  EXPECT_FALSE(m_dlg->AllReportsWritten());
  // A basket ID holding a separator still names a report inside the destination folder.
  EXPECT_EQ(Report(".._x_B1"), "T1\r\n");
  EXPECT_EQ(Report("B2"), "T2\r\n");
  // Rejecting unexecuted orders without a Filled Shares field keeps no order.
  WriteMapping("TRUE");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Report("B2"), "");
}

TEST_F(DownLoadDlgTest, InvalidTypesAreReportedForEveryOrder) {
  // A Type 27 field before the Basket ID, and a Type 2 field, which has no download role.
  WriteWholeFile(m_app.File("NVFormat.cfg"), FieldLine("TICKER", 15) + FieldLine("UPLOADID", 27) +
                                                 FieldLine("BASKETID", 25) + FieldLine("DATA", 2) +
                                                 FieldLine("ORDERID", 26));
  WriteOrders(2, 1);
  ASSERT_TRUE(Run());
  const auto count = [&](const std::string& text) {
    return std::count(m_view.m_messages.begin(), m_view.m_messages.end(), text);
  };
  EXPECT_EQ(count("CTRQXDownLoadDlg::GetBasketID - Error - Invalid type"), 1);
  EXPECT_EQ(count("CTRQXDownLoadDlg::GetOrderRefID - Error - Invalid type"), 2);
  EXPECT_EQ(count("CTRQXDownLoadDlg::BuildPreMappedArray() Error - Invalid OstraneField Type"), 4);
  // The invalid fields count in the record size but take no value: the report still comes.
  EXPECT_EQ(Report("B0"), "T0\r\nT1\r\n");
}

TEST_F(DownLoadDlgTest, NoBasketIdFieldStopsTheRunAndNoOrderFileConvertsNothing) {
  WriteWholeFile(m_app.File("NVFormat.cfg"), FieldLine("TICKER", 15));
  WriteOrders(3, 2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages, Texts{"CTRQXDownLoadDlg::BuildPreMappedArray() Error - No "
                                     "Data(Basket ID) field in the download field list"});
  EXPECT_EQ(m_view.m_percentTexts, Texts{"Percent Downloaded:  %0"});
  EXPECT_FALSE(m_dlg->AllReportsWritten());

  SetUp();
  m_view = RecordingView();
  std::filesystem::remove(m_app.File("orders.txt"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages, Texts{"Error: Unable to open file " + m_app.File("orders.txt")});
  EXPECT_EQ(m_view.m_percentTexts.back(), "- DownLoading Complete -");
  EXPECT_EQ(m_view.m_steps, 10);
  EXPECT_FALSE(m_dlg->AllReportsWritten());
}

TEST_F(DownLoadDlgTest, StartUpEndsAtTheFirstFileItCannotUse) {
  const std::string format = m_app.File("NVFormat.cfg");
  const std::string badSettings = "COpenNVInternalSettings,1,CopyDir,Value\r\n";
  const std::string mappingCall =
      "CTRQXDownLoadDlg::OnInitDialog() Error - call to "
      "CActiveDownLoadMappingFile::OpenLoadAndClose";
  const auto write = [this](const char* name, const std::string& text) {
    WriteWholeFile(m_app.File(name), text);
  };
  struct Case {
    std::function<void()> m_prepare;
    Texts m_messages;
    std::string m_logged;
  };
  const Case cases[] = {
      // A bad field format file is named in the log; the bad settings file after it is not read.
      {[&] { write("NVFormat.cfg", FieldLine("TICKER", 42)), write("trqx.cfg", badSettings); },
       {"Program ending, could not read " + format + " file. Check error log"},
       "The Norvane upload field format file, " + format + ", has a bad format."},
      {[&] { write("trqx.cfg", badSettings); },
       {"CTRQXDownLoadDlg::OnInitDialog(): Program ending, could not read cfg file"},
       "System startup ."},
      // A settings file of another class leaves the defaults; a mapping file without a
      // mapping ends it.
      {[&] { write("trqx.cfg", "UserProfile,0\r\n"), write("activedw.pfl", "\r\n\n"); },
       {mappingCall},
       "System startup ."},
      {[&] { std::filesystem::remove(m_app.File("activedw.pfl")); },
       {"Error: Unable to open file " + m_app.File("activedw.pfl") +
            "\nCheck to see if a 'Download' mapping was set to 'Active'",
        "CActiveDownLoadMappingFile::_OpenLoadAndClose() Could not read activedw.pfl file",
        mappingCall},
       "System startup ."},
      {[&] { std::filesystem::create_directory(m_app.File("qxd.log")); },
       {"File error, function: " + m_app.File("qxd.log") + ", code 21."},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_messages[0]);
    std::filesystem::remove_all(m_app.File("qxd.log"));
    SetUp();
    WriteOrders(1, 1);
    c.m_prepare();
    m_view = RecordingView();
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_view.m_messages, c.m_messages);
    if (!c.m_logged.empty()) {
      EXPECT_NE(ReadWholeFile(m_app.File("qxd.log")).find(c.m_logged), std::string::npos);
    }
  }
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
  RecordingView view;
  std::string path;
  for (const char* hive : {"", "[Software\\Other]\nX=1\n", "[Software\\VEXO_PATH]\nOther=1\n"}) {
    if (*hive != '\0') {
      WriteWholeFile(registry.File("HKEY_CURRENT_USER"), hive);
    }
    EXPECT_FALSE(ReadApplicationPath(view, path));
  }
  EXPECT_EQ(view.m_messages,
            (Texts{"Error Opening 'Software' Registry Key, aborting...,Error code:2",
                   "Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:2",
                   "Error reading Registry information, aborting..."}));
  WriteWholeFile(registry.File("HKEY_CURRENT_USER"),
                 "[Software\\VEXO_PATH]\nApplicationPath=/opt/trqx\n");
  EXPECT_TRUE(ReadApplicationPath(view, path));
  EXPECT_EQ(path, "/opt/trqx");
  old != nullptr ? ::setenv("TRQX_REGISTRY", saved.c_str(), 1) : ::unsetenv("TRQX_REGISTRY");
}

}  // namespace
}  // namespace trqx
