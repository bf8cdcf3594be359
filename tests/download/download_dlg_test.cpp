// The converter window's logic: start-up failures, the run's progress and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "download/download_dlg.h"
#include "support/fake_registry.h"
#include "support/local_time.h"
#include "support/recording_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

using Texts = std::vector<std::string>;
constexpr RegistryHive kUser = RegistryHive::kCurrentUser;

std::string FieldLine(const std::string& name, int type) {
  return "OstraneField,4,Name,Value," + name + ",Width,Value,10,Type,Value," +
         std::to_string(type) + ",Category,Value,1\r\n";
}

class DownLoadDlgTest : public ::testing::Test {
 protected:
  // Ticker and Basket ID, download only, so no cache file is read; the mapping writes the
  // Ticker column from row 0.
  void SetUp() override {
    Put("NVFormat.cfg", FieldLine("TICKER", 15) + FieldLine("BASKETID", 25));
    Put("trqx.cfg",
        "COpenNVInternalSettings,1,DownLoad Dest Dir,Value," + m_app.File("out") + "\n");
    WriteMapping("FALSE");
    WriteOrders(1, 1);
  }
  // Writes a file of the application folder; "/" makes a folder of that name instead.
  void Put(const std::string& name, const std::string& text) {
    text == "/" ? void(std::filesystem::create_directories(m_app.File(name)))
                : void(WriteWholeFile(m_app.File(name), text));
  }
  void WriteMapping(const std::string& rejectUnexecuted) {
    Put("activedw.pfl",
        "CDownLoadCSVMapping,1,CDownLoadGridMapping,1,CDownLoadMapping,3,FormatType,Value,0,"
        "RejectUnexecutedOrders,Value," +
            rejectUnexecuted +
            ",CDownLoadElement,4,Type,Value,1,MapType,Value,1,FieldIndex,Value,0,UseLength,"
            "Value,FALSE\r\n");
  }
  void WriteOrders(int records, int baskets) {
    std::string text;
    for (int i = 0; i < records; ++i) {
      text += "T" + std::to_string(i) + ",B" + std::to_string(i % baskets) + "\n";
    }
    Put("orders.txt", text);
  }
  // Start-up and the run, as the front-end drives them; false when start-up ended.
  bool Run() {
    m_view = RecordingView();
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
  // 22 records give a step of 2, 5 records reach 50 and are stepped on to 100.
  for (const auto& [records, baskets, report] :
       {std::tuple{22, 3, "T0\r\nT3\r\nT6\r\nT9\r\nT12\r\nT15\r\nT18\r\nT21\r\n"},
        std::tuple{5, 5, "T0\r\n"}}) {
    SCOPED_TRACE(records);
    WriteOrders(records, baskets);
    ASSERT_TRUE(Run());
    EXPECT_EQ(m_view.m_percentTexts, FullProgressTexts());
    EXPECT_EQ(m_view.m_steps, 10);
    EXPECT_TRUE(m_dlg->AllReportsWritten());
    EXPECT_EQ(m_view.m_messages, Texts{});
    EXPECT_EQ(Report("B0"), report);
  }
}

TEST_F(DownLoadDlgTest, BadFieldsAndAnUnwritableReportFailOnlyWhatTheyTouch) {
  // A Type 27 field before the Basket ID, and a Type 2 field, which has no download role.
  Put("NVFormat.cfg", FieldLine("TICKER", 15) + FieldLine("UPLOADID", 27) +
                          FieldLine("BASKETID", 25) + FieldLine("DATA", 2) +
                          FieldLine("ORDERID", 26));
  Put("orders.txt", "T0,B0,O0\nT1,../x/B1,O1\nT2,B2,O2\nT3,B2,O3\n");
  Put("out/B0.03-06-26.rpt", "/");
  ASSERT_TRUE(Run());
  const auto count = [&](const std::string& text) {
    return std::count(m_view.m_messages.begin(), m_view.m_messages.end(), text);
  };
  EXPECT_EQ(count("CTRQXDownLoadDlg::GetBasketID - Error - Invalid type"), 3);
  EXPECT_EQ(count("CTRQXDownLoadDlg::GetOrderRefID - Error - Invalid type"), 4);
  EXPECT_EQ(count("CTRQXDownLoadDlg::BuildPreMappedArray() Error - Invalid OstraneField Type"), 8);
  EXPECT_EQ(count("CTRQXDownLoadDlg::BuildPreMappedArray() - Error "), 1);
  EXPECT_FALSE(m_dlg->AllReportsWritten());
  // A basket ID holding a separator still names a report inside the destination folder.
  EXPECT_EQ(Report(".._x_B1"), "T1\r\n");
  EXPECT_EQ(Report("B2"), "T2\r\nT3\r\n");
  // Rejecting unexecuted orders without a Filled Shares field keeps no order.
  WriteMapping("TRUE");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Report("B2"), "");
  // Without a Basket ID field the run stops at once, reading nothing outside the records.
  Put("NVFormat.cfg", FieldLine("TICKER", 15));
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages, Texts{"CTRQXDownLoadDlg::BuildPreMappedArray() Error - No "
                                     "Data(Basket ID) field in the download field list"});
  EXPECT_EQ(m_view.m_percentTexts, Texts{"Percent Downloaded:  %0"});
}

TEST_F(DownLoadDlgTest, AReportHoldsNothingOfThePreviousBasket) {
  // The mapping writes the cached Account of each order. B0's first order has one; B1, smaller,
  // has none in its cache file, so its row stays empty though rows are reused.
  Put("NVFormat.cfg",
      "OstraneField,4,Name,Value,ACCOUNT,Width,Value,10,Type,Value,13,Category,Value,2\r\n" +
          FieldLine("BASKETID", 25) + FieldLine("ORDERID", 26));
  Put("Upload/Cache", "/");
  Put("Upload/Cache/03-06-26B0.cch", "HDR,\r\nDATA,O0,A0\r\nDATA,O1,A1\r\n");
  Put("Upload/Cache/03-06-26B1.cch", "HDR,\r\n");
  Put("orders.txt", "B0,O0\nB0,O1\nB1,O2\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_view.m_messages, Texts{});
  EXPECT_EQ(Report("B0"), "A0\r\nA1\r\n");
  EXPECT_EQ(Report("B1"), "\r\n");
}

TEST_F(DownLoadDlgTest, StartUpEndsAtTheFirstFileItCannotUse) {
  const std::string format = m_app.File("NVFormat.cfg");
  const std::string badSettings = "COpenNVInternalSettings,1,CopyDir,Value\r\n";
  // Files to put, then the one message shown and a text of the log.
  const std::tuple<std::vector<std::pair<const char*, std::string>>, std::string, std::string>
      cases[] = {
          {{{"NVFormat.cfg", FieldLine("TICKER", 42)}, {"trqx.cfg", badSettings}},
           "Program ending, could not read " + format + " file. Check error log",
           "The Norvane upload field format file, " + format + ", has a bad format."},
          {{{"trqx.cfg", badSettings}},
           "CTRQXDownLoadDlg::OnInitDialog(): Program ending, could not read cfg file",
           "System startup ."},
          // Settings of another class leave the defaults; a mapping file without a mapping
          // ends it.
          {{{"trqx.cfg", "UserProfile,0\r\n"}, {"activedw.pfl", "\r\n\n"}},
           "CTRQXDownLoadDlg::OnInitDialog() Error - call to "
           "CActiveDownLoadMappingFile::OpenLoadAndClose",
           "System startup ."},
          {{{"qxd.log", "/"}}, "File error, function: " + m_app.File("qxd.log") + ", code 21.", ""},
      };
  for (const auto& [files, message, logged] : cases) {
    SCOPED_TRACE(message);
    std::filesystem::remove_all(m_app.File("qxd.log"));
    SetUp();
    for (const auto& [name, text] : files) {
      Put(name, text);
    }
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_view.m_messages, Texts{message});
    if (!logged.empty()) {
      EXPECT_NE(ReadWholeFile(m_app.File("qxd.log")).find(logged), std::string::npos);
    }
  }
}

TEST(DownLoadRegistry, EachStepOfTheApplicationPathLookupHasItsMessage) {
  const std::string key = "Software\\VEXO_PATH";
  struct Row {
    const char* what;
    std::function<void(test::FakeRegistry&)> setUp;
    Texts messages;
    std::string path;
  };
  const Row rows[] = {
      {.what = "no hive",
       .setUp = [](test::FakeRegistry&) {},
       .messages = {"Error Opening 'Software' Registry Key, aborting...,Error code:2"},
       .path = ""},
      {.what = "a hive that cannot be read",
       .setUp = [](test::FakeRegistry& r) { r.FailWith(RegistryHive::kCurrentUser, 5); },
       .messages = {"Error Opening 'Software' Registry Key, aborting...,Error code:5"},
       .path = ""},
      {.what = "no VEXO_PATH key",
       .setUp = [](test::FakeRegistry& r) { r.WriteString(kUser, "Software\\Other", "A", "1"); },
       .messages = {"Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:2"},
       .path = ""},
      {.what = "no value",
       .setUp = [&](test::FakeRegistry& r) { r.WriteString(kUser, key, "Other", "1"); },
       .messages = {"Error reading Registry information, aborting..."},
       .path = ""},
      {.what = "a value longer than the 199 characters read",
       .setUp =
           [&](test::FakeRegistry& r) {
             r.WriteString(kUser, key, "ApplicationPath", std::string(200, 'a'));
           },
       .messages = {"Error reading Registry information, aborting..."},
       .path = ""},
      {.what = "the machine's hive does not count",
       .setUp =
           [&](test::FakeRegistry& r) {
             r.WriteString(RegistryHive::kLocalMachine, key, "ApplicationPath", "/m");
           },
       .messages = {"Error Opening 'Software' Registry Key, aborting...,Error code:2"},
       .path = ""},
      {.what = "the value",
       .setUp =
           [&](test::FakeRegistry& r) {
             r.WriteString(kUser, key, "applicationpath", "/opt/trqx");
           },
       .messages = {},
       .path = "/opt/trqx"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    test::FakeRegistry registry;
    row.setUp(registry);
    RecordingView view;
    std::string path;
    EXPECT_EQ(ReadApplicationPath(registry, view, path), row.messages.empty());
    EXPECT_EQ(view.m_messages, row.messages);
    EXPECT_EQ(path, row.path);
  }
}

TEST(DownLoadCommandLine, TheLastArgumentThatIsNoSwitchIsTheOrderFile) {
  EXPECT_EQ(OrderFilePathFromArguments({"--console", "a.txt", "/data/orders.txt", "-x"}),
            "/data/orders.txt");
}

}  // namespace
}  // namespace trqx
