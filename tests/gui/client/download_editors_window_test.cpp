// The download editors driven through their real controls from the client window's
// "&Download" menu: each control reaches the editor's logic and OK or Cancel reaches the
// client. The rules themselves are tested in tests/download/download_editors_test.cpp.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>

#include "gui/client/client_window_fixture.h"
#include "gui/client/download_editor_dialogs.h"
#include "gui/qt_application.h"
#include "gui/upload/upload_profile_dialogs.h"

namespace trqx {
namespace {

using test::Child;
using test::Click;
using test::Press;
using test::SelectRow;
using test::Type;
using test::WhenModal;

QStringList HeaderTitles(QTreeWidget& list) {
  QStringList titles;
  for (int i = 0; i < list.columnCount(); ++i) {
    titles << list.headerItem()->text(i);
  }
  return titles;
}

// "New" with name and format, then "Set Active" on it and "Configure", where configure
// works the mapping dialog; then the profile's OK.
void MakeActiveMapping(const QString& name, int format,
                       std::function<void(DownloadMappingDialog&)> configure) {
  WhenModal<DownloadProfileDialog>([=](DownloadProfileDialog& profile) {
    WhenModal<NewDownloadMappingDialog>([=](NewDownloadMappingDialog& entry) {
      Type(entry, "name", name);
      Child<QComboBox>(entry, "format")->setCurrentIndex(format);
      Press(entry, QDialogButtonBox::Ok);
    });
    Click(profile, "New");
    SelectRow(profile, "mappings", 0);
    Click(profile, "Set Active");
    WhenModal<DownloadMappingDialog>(configure);
    Click(profile, "Configure");
    Press(profile, QDialogButtonBox::Ok);
  });
}

using DownloadEditorsWindowTest = ClientWindowFixture;

TEST_F(DownloadEditorsWindowTest, AFixedMappingMadeThroughTheControlsBecomesTheClientsActive) {
  Start();
  QStringList elementColumns;
  QString caption;
  MakeActiveMapping(" Fixed report ", 2, [&](DownloadMappingDialog& mapping) {
    elementColumns = HeaderTitles(*Child<QTreeWidget>(mapping, "elements"));
    WhenModal<DownloadElementDialog>([&](DownloadElementDialog& element) {
      caption = element.windowTitle();
      EXPECT_EQ(element.findChild<QCheckBox*>(), nullptr) << "a fixed mapping quotes nothing";
      Type(element, "name", "Account");
      Type(element, "yPos", "2");
      Type(element, "xPos", "5");
      Type(element, "length", "8");
      Press(element, QDialogButtonBox::Ok);
    });
    Click(mapping, "addPosition");
    SelectRow(mapping, "elements", 0);
    EXPECT_FALSE(Child<QTreeWidget>(mapping, "fields")->isEnabled());
    Type(mapping, "constant", "ACCT-7");
    Child<QComboBox>(mapping, "justify")->setCurrentIndex(1);
    Child<QCheckBox>(mapping, "reject")->click();
    Press(mapping, QDialogButtonBox::Ok);
  });
  Choose("&Download", "&Profile");

  EXPECT_EQ(elementColumns, (QStringList{"Name", "Type", "Offset", "Line #", "Length"}));
  EXPECT_EQ(caption, "New File Position");
  const CDownLoadMapping* active = m_dlg->DownLoadProfile().Active();
  ASSERT_NE(active, nullptr);
  EXPECT_STREQ(active->ClassName(), "CDownLoadFixedMapping");
  EXPECT_EQ(active->m_name, "Fixed report");
  EXPECT_TRUE(active->m_rejectUnexecutedOrders);
  ASSERT_EQ(active->m_elements.size(), 1u);
  const CDownLoadElement& element = *active->m_elements[0];
  EXPECT_EQ(element.m_name, "Account");
  EXPECT_EQ(element.m_type, CDownLoadElement::kTypeCell);
  EXPECT_EQ(element.m_yPos, 2);
  EXPECT_EQ(element.m_xPos, 5);
  EXPECT_EQ(element.m_length, 8);
  EXPECT_EQ(element.m_mapType, CDownLoadElement::kMapConstant);
  EXPECT_EQ(element.m_constant, "ACCT-7");
  EXPECT_EQ(element.m_justify, CDownLoadElement::kJustifyRight);
}

TEST_F(DownloadEditorsWindowTest, AQuotedColumnIsMappedToAFieldWithATranslation) {
  Start();
  MakeActiveMapping("Grid", 0, [](DownloadMappingDialog& mapping) {
    WhenModal<DownloadElementDialog>([](DownloadElementDialog& element) {
      Type(element, "name", "Filled");
      Child<QCheckBox>(element, "quote")->click();
      Press(element, QDialogButtonBox::Ok);
    });
    Click(mapping, "addColumn");
    SelectRow(mapping, "elements", 0);
    EXPECT_EQ(Child<QTreeWidget>(mapping, "elements")->topLevelItem(0)->text(5), "Yes");
    Child<QComboBox>(mapping, "mapType")->setCurrentIndex(1);
    EXPECT_TRUE(Child<QTreeWidget>(mapping, "fields")->isEnabled());
    SelectRow(mapping, "fields", 1);
    WhenModal<EnterTranslationDialog>([](EnterTranslationDialog& translation) {
      Type(translation, "inputEdit", "0");
      Child<QComboBox>(translation, "outputEdit")->setEditText("none");
      Press(translation, QDialogButtonBox::Ok);
    });
    Click(mapping, "addTranslation");
    EXPECT_EQ(Child<QTreeWidget>(mapping, "translations")->topLevelItemCount(), 1);
    Press(mapping, QDialogButtonBox::Ok);
  });
  Choose("&Download", "&Profile");

  const CDownLoadMapping* active = m_dlg->DownLoadProfile().Active();
  ASSERT_NE(active, nullptr);
  EXPECT_STREQ(active->ClassName(), "CDownLoadCSVMapping");
  ASSERT_EQ(active->m_elements.size(), 1u);
  const CDownLoadElement& element = *active->m_elements[0];
  EXPECT_EQ(element.m_type, CDownLoadElement::kTypeColumn);
  EXPECT_TRUE(element.m_isQuoted);
  EXPECT_EQ(element.m_mapType, CDownLoadElement::kMapField);
  EXPECT_EQ(element.m_fieldIndex, 1);
  ASSERT_EQ(element.m_translations.size(), 1u);
  EXPECT_EQ(element.m_translations[0].m_output, "none");
}

TEST_F(DownloadEditorsWindowTest, DeleteAsksAndOnlyOKHandsTheEditsToTheClient) {
  CDownLoadProfile profile;
  for (const char* name : {"One", "Two"}) {
    profile.m_mappings.push_back(NewDownLoadMapping("CDownLoadTSVMapping"));
    profile.m_mappings.back()->m_name = name;
  }
  profile.m_activeMapping = 1;
  CFileError error;
  ASSERT_TRUE(profile.SaveFile(m_folder.File("qxd.pfl"), error));
  Start();

  for (const auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
    QString asked;
    WhenModal<DownloadProfileDialog>([&](DownloadProfileDialog& dialog) {
      SelectRow(dialog, "mappings", 1);
      WhenModal<QMessageBox>([&](QMessageBox& box) {
        asked = box.text();
        box.button(QMessageBox::Ok)->click();
      });
      Click(dialog, "Delete");
      EXPECT_EQ(Child<QTreeWidget>(dialog, "mappings")->topLevelItemCount(), 1);
      Press(dialog, button);
    });
    Choose("&Download", "&Profile");
    EXPECT_EQ(asked, "Press OK if you really want to Delete");
  }
  const CDownLoadProfile& kept = m_dlg->DownLoadProfile();
  EXPECT_EQ(kept.m_activeMapping, -1);
  ASSERT_EQ(kept.m_mappings.size(), 1u) << "Cancel dropped the first delete";
  EXPECT_EQ(kept.m_mappings[0]->m_name, "One");
}

TEST_F(DownloadEditorsWindowTest, DownloadSettingsShowsARefusalAndOKHandsTheFolderOn) {
  Start();
  QString refusal;
  WhenModal<DownloadSettingsDialog>([&](DownloadSettingsDialog& dialog) {
    Child<QLineEdit>(dialog, "destDir")->setText("/srv/a\nb");
    WhenModal<QMessageBox>([&](QMessageBox& box) {
      refusal = box.text();
      box.button(QMessageBox::Ok)->click();
    });
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog, "destDir", "/srv/reports");
    Press(dialog, QDialogButtonBox::Ok);
  });
  Choose("&Download", "&Settings");
  EXPECT_EQ(refusal, kTextLineBreak);
  EXPECT_EQ(m_dlg->Settings().m_downLoadDestDir, "/srv/reports");
}

}  // namespace
}  // namespace trqx
