// The upload profile editor's dialogs driven through their real controls, offscreen.

#include "gui/upload/upload_profile_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>

#include <string>

#include "gui/dialog_driving.h"
#include "gui/qt_application.h"
#include "support/fields.h"
#include "support/scratch_folder.h"
#include "upload/grid_mapping.h"

namespace trqx {
namespace {

using test::Child;
using test::Click;
using test::SelectRow;
using test::Type;
using test::WhenModal;

void PressOk(QWidget& dialog) {
  test::Press(dialog, QDialogButtonBox::Ok);
}

QString SheetTitle(QWidget& dialog) {
  auto* sheet = Child<QTabWidget>(dialog, "sheet");
  return sheet->tabText(0);
}

QString Cell(QWidget& parent, const char* list, int row, int column) {
  QTreeWidgetItem* item = Child<QTreeWidget>(parent, list)->topLevelItem(row);
  return item == nullptr ? QString("<no row>") : item->text(column);
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
  }
  SelectRow(dialog, "fieldList", 3);
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

TEST(UploadProfileEditor, ANewGridMappingIsMadeThroughTheControlsAndSaved) {
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
  EXPECT_EQ(mapping->m_fields[2].m_fixedCol, 0);
  EXPECT_EQ(mapping->m_fields[4].m_fixedCol, 2);
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
  EXPECT_NE(shown.find("\"Side\""), std::string::npos) << shown;
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.TakeMapping(), nullptr);
}

TEST(UploadProfileEditor, DeleteFollowsTheAnswerAndCancelDropsEveryChange) {
  ScratchFolder folder;
  UserProfile profile(Format());
  profile.AddMapping(std::make_unique<CGridMapping>(kFormatComma, true));
  profile.SetActiveMapping(0);
  ProfileDialog dialog(nullptr, profile, folder.File("qxu.pfl"), UploadEditorOptions{});
  dialog.show();
  SelectRow(dialog, "mappingList", 0);
  const std::pair<QMessageBox::StandardButton, int> answers[] = {{QMessageBox::Cancel, 1},
                                                                 {QMessageBox::Ok, 0}};
  for (const auto& [answer, rowsLeft] : answers) {
    WhenModal<QMessageBox>([answer](QMessageBox& box) { box.button(answer)->click(); });
    Click(dialog, "delete");
    EXPECT_EQ(Child<QTreeWidget>(dialog, "mappingList")->topLevelItemCount(), rowsLeft);
  }
  EXPECT_FALSE(Child<QPushButton>(dialog, "clearActive")->isEnabled());
  dialog.reject();
  EXPECT_EQ(profile.MappingCount(), 1u);
  EXPECT_EQ(profile.m_activeMapping, 0);
  EXPECT_FALSE(dialog.Saved());
}

}  // namespace
}  // namespace trqx
