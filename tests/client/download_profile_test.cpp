// The client's download profile: read at start-up, and the saves after the download editors'
// OK ("qxd.pfl", "activedw.pfl" written or deleted, the download settings' save point).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "client/trqx_client_dlg.h"
#include "download/active_mapping_file.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/recording_client_view.h"
#include "support/recording_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<CDownLoadMapping> MappingNamed(const std::string& className,
                                               const std::string& name) {
  std::unique_ptr<CDownLoadMapping> mapping = NewDownLoadMapping(className);
  mapping->m_name = name;
  auto element = std::make_unique<CDownLoadElement>();
  element->m_name = name + " element";
  element->m_constant = "c,\"d\"";
  mapping->m_elements.push_back(std::move(element));
  return mapping;
}

// Three mappings, the second active.
CDownLoadProfile ThreeMappings(int active) {
  CDownLoadProfile profile;
  profile.m_mappings.push_back(MappingNamed("CDownLoadCSVMapping", "First"));
  profile.m_mappings.push_back(MappingNamed("CDownLoadFixedMapping", "Second"));
  profile.m_mappings.push_back(MappingNamed("CDownLoadTSVMapping", "Third"));
  profile.m_activeMapping = active;
  return profile;
}

// The file an archive save writes for object: its record line, then an empty line.
std::string RecordOf(const CArchivable& object) {
  TokenList tokens;
  object.Save(tokens);
  return RecordLine(tokens) + "\n";
}

class ClientDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CopyClientProgramFiles(m_folder.Path());
    ASSERT_TRUE(test::WriteClientSettings(m_folder.Path(), [](COpenNVInternalSettings&) {}));
  }
  CTRQXClientDlg& Init() {
    m_dlg.reset();
    m_dlg =
        std::make_unique<CTRQXClientDlg>(m_view, m_loop, m_registry, m_processes, m_folder.Path());
    EXPECT_EQ(m_dlg->OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
    m_view.m_log.clear();
    return *m_dlg;
  }

  ScratchFolder m_folder;
  test::RecordingClientView m_view;
  ManualEventLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeProcessRunner m_processes;
  std::unique_ptr<CTRQXClientDlg> m_dlg;
};

TEST_F(ClientDownloadTest, StartUpReadsTheDownloadProfile) {
  CFileError error;
  ASSERT_TRUE(ThreeMappings(1).SaveFile(m_folder.File("qxd.pfl"), error));
  const CDownLoadProfile& profile = Init().DownLoadProfile();
  ASSERT_EQ(profile.m_mappings.size(), 3u);
  EXPECT_EQ(profile.m_activeMapping, 1);
  EXPECT_EQ(profile.m_mappings[2]->m_name, "Third");
  EXPECT_EQ(profile.m_mappings[1]->m_elements[0]->m_constant, "c,\"d\"");
  // The field format's download fields: TRADER, FILLED and NOTE.
  ASSERT_EQ(m_dlg->DownLoadFields().size(), 3u);
  EXPECT_EQ(m_dlg->DownLoadFields()[1].m_name, "FILLED");
}

TEST_F(ClientDownloadTest, StartUpWithoutAProfileStartsEmptyOrFromScratch) {
  const struct {
    const char* what;
    std::string content;  // none: no file
  } rows[] = {{"no file", ""}, {"a broken file", "CDownLoadProfile,1,ActiveMapping,Value\r\n"}};
  for (const auto& row : rows) {
    fs::remove(m_folder.File("qxd.pfl"));
    if (!row.content.empty()) {
      WriteWholeFile(m_folder.File("qxd.pfl"), row.content);
    }
    const CDownLoadProfile& profile = Init().DownLoadProfile();
    EXPECT_TRUE(profile.m_mappings.empty()) << row.what;
    EXPECT_EQ(profile.m_activeMapping, -1) << row.what;
    EXPECT_TRUE(m_view.m_messageBoxes.empty()) << row.what;
  }
}

TEST_F(ClientDownloadTest, OKWritesTheActiveMappingAndTheProfile) {
  Init();
  ASSERT_TRUE(m_dlg->OnDownloadProfileChanged(ThreeMappings(1)));
  const CDownLoadProfile expected = ThreeMappings(1);
  EXPECT_EQ(ReadWholeFile(m_folder.File("qxd.pfl")), RecordOf(expected));
  EXPECT_EQ(ReadWholeFile(m_folder.File("activedw.pfl")), RecordOf(*expected.m_mappings[1]));
  EXPECT_EQ(m_dlg->DownLoadProfile().m_mappings.size(), 3u);

  // The converter reads back what the client wrote.
  CActiveDownLoadMappingFile file(m_folder.Path(), m_dlg->DownLoadFields());
  RecordingView converterView;
  ASSERT_TRUE(file.OpenLoadAndClose(converterView));
  const std::unique_ptr<CDownLoadMapping> active = file.TakeMapping();
  ASSERT_NE(active, nullptr);
  EXPECT_EQ(active->m_name, "Second");
  EXPECT_EQ(active->m_formatType, CDownLoadMapping::kFormatFixed);
}

TEST_F(ClientDownloadTest, OKWithNoMappingActiveDeletesTheActiveMappingFile) {
  for (const int active : {-1, 3}) {
    Init();
    WriteWholeFile(m_folder.File("activedw.pfl"), RecordOf(*ThreeMappings(0).m_mappings[0]));
    ASSERT_TRUE(m_dlg->OnDownloadProfileChanged(ThreeMappings(active)));
    EXPECT_FALSE(fs::exists(m_folder.File("activedw.pfl"))) << active;
    EXPECT_EQ(ReadWholeFile(m_folder.File("qxd.pfl")), RecordOf(ThreeMappings(active))) << active;
  }
}

TEST_F(ClientDownloadTest, AProfileThatCannotBeWrittenStaysInMemoryUnreported) {
  Init();
  fs::remove(m_folder.File("qxd.pfl"));
  fs::create_directory(m_folder.File("qxd.pfl"));
  EXPECT_FALSE(m_dlg->OnDownloadProfileChanged(ThreeMappings(2)));
  EXPECT_EQ(m_dlg->DownLoadProfile().m_activeMapping, 2);
  EXPECT_EQ(m_dlg->DownLoadProfile().m_mappings.size(), 3u);
  EXPECT_TRUE(m_view.m_messageBoxes.empty());
  EXPECT_TRUE(m_view.m_log.empty());
  // The active mapping was still written.
  EXPECT_EQ(ReadWholeFile(m_folder.File("activedw.pfl")),
            RecordOf(*ThreeMappings(2).m_mappings[2]));

  // The next OK writes it again.
  fs::remove(m_folder.File("qxd.pfl"));
  EXPECT_TRUE(m_dlg->OnDownloadProfileChanged(CDownLoadProfile(m_dlg->DownLoadProfile())));
  EXPECT_EQ(ReadWholeFile(m_folder.File("qxd.pfl")), RecordOf(ThreeMappings(2)));
}

TEST_F(ClientDownloadTest, DownloadSettingsOKSavesTheDestinationAndLogsIt) {
  Init();
  ASSERT_TRUE(m_dlg->OnDownloadSettingsChanged("/srv/reports, \"daily\""));
  EXPECT_EQ(m_dlg->Settings().m_downLoadDestDir, "/srv/reports, \"daily\"");
  COpenNVInternalSettings reread(m_folder.Path());
  CSettingsFile file(reread, m_folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Load(size, error));
  EXPECT_EQ(reread.m_downLoadDestDir, "/srv/reports, \"daily\"");
  EXPECT_EQ(m_view.LogTexts(),
            std::vector<std::string>{"Download Settings file updated (filesize=" +
                                     std::to_string(size) + ") (uuid=4711)"});
  EXPECT_EQ(ReadWholeFile(m_folder.File("Set")), ReadWholeFile(m_folder.File("trqx.cfg")));
}

TEST_F(ClientDownloadTest, DownloadSettingsThatCannotBeSavedAreLoggedAndKept) {
  Init();
  fs::remove(m_folder.File("trqx.cfg"));
  fs::create_directory(m_folder.File("trqx.cfg"));
  EXPECT_FALSE(m_dlg->OnDownloadSettingsChanged("/srv/out"));
  EXPECT_EQ(m_dlg->Settings().m_downLoadDestDir, "/srv/out");
  EXPECT_EQ(
      m_view.LogTexts(),
      std::vector<std::string>{"Warning!!!: Unable to write to download settings file 'trqx.cfg'"});
  EXPECT_TRUE(m_view.m_messageBoxes.empty());
}

}  // namespace
}  // namespace trqx
