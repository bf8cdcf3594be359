// The download editors driven through their real controls from the client window's
// "&Download" menu, against the real CTRQXClientDlg in a scratch working folder; the files
// the client writes on OK are read back.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "client/trqx_client_dlg.h"
#include "download/active_mapping_file.h"
#include "gui/client/client_window.h"
#include "gui/client/download_editor_dialogs.h"
#include "gui/message_box_answer.h"
#include "gui/qt_application.h"
#include "gui/upload/upload_profile_dialogs.h"
#include "support/client_folder.h"
#include "support/fake_process.h"
#include "support/fake_registry.h"
#include "support/recording_view.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

// Once the innermost modal window is a D, hands it to act.
template <class D>
void WhenOpen(std::function<void(D&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
    if (auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*dialog);
    }
  });
  poll->start();
}

template <class W>
W* Child(QWidget& parent, const char* name) {
  W* child = parent.findChild<W*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& dialog, const char* name) {
  if (auto* button = Child<QPushButton>(dialog, name)) {
    button->click();
  }
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

void Type(QWidget& dialog, const char* name, const QString& text) {
  if (auto* edit = Child<QLineEdit>(dialog, name)) {
    edit->clear();
    QTest::keyClicks(edit, text);
  }
}

void SelectRow(QWidget& dialog, const char* list, int row) {
  if (auto* tree = Child<QTreeWidget>(dialog, list)) {
    tree->setCurrentItem(tree->topLevelItem(row));
  }
}

QStringList HeaderTitles(QTreeWidget& list) {
  QStringList titles;
  for (int i = 0; i < list.columnCount(); ++i) {
    titles << list.headerItem()->text(i);
  }
  return titles;
}

class DownloadEditorsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CopyClientProgramFiles(m_folder.Path());
    ASSERT_TRUE(test::WriteClientSettings(m_folder.Path(), [](COpenNVInternalSettings&) {}));
  }
  void TearDown() override {
    m_window.SetDialog(nullptr);
    m_dlg.reset();
  }
  void Start() {
    m_dlg = std::make_unique<CTRQXClientDlg>(m_window, m_loop, m_registry, m_processes,
                                             m_folder.Path());
    ASSERT_EQ(m_dlg->OnInitDialog(), CTRQXClientDlg::Startup::kRunning);
    m_window.SetDialog(m_dlg.get());
    m_window.show();
  }
  // Chooses the "&Download" menu's item and lets the window's loop open its dialog, which
  // runs until a scheduled WhenOpen closes it.
  void Choose(const QString& text) {
    for (QAction* menu : m_window.menuBar()->actions()) {
      if (menu->text() != "&Download") {
        continue;
      }
      for (QAction* item : menu->menu()->actions()) {
        if (item->text() == text) {
          item->trigger();
          m_loop.RunPending();
          return;
        }
      }
    }
    ADD_FAILURE() << "no Download item " << text.toStdString();
  }
  // The mapping the converter would read from the working folder; null when none.
  std::unique_ptr<CDownLoadMapping> ActiveMapping() {
    CActiveDownLoadMappingFile file(m_folder.Path(), m_dlg->DownLoadFields());
    RecordingView view;
    return file.OpenLoadAndClose(view) ? file.TakeMapping() : nullptr;
  }

  ScratchFolder m_folder;
  ManualEventLoop m_loop;
  test::FakeRegistry m_registry;
  test::FakeProcessRunner m_processes;
  ClientWindow m_window{m_loop};
  std::unique_ptr<CTRQXClientDlg> m_dlg;
};

TEST_F(DownloadEditorsWindowTest, AFixedMappingMadeThroughTheControlsIsSavedAndActive) {
  Start();
  QStringList elementColumns;
  WhenOpen<DownloadProfileDialog>([&](DownloadProfileDialog& profile) {
    WhenOpen<NewDownloadMappingDialog>([](NewDownloadMappingDialog& entry) {
      Type(entry, "name", "  Fixed report ");
      Child<QComboBox>(entry, "format")->setCurrentIndex(2);
      Press(entry, QDialogButtonBox::Ok);
    });
    Click(profile, "New");
    SelectRow(profile, "mappings", 0);
    Click(profile, "Set Active");
    WhenOpen<DownloadMappingDialog>([&](DownloadMappingDialog& mapping) {
      elementColumns = HeaderTitles(*Child<QTreeWidget>(mapping, "elements"));
      WhenOpen<DownloadElementDialog>([](DownloadElementDialog& element) {
        EXPECT_EQ(element.windowTitle(), "New File Position");
        EXPECT_EQ(element.findChild<QCheckBox*>(), nullptr);
        Type(element, "name", "Account");
        Type(element, "yPos", "2");
        Type(element, "xPos", "5");
        Type(element, "length", "8");
        Press(element, QDialogButtonBox::Ok);
      });
      Click(mapping, "addPosition");
      SelectRow(mapping, "elements", 0);
      EXPECT_TRUE(Child<QLineEdit>(mapping, "constant")->isEnabled());
      EXPECT_FALSE(Child<QTreeWidget>(mapping, "fields")->isEnabled());
      Type(mapping, "constant", "ACCT-7");
      Child<QComboBox>(mapping, "justify")->setCurrentIndex(1);
      Child<QCheckBox>(mapping, "reject")->click();
      Press(mapping, QDialogButtonBox::Ok);
    });
    Click(profile, "Configure");
    Press(profile, QDialogButtonBox::Ok);
  });
  Choose("&Profile");

  EXPECT_EQ(elementColumns, (QStringList{"Name", "Type", "Offset", "Line #", "Length"}));
  const std::unique_ptr<CDownLoadMapping> active = ActiveMapping();
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
  EXPECT_TRUE(element.m_useLength);
  EXPECT_FALSE(element.m_isQuoted);
  EXPECT_EQ(element.m_mapType, CDownLoadElement::kMapConstant);
  EXPECT_EQ(element.m_constant, "ACCT-7");
  EXPECT_EQ(element.m_justify, CDownLoadElement::kJustifyRight);

  CDownLoadProfile saved;
  CFileError error;
  ASSERT_TRUE(saved.LoadFile(m_folder.File("qxd.pfl"), m_dlg->DownLoadFields(), error));
  EXPECT_EQ(saved.m_activeMapping, 0);
  ASSERT_EQ(saved.m_mappings.size(), 1u);
  EXPECT_EQ(saved.m_mappings[0]->m_elements[0]->m_constant, "ACCT-7");
}

TEST_F(DownloadEditorsWindowTest, ANorvaneFieldWithATranslationIsMappedFromTheFieldList) {
  Start();
  WhenOpen<DownloadProfileDialog>([&](DownloadProfileDialog& profile) {
    WhenOpen<NewDownloadMappingDialog>([](NewDownloadMappingDialog& entry) {
      Type(entry, "name", "Grid");
      Press(entry, QDialogButtonBox::Ok);
    });
    Click(profile, "New");
    SelectRow(profile, "mappings", 0);
    Click(profile, "Set Active");
    WhenOpen<DownloadMappingDialog>([&](DownloadMappingDialog& mapping) {
      WhenOpen<DownloadElementDialog>([](DownloadElementDialog& element) {
        EXPECT_EQ(element.windowTitle(), "New Column");
        Type(element, "name", "Filled");
        Type(element, "yPos", "1");
        Type(element, "xPos", "3");
        Type(element, "length", "9");
        Child<QCheckBox>(element, "quote")->click();
        Press(element, QDialogButtonBox::Ok);
      });
      Click(mapping, "addColumn");
      SelectRow(mapping, "elements", 0);
      Child<QComboBox>(mapping, "mapType")->setCurrentIndex(1);
      EXPECT_TRUE(Child<QTreeWidget>(mapping, "fields")->isEnabled());
      SelectRow(mapping, "fields", 1);
      WhenOpen<EnterTranslationDialog>([](EnterTranslationDialog& translation) {
        Type(translation, "inputEdit", " 0 ");
        Child<QComboBox>(translation, "outputEdit")->setEditText("none");
        Press(translation, QDialogButtonBox::Ok);
      });
      Click(mapping, "addTranslation");
      EXPECT_EQ(Child<QTreeWidget>(mapping, "translations")->topLevelItemCount(), 1);
      EXPECT_EQ(Child<QTreeWidget>(mapping, "elements")->topLevelItem(0)->text(5), "Yes");
      Press(mapping, QDialogButtonBox::Ok);
    });
    Click(profile, "Configure");
    Press(profile, QDialogButtonBox::Ok);
  });
  Choose("&Profile");

  const std::unique_ptr<CDownLoadMapping> active = ActiveMapping();
  ASSERT_NE(active, nullptr);
  EXPECT_STREQ(active->ClassName(), "CDownLoadCSVMapping");
  ASSERT_EQ(active->m_elements.size(), 1u);
  const CDownLoadElement& element = *active->m_elements[0];
  EXPECT_EQ(element.m_type, CDownLoadElement::kTypeColumn);
  EXPECT_TRUE(element.m_isQuoted);
  EXPECT_EQ(element.m_mapType, CDownLoadElement::kMapField);
  EXPECT_EQ(element.m_fieldIndex, 1);
  EXPECT_EQ(element.m_field.m_name, "FILLED");
  ASSERT_EQ(element.m_translations.size(), 1u);
  EXPECT_EQ(element.m_translations[0].m_input, "0");
  EXPECT_EQ(element.m_translations[0].m_output, "none");
}

TEST_F(DownloadEditorsWindowTest, CancelDropsTheEditsAndOKWithNoneActiveDeletesTheActiveFile) {
  CDownLoadProfile profile;
  for (const char* name : {"One", "Two"}) {
    profile.m_mappings.push_back(NewDownLoadMapping("CDownLoadTSVMapping"));
    profile.m_mappings.back()->m_name = name;
  }
  profile.m_activeMapping = 1;
  CFileError error;
  ASSERT_TRUE(profile.SaveFile(m_folder.File("qxd.pfl"), error));
  Start();
  const std::string before = ReadWholeFile(m_folder.File("qxd.pfl"));
  WriteWholeFile(m_folder.File("activedw.pfl"), "");

  QString asked;
  WhenOpen<DownloadProfileDialog>([&](DownloadProfileDialog& dialog) {
    SelectRow(dialog, "mappings", 1);
    test::AnswerNextMessageBox([&](QMessageBox& box) {
      asked = box.windowTitle() + ": " + box.text();
      box.button(QMessageBox::Ok)->click();
    });
    Click(dialog, "Delete");
    EXPECT_EQ(Child<QTreeWidget>(dialog, "mappings")->topLevelItemCount(), 1);
    Press(dialog, QDialogButtonBox::Cancel);
  });
  Choose("&Profile");
  EXPECT_EQ(asked, "Confirm Delete: Press OK if you really want to Delete");
  EXPECT_EQ(m_dlg->DownLoadProfile().m_mappings.size(), 2u);
  EXPECT_EQ(ReadWholeFile(m_folder.File("qxd.pfl")), before);
  EXPECT_TRUE(std::filesystem::exists(m_folder.File("activedw.pfl")));

  WhenOpen<DownloadProfileDialog>([&](DownloadProfileDialog& dialog) {
    SelectRow(dialog, "mappings", 1);
    test::AnswerNextMessageBox([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    Click(dialog, "Delete");
    Press(dialog, QDialogButtonBox::Ok);
  });
  Choose("&Profile");
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("activedw.pfl")));
  CDownLoadProfile saved;
  ASSERT_TRUE(saved.LoadFile(m_folder.File("qxd.pfl"), m_dlg->DownLoadFields(), error));
  EXPECT_EQ(saved.m_activeMapping, -1);
  ASSERT_EQ(saved.m_mappings.size(), 1u);
  EXPECT_EQ(saved.m_mappings[0]->m_name, "One");
}

TEST_F(DownloadEditorsWindowTest, DownloadSettingsRefusesALineBreakAndSavesTheFolder) {
  Start();
  QString refusal;
  WhenOpen<DownloadSettingsDialog>([&](DownloadSettingsDialog& dialog) {
    auto* edit = Child<QLineEdit>(dialog, "destDir");
    edit->setText("/srv/a\nb");
    test::AnswerNextMessageBox([&](QMessageBox& box) {
      refusal = box.text();
      box.button(QMessageBox::Ok)->click();
    });
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog, "destDir", "/srv/reports");
    Press(dialog, QDialogButtonBox::Ok);
  });
  Choose("&Settings");
  EXPECT_EQ(refusal, kTextLineBreak);
  EXPECT_EQ(m_dlg->Settings().m_downLoadDestDir, "/srv/reports");
  COpenNVInternalSettings reread(m_folder.Path());
  CSettingsFile file(reread, m_folder.Path());
  std::uintmax_t size = 0;
  CFileError error;
  ASSERT_TRUE(file.Load(size, error));
  EXPECT_EQ(reread.m_downLoadDestDir, "/srv/reports");
}

}  // namespace
}  // namespace trqx
