// The upload profile editor's dialogs driven through their real controls, offscreen.

#include "gui/upload/upload_profile_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <string>

#include "gui/qt_application.h"
#include "support/fields.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
#include "upload/grid_mapping.h"

namespace trqx {
namespace {

// Once a modal dialog of type T is open, hands it to act (which works its controls and
// closes it), so a test can go through code that opens a dialog and waits.
template <class T>
void WhenModal(std::function<void(T&)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*dialog);
    }
  });
  poll->start();
}

template <class T>
T* Child(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& parent, const char* name) {
  QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

void PressOk(QWidget& dialog) {
  Child<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();
}

void Type(QWidget& parent, const char* name, const QString& text) {
  QLineEdit* edit = Child<QLineEdit>(parent, name);
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

QString SheetTitle(QWidget& dialog) {
  auto* sheet = Child<QTabWidget>(dialog, "sheet");
  return sheet->tabText(0);
}

QString Cell(QWidget& parent, const char* list, int row, int column) {
  QTreeWidgetItem* item = Child<QTreeWidget>(parent, list)->topLevelItem(row);
  return item == nullptr ? QString("<no row>") : item->text(column);
}

void SelectRow(QWidget& parent, const char* list, int row) {
  auto* tree = Child<QTreeWidget>(parent, list);
  tree->setCurrentItem(tree->topLevelItem(row));
}

const FieldFormatRegistry& Format() {
  static const FieldFormatRegistry format = FieldsOf({{"UUID", 10, kTypeHdrUuid},
                                                      {"BASKETID", 30, kTypeHdrBasketId},
                                                      {"Ticker", 12, kTypeData},
                                                      {"SIDE", 1, kTypeDataSide},
                                                      {"AMOUNT", 12, kTypeDataAmount}});
  return format;
}

// Configures the new mapping: UUID constant, ticker from column 0, side from column 1 with
// a translation, amount from column 2, starting at row 1.
void ConfigureMapping(MappingDialog& dialog) {
  EXPECT_EQ(SheetTitle(dialog), "No Selection");
  SelectRow(dialog, "fieldList", 0);
  EXPECT_EQ(SheetTitle(dialog), "Hdr Field Mapping Specifiers");
  Child<QComboBox>(dialog, "constant")->setEditText("4711");
  EXPECT_EQ(SheetTitle(dialog), "Hdr Field Mapping Specifiers -*(Modified)");
  Click(dialog, "apply");
  EXPECT_EQ(SheetTitle(dialog), "Hdr Field Mapping Specifiers");
  EXPECT_EQ(Cell(dialog, "fieldList", 0, 3), "Const: 4711");

  const std::pair<int, const char*> columns[] = {{2, "0"}, {3, "1"}, {4, "2"}};
  for (const auto& [row, column] : columns) {
    SelectRow(dialog, "fieldList", row);
    Child<QComboBox>(dialog, "mapType")->setCurrentIndex(kMapColumn);
    Type(dialog, "column", column);
    Click(dialog, "apply");
    EXPECT_EQ(Cell(dialog, "fieldList", row, 3), QString("Col: ") + column);
  }
  SelectRow(dialog, "fieldList", 3);
  EXPECT_EQ(SheetTitle(dialog), "Side Field Mapping Specifier");
  WhenModal<EnterTranslationDialog>([](EnterTranslationDialog& enter) {
    Type(enter, "inputEdit", "  BUY ");
    Child<QComboBox>(enter, "outputEdit")->setEditText("B");
    PressOk(enter);
  });
  Click(dialog, "addTranslation");
  EXPECT_EQ(Cell(dialog, "translations", 0, 0), "BUY");
  Click(dialog, "apply");
  Type(dialog, "startEdit", "1");
  PressOk(dialog);
}

TEST(UploadProfileEditor, ANewGridMappingIsMadeConfiguredSavedAndConverts) {
  ScratchFolder folder;
  UserProfile profile(Format());
  ProfileDialog dialog(nullptr, profile, folder.File("qxu.pfl"), UploadEditorOptions{});
  dialog.show();
  EXPECT_FALSE(Child<QPushButton>(dialog, "configure")->isEnabled());

  WhenModal<NewMappingDialog>([](NewMappingDialog& create) {
    Child<QListWidget>(create, "formatList")->setCurrentRow(kFormatTab);
    QTest::mouseClick(Child<QRadioButton>(create, "byExtension"), Qt::LeftButton);
    Type(create, "nameEdit", ".ord");
    PressOk(create);
  });
  Click(dialog, "add");
  EXPECT_EQ(Cell(dialog, "mappingList", 0, 0), "<*.ord>");
  EXPECT_EQ(Cell(dialog, "mappingList", 0, 1), "Tab Separated");

  WhenModal<MappingDialog>(ConfigureMapping);
  Click(dialog, "configure");
  Click(dialog, "setActive");
  EXPECT_TRUE(Child<QPushButton>(dialog, "clearActive")->isEnabled());
  Type(dialog, "uuidEdit", "99");
  PressOk(dialog);
  EXPECT_TRUE(dialog.Saved());

  UserProfile loaded(Format());
  CFileError error;
  ASSERT_TRUE(loaded.LoadFile(folder.File("qxu.pfl"), error));
  EXPECT_EQ(loaded.m_uuid, 99u);
  EXPECT_EQ(loaded.m_activeMapping, 0);
  ASSERT_EQ(loaded.MappingCount(), 1u);
  auto* mapping = dynamic_cast<CGridMapping*>(loaded.GetMapping(0));
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->m_format, kFormatTab);
  EXPECT_EQ(mapping->m_fileMapType, kMapByGivenExtension);
  EXPECT_EQ(mapping->m_filename, "ord");
  EXPECT_EQ(mapping->m_startRow, 1);
  ASSERT_EQ(mapping->m_fields.size(), 5u);
  EXPECT_EQ(mapping->m_fields[0].m_constant, "4711");
  EXPECT_EQ(mapping->m_fields[3].m_mapType, kMapColumn);
  EXPECT_EQ(mapping->m_fields[3].m_fixedCol, 1);
  ASSERT_EQ(mapping->m_fields[3].m_translations.size(), 1u);
  EXPECT_EQ(mapping->m_fields[3].m_translations[0].m_output, "B");

  // The mapping read back converts a desk file: the header row is skipped, BUY becomes B.
  ConvertRequest request = ScratchRequest(folder, Format());
  request.m_useUuid = true;  // the UUID comes from the mapping
  WriteWholeFile(request.m_deskPath, "Ticker\tSide\tQty\nIBM\tBUY\t100\n");
  std::string basketId = "1";
  ASSERT_TRUE(mapping->Convert(request, basketId).m_ok);
  const std::string upload = ReadWholeFile(request.m_uploadPath);
  EXPECT_NE(upload.find("UUID=4711"), std::string::npos) << upload;
  EXPECT_NE(upload.find("\nIBMB100\n"), std::string::npos) << upload;
  EXPECT_EQ(upload.find("Ticker"), std::string::npos) << upload;
}

TEST(UploadProfileEditor, MappingOkShowsTheSideMessageAndStaysOpen) {
  CGridMapping mapping(kFormatComma, true, Format().UploadFields());
  MappingDialog dialog(nullptr, mapping, UploadEditorOptions{});
  dialog.show();
  std::string shown;
  WhenModal<QMessageBox>([&](QMessageBox& box) {
    shown = box.text().toStdString();
    box.button(QMessageBox::Ok)->click();
  });
  PressOk(dialog);
  EXPECT_EQ(shown,
            "A non-blank value must be selected for the \"Side\" Field when 'Constant' is "
            "selected for the Map Type.\n(Be sure to 'Apply' the change)");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.TakeMapping(), nullptr);
}

TEST(UploadProfileEditor, DeleteAsksFirstAndCancelDropsEveryChange) {
  ScratchFolder folder;
  UserProfile profile(Format());
  profile.AddMapping(std::make_unique<CGridMapping>(kFormatComma, true));
  profile.SetActiveMapping(0);
  ProfileDialog dialog(nullptr, profile, folder.File("qxu.pfl"), UploadEditorOptions{});
  dialog.show();
  SelectRow(dialog, "mappingList", 0);
  for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
    std::string asked;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
      asked = (box.windowTitle() + "|" + box.text()).toStdString();
      box.button(answer)->click();
    });
    Click(dialog, "delete");
    EXPECT_EQ(asked, "Confirm Delete|Press OK if you really want to Delete");
  }
  EXPECT_EQ(Child<QTreeWidget>(dialog, "mappingList")->topLevelItemCount(), 0);
  EXPECT_FALSE(Child<QPushButton>(dialog, "clearActive")->isEnabled());
  dialog.reject();
  EXPECT_EQ(profile.MappingCount(), 1u);
  EXPECT_EQ(profile.m_activeMapping, 0);
  EXPECT_FALSE(dialog.Saved());
}

}  // namespace
}  // namespace trqx
