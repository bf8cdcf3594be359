// The download editors' rules without a display: list texts, enabling, the working copies,
// the validation messages and the active mapping after deletes.
#include "download/download_editors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fields.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

class RecordingPrompts : public DownLoadEditorPrompts {
 public:
  void Beep(unsigned frequencyHz, unsigned durationMs) override {
    m_beeps.push_back({frequencyHz, durationMs});
  }
  bool AskOkCancel(const std::string& caption, const std::string& text) override {
    m_questions.push_back(caption + ": " + text);
    return m_answer;
  }
  void ShowMessage(const std::string& text) override { m_messages.push_back(text); }

  std::vector<std::pair<unsigned, unsigned>> m_beeps;
  std::vector<std::string> m_questions;
  std::vector<std::string> m_messages;
  bool m_answer = true;
};

const std::vector<std::pair<unsigned, unsigned>> kOneBeep{{300, 100}};
const std::string kDeleteQuestion = "Confirm Delete: Press OK if you really want to Delete";

std::vector<std::string> Titles(std::span<const ListColumn> columns) {
  std::vector<std::string> titles;
  for (const ListColumn& column : columns) {
    titles.emplace_back(column.m_title);
  }
  return titles;
}

CTranslation Pair(std::string input, std::string output) {
  CTranslation translation;
  translation.m_input = std::move(input);
  translation.m_output = std::move(output);
  return translation;
}

std::unique_ptr<CDownLoadElement> Element(int type, int mapType, std::string name = "E") {
  auto element = std::make_unique<CDownLoadElement>();
  element->m_type = type;
  element->m_mapType = mapType;
  element->m_name = std::move(name);
  return element;
}

std::unique_ptr<CDownLoadMapping> Mapping(int format, std::string name = "M") {
  CNewDownLoadMappingDlg dialog;
  dialog.m_format = format;
  dialog.m_name = std::move(name);
  return dialog.Make();
}

CDownLoadProfile ProfileOf(int count, int active) {
  CDownLoadProfile profile;
  for (int i = 0; i < count; ++i) {
    profile.m_mappings.push_back(Mapping(i % 3, "M" + std::to_string(i)));
  }
  profile.m_activeMapping = active;
  return profile;
}

class EditorTest : public ::testing::Test {
 protected:
  // A mapping dialog over a copy of mapping.
  CDownLoadMappingDlg Dialog(const CDownLoadMapping& mapping) {
    return CDownLoadMappingDlg(mapping.Clone(), m_fields, m_prompts);
  }

  std::vector<OstraneField> m_fields = Fields({{"TRADER", 10, 12, kCategoryBoth},
                                               {"FILLED", 8, 20, kCategoryDownload},
                                               {"NOTE", 20, 13, kCategoryBoth}});
  RecordingPrompts m_prompts;
};

// ---- List texts ----

TEST(DownloadEditorTexts, ListColumnsAreTitledByTheirList) {
  using Columns = std::vector<std::string>;
  EXPECT_EQ(Titles(CDownLoadProfileDlg::Columns()), (Columns{"Name", "Format Type"}));
  EXPECT_EQ(Titles(CDownLoadMappingDlg::FieldColumns()), (Columns{"Type", "Name", "Width"}));
}

TEST_F(EditorTest, ElementListColumnsFollowTheFormat) {
  using Columns = std::vector<std::string>;
  const struct {
    int format;
    Columns titles;
  } rows[] = {
      {.format = 0, .titles = {"Name", "Type", "Column", "Row", "Length", "UseQuote"}},
      {.format = 1, .titles = {"Name", "Type", "Column", "Row", "Length", "UseQuote"}},
      {.format = 2, .titles = {"Name", "Type", "Offset", "Line #", "Length"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Titles(Dialog(*Mapping(row.format)).ElementColumns()), row.titles) << row.format;
  }
}

TEST_F(EditorTest, ElementRowsShowTypeNumbersAndQuote) {
  using Texts = std::vector<std::string>;
  const struct {
    int format;
    int type;
    bool quoted;
    Texts texts;
  } rows[] = {
      {.format = 2, .type = 0, .quoted = true, .texts = {"Acct", "Position", "12", "3", "7"}},
      {.format = 2, .type = 1, .quoted = false, .texts = {"Acct", "Column", "12", "3", "7"}},
      {.format = 0, .type = 0, .quoted = true, .texts = {"Acct", "Cell", "12", "3", "7", "Yes"}},
      {.format = 1, .type = 1, .quoted = false, .texts = {"Acct", "Column", "12", "3", "7", "No"}},
  };
  for (const auto& row : rows) {
    auto mapping = Mapping(row.format);
    auto element = Element(row.type, 0, "Acct");
    element->m_xPos = 12;
    element->m_yPos = 3;
    element->m_length = 7;
    element->m_isQuoted = row.quoted;
    mapping->m_elements.push_back(std::move(element));
    EXPECT_EQ(Dialog(*mapping).ElementRow(0), row.texts) << row.format << "/" << row.type;
  }
}

TEST_F(EditorTest, FieldRowsShowTheDownloadLabelNameAndWidth) {
  using Texts = std::vector<std::string>;
  m_fields = Fields({{"TRADER", 10, 12, kCategoryBoth},
                     {"NOTE", 20, 13, kCategoryBoth},
                     {"UUID", 6, 14, kCategoryDownload},
                     {"FILLED", 8, 20, kCategoryDownload},
                     {"SEDOL", 7, 36, kCategoryDownload},
                     {"PLAIN", 3, 2, kCategoryBoth},
                     {"ORDID", 9, 27, kCategoryBoth}});
  const Texts expected[] = {{"Cache Hdr", "TRADER", "10"}, {"Cache Data", "NOTE", "20"},
                            {"Data(UUID)", "UUID", "6"},   {"Data(Filled Shares)", "FILLED", "8"},
                            {"Data(Sedol)", "SEDOL", "7"}, {"Data", "PLAIN", "3"},
                            {"Data", "ORDID", "9"}};
  const CDownLoadMappingDlg dialog = Dialog(*Mapping(0));
  ASSERT_EQ(dialog.FieldCount(), std::size(expected));
  for (std::size_t i = 0; i < dialog.FieldCount(); ++i) {
    EXPECT_EQ(dialog.FieldRow(i), expected[i]) << i;
  }
}

// ---- Download Profile ----

TEST_F(EditorTest, OpeningMarksOnlyTheActiveMapping) {
  const struct {
    int active;
    std::vector<bool> marks;
  } rows[] = {{.active = -1, .marks = {false, false, false}},
              {.active = 0, .marks = {true, false, false}},
              {.active = 2, .marks = {false, false, true}},
              {.active = 5, .marks = {false, false, false}}};
  for (const auto& row : rows) {
    const CDownLoadProfileDlg dialog(ProfileOf(3, row.active), m_fields, m_prompts);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(dialog.IsActiveRow(i), row.marks[i]) << row.active << " row " << i;
    }
  }
}

TEST_F(EditorTest, MappingRowsShowNameAndFormat) {
  const CDownLoadProfileDlg dialog(ProfileOf(3, -1), m_fields, m_prompts);
  EXPECT_EQ(dialog.Row(0), (std::vector<std::string>{"M0", "Comma Separated"}));
  EXPECT_EQ(dialog.Row(1), (std::vector<std::string>{"M1", "Tab Separated"}));
  EXPECT_EQ(dialog.Row(2), (std::vector<std::string>{"M2", "Fixed-Field Text"}));
}

TEST_F(EditorTest, NewAppendsAnEmptyMappingOfTheChosenFormatWithTheTrimmedName) {
  const struct {
    int format;
    std::string typed;
    std::string className;
    std::string name;
  } rows[] = {
      {.format = 0, .typed = "  Daily  ", .className = "CDownLoadCSVMapping", .name = "Daily"},
      {.format = 1, .typed = "\tTabbed", .className = "CDownLoadTSVMapping", .name = "Tabbed"},
      {.format = 2, .typed = "Fix ", .className = "CDownLoadFixedMapping", .name = "Fix"},
      {.format = 0, .typed = "", .className = "CDownLoadCSVMapping", .name = ""},
  };
  for (const auto& row : rows) {
    CDownLoadProfileDlg dialog(ProfileOf(1, 0), m_fields, m_prompts);
    CNewDownLoadMappingDlg newDialog;
    newDialog.m_name = row.typed;
    newDialog.m_format = row.format;
    EXPECT_FALSE(newDialog.Check().has_value()) << row.typed;
    ASSERT_TRUE(dialog.OnNew(newDialog));
    ASSERT_EQ(dialog.RowCount(), 2u);
    const CDownLoadMapping& added = *dialog.Working().m_mappings[1];
    EXPECT_EQ(added.ClassName(), row.className);
    EXPECT_EQ(added.m_name, row.name);
    EXPECT_EQ(added.m_formatType, row.format);
    EXPECT_TRUE(added.m_elements.empty());
    EXPECT_EQ(dialog.Working().m_activeMapping, 0);
  }
  EXPECT_TRUE(m_prompts.m_beeps.empty());
}

TEST_F(EditorTest, NewWithoutAFormatBeepsAndAddsNothing) {
  CDownLoadProfileDlg dialog(ProfileOf(1, -1), m_fields, m_prompts);
  CNewDownLoadMappingDlg newDialog;
  newDialog.m_format = -1;
  EXPECT_FALSE(dialog.OnNew(newDialog));
  EXPECT_EQ(dialog.RowCount(), 1u);
  EXPECT_EQ(m_prompts.m_beeps, kOneBeep);
}

TEST_F(EditorTest, DeleteAsksAndKeepsTheSameMappingActive) {
  const struct {
    int count;
    int active;
    int deleted;
    int activeAfter;
    std::string activeName;  // "" when none stays active
    bool answer = true;
  } rows[] = {
      {.count = 3, .active = 2, .deleted = 0, .activeAfter = 1, .activeName = "M2"},
      {.count = 3, .active = 1, .deleted = 1, .activeAfter = -1, .activeName = ""},
      {.count = 3, .active = 0, .deleted = 2, .activeAfter = 0, .activeName = "M0"},
      {.count = 3, .active = -1, .deleted = 0, .activeAfter = -1, .activeName = ""},
      {.count = 1, .active = 0, .deleted = 0, .activeAfter = -1, .activeName = ""},
      {.count = 2,
       .active = 1,
       .deleted = 0,
       .activeAfter = 1,
       .activeName = "M1",
       .answer = false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.active) + "/" + std::to_string(row.deleted) +
                 (row.answer ? " OK" : " Cancel"));
    m_prompts.m_answer = row.answer;
    CDownLoadProfileDlg dialog(ProfileOf(row.count, row.active), m_fields, m_prompts);
    EXPECT_EQ(dialog.OnDelete(row.deleted), row.answer);
    EXPECT_EQ(dialog.RowCount(), static_cast<std::size_t>(row.count - (row.answer ? 1 : 0)));
    EXPECT_EQ(dialog.Working().m_activeMapping, row.activeAfter);
    const CDownLoadMapping* active = dialog.Working().Active();
    EXPECT_EQ(active ? active->m_name : "", row.activeName);
  }
  EXPECT_EQ(m_prompts.m_questions, std::vector<std::string>(std::size(rows), kDeleteQuestion));
}

TEST_F(EditorTest, CommandsWithoutASelectedRowOnlyBeep) {
  for (const int selected : {-1, 3, 17}) {
    RecordingPrompts prompts;
    CDownLoadProfileDlg dialog(ProfileOf(3, 1), m_fields, prompts);
    EXPECT_FALSE(dialog.OnDelete(selected));
    EXPECT_EQ(dialog.OnConfigure(selected), nullptr);
    EXPECT_FALSE(dialog.OnSetActive(selected));
    EXPECT_EQ(prompts.m_beeps, (std::vector<std::pair<unsigned, unsigned>>(3, {300, 100})));
    EXPECT_TRUE(prompts.m_questions.empty());
    EXPECT_EQ(dialog.RowCount(), 3u);
    EXPECT_EQ(dialog.Working().m_activeMapping, 1);
  }
}

TEST_F(EditorTest, SetActiveMovesTheMark) {
  CDownLoadProfileDlg dialog(ProfileOf(3, 0), m_fields, m_prompts);
  ASSERT_TRUE(dialog.OnSetActive(2));
  EXPECT_FALSE(dialog.IsActiveRow(0));
  EXPECT_TRUE(dialog.IsActiveRow(2));
  EXPECT_EQ(dialog.Working().m_activeMapping, 2);
}

TEST_F(EditorTest, TheProfileDialogEditsACopyAndConfigureOKReplacesTheMapping) {
  const CDownLoadProfile original = ProfileOf(2, 0);
  CDownLoadProfileDlg dialog(original, m_fields, m_prompts);
  ASSERT_TRUE(dialog.OnDelete(1));
  ASSERT_TRUE(dialog.OnSetActive(0));
  EXPECT_EQ(original.m_mappings.size(), 2u);

  std::unique_ptr<CDownLoadMappingDlg> mappingDialog = dialog.OnConfigure(0);
  ASSERT_NE(mappingDialog, nullptr);
  mappingDialog->OnAddElement(1, mappingDialog->NewElementDialog(1));
  mappingDialog->OnRejectUnexecutedChanged(true);
  // Until OK the profile's mapping is untouched: Cancel drops the copy.
  EXPECT_TRUE(dialog.Working().m_mappings[0]->m_elements.empty());
  dialog.OnConfigured(0, *mappingDialog);
  EXPECT_EQ(dialog.Working().m_mappings[0]->m_elements.size(), 1u);
  EXPECT_TRUE(dialog.Working().m_mappings[0]->m_rejectUnexecutedOrders);
  EXPECT_TRUE(original.m_mappings[0]->m_elements.empty());
}

// ---- DownLoad Mapping ----

TEST_F(EditorTest, EnablingFollowsTheSelectedElement) {
  using C = CDownLoadMappingDlg::Control;
  const C controls[] = {C::kAddPosition,  C::kEditPosition,   C::kAddColumn,
                        C::kEditColumn,   C::kDeleteElement,  C::kMapType,
                        C::kJustify,      C::kConstant,       C::kFieldList,
                        C::kTranslations, C::kAddTranslation, C::kDeleteTranslation};
  const struct {
    const char* state;
    int type;  // -1: no element
    int mapType;
    std::vector<bool> enabled;  // in the order of controls
  } rows[] = {
      {.state = "no elements",
       .type = -1,
       .mapType = 0,
       .enabled = {true, false, true, false, false, false, false, false, false, false, false,
                   false}},
      {.state = "position, constant",
       .type = 0,
       .mapType = 0,
       .enabled = {true, true, true, false, true, true, true, true, false, false, false, false}},
      {.state = "column, field",
       .type = 1,
       .mapType = 1,
       .enabled = {true, false, true, true, true, true, true, false, true, true, true, true}},
      {.state = "position, execution count",
       .type = 0,
       .mapType = 2,
       .enabled = {true, true, true, false, true, true, true, false, false, false, false, false}},
  };
  for (const auto& row : rows) {
    auto mapping = Mapping(0);
    if (row.type >= 0) {
      mapping->m_elements.push_back(Element(row.type, row.mapType));
    }
    const CDownLoadMappingDlg dialog = Dialog(*mapping);
    for (std::size_t i = 0; i < std::size(controls); ++i) {
      EXPECT_EQ(dialog.Enabled(controls[i]), row.enabled[i]) << row.state << ", control " << i;
    }
  }
}

TEST_F(EditorTest, OpeningSelectsTheFirstElementAndShowsItsMapping) {
  auto mapping = Mapping(0);
  mapping->m_rejectUnexecutedOrders = true;
  auto first = Element(0, 1);
  first->m_fieldIndex = 1;
  first->m_justify = 1;
  first->m_translations.push_back(Pair("B", "Buy"));
  mapping->m_elements.push_back(std::move(first));
  mapping->m_elements.push_back(Element(1, 0));
  const CDownLoadMappingDlg dialog = Dialog(*mapping);
  EXPECT_EQ(dialog.SelectedElement(), 0);
  EXPECT_EQ(dialog.MapTypeChoice(), 1);
  EXPECT_EQ(dialog.JustifyChoice(), 1);
  EXPECT_EQ(dialog.SelectedField(), 1);
  ASSERT_EQ(dialog.Translations().size(), 1u);
  EXPECT_EQ(dialog.Translations()[0].m_output, "Buy");
  EXPECT_TRUE(dialog.Mapping().m_rejectUnexecutedOrders);
}

TEST_F(EditorTest, ChoosingNorvaneFieldMapsAnUnmappedElementToTheFirstField) {
  const struct {
    const char* state;
    bool fields;
    int before;  // the element's field index
    int after;
    std::string fieldName;
  } rows[] = {
      {.state = "unmapped", .fields = true, .before = -1, .after = 0, .fieldName = "TRADER"},
      {.state = "mapped before", .fields = true, .before = 2, .after = 2, .fieldName = ""},
      {.state = "no download fields", .fields = false, .before = -1, .after = -1, .fieldName = ""},
  };
  for (const auto& row : rows) {
    std::vector<OstraneField> fields = row.fields ? m_fields : std::vector<OstraneField>{};
    auto mapping = Mapping(2);
    mapping->m_elements.push_back(Element(0, 0));
    mapping->m_elements[0]->m_fieldIndex = row.before;
    CDownLoadMappingDlg dialog(mapping->Clone(), fields, m_prompts);
    dialog.OnMapTypeChanged(CDownLoadElement::kMapField);
    const CDownLoadElement& element = *dialog.Selected();
    EXPECT_EQ(element.m_mapType, 1) << row.state;
    EXPECT_EQ(element.m_fieldIndex, row.after) << row.state;
    EXPECT_EQ(element.m_field.m_name, row.fieldName) << row.state;
    EXPECT_EQ(dialog.SelectedField(), row.after) << row.state;
    EXPECT_TRUE(dialog.Enabled(CDownLoadMappingDlg::Control::kFieldList)) << row.state;
    EXPECT_FALSE(dialog.Enabled(CDownLoadMappingDlg::Control::kConstant)) << row.state;
  }
}

TEST_F(EditorTest, ElementMappingChangesGoIntoTheSelectedElement) {
  auto mapping = Mapping(0);
  mapping->m_elements.push_back(Element(0, 1));
  mapping->m_elements.push_back(Element(1, 0));
  CDownLoadMappingDlg dialog = Dialog(*mapping);
  dialog.SelectElement(1);
  dialog.OnJustifyChanged(1);
  dialog.OnConstantChanged("X,\"Y\"");
  dialog.OnMapTypeChanged(2);
  dialog.SelectElement(0);
  dialog.OnFieldSelected(2);
  const CDownLoadElement& second = *dialog.Mapping().m_elements[1];
  EXPECT_EQ(second.m_justify, 1);
  EXPECT_EQ(second.m_constant, "X,\"Y\"");
  EXPECT_EQ(second.m_mapType, 2);
  const CDownLoadElement& first = *dialog.Mapping().m_elements[0];
  EXPECT_EQ(first.m_fieldIndex, 2);
  EXPECT_TRUE(SameField(first.m_field, m_fields[2]));
  EXPECT_EQ(first.m_justify, 0);
  // The mapping handed to the dialog is a copy.
  EXPECT_EQ(mapping->m_elements[1]->m_constant, "");
}

TEST_F(EditorTest, TranslationsAreAddedAndDeletedInTheSelectedElement) {
  auto mapping = Mapping(0);
  mapping->m_elements.push_back(Element(1, 1));
  CDownLoadMappingDlg dialog = Dialog(*mapping);
  ASSERT_TRUE(dialog.OnAddTranslation(Pair("B", "Buy")));
  ASSERT_TRUE(dialog.OnAddTranslation(Pair("S", "Sell")));
  ASSERT_EQ(dialog.Translations().size(), 2u);
  EXPECT_EQ(dialog.Translations()[1].m_output, "Sell");
  EXPECT_TRUE(dialog.OnDeleteTranslation(0));
  EXPECT_FALSE(dialog.OnDeleteTranslation(1));
  ASSERT_EQ(dialog.Translations().size(), 1u);
  EXPECT_EQ(dialog.Translations()[0].m_input, "S");
  EXPECT_EQ(dialog.Mapping().m_elements[0]->m_translations.size(), 1u);
  dialog.SelectElement(-1);
  EXPECT_FALSE(dialog.OnAddTranslation(Pair("X", "Y")));
}

TEST_F(EditorTest, AnAddedElementStartsAsAnEmptyLeftJustifiedConstant) {
  const struct {
    int format;
    int type;
    bool useLength;  // as entered: on
    bool quoted;     // as entered: on
  } rows[] = {{.format = 0, .type = 0, .useLength = false, .quoted = true},
              {.format = 1, .type = 1, .useLength = false, .quoted = true},
              {.format = 2, .type = 0, .useLength = true, .quoted = false},
              {.format = 2, .type = 1, .useLength = true, .quoted = false}};
  for (const auto& row : rows) {
    CDownLoadMappingDlg dialog = Dialog(*Mapping(row.format));
    CDownLoadElementDlg entry = dialog.NewElementDialog(row.type);
    entry.m_name = "Qty";
    entry.m_yPos = "4";
    entry.m_xPos = "9";
    entry.m_length = "6";
    entry.m_useLength = false;
    entry.m_quoted = true;
    ASSERT_FALSE(entry.Check().has_value());
    dialog.OnAddElement(row.type, entry);
    ASSERT_EQ(dialog.ElementCount(), 1u);
    const CDownLoadElement& element = *dialog.Mapping().m_elements[0];
    SCOPED_TRACE(std::to_string(row.format) + "/" + std::to_string(row.type));
    EXPECT_EQ(element.m_type, row.type);
    EXPECT_EQ(element.m_name, "Qty");
    EXPECT_EQ(element.m_yPos, 4);
    EXPECT_EQ(element.m_xPos, 9);
    EXPECT_EQ(element.m_length, 6);
    EXPECT_EQ(element.m_useLength, row.useLength);
    EXPECT_EQ(element.m_isQuoted, row.quoted);
    EXPECT_EQ(element.m_mapType, 0);
    EXPECT_EQ(element.m_fieldIndex, -1);
    EXPECT_EQ(element.m_justify, 0);
    EXPECT_EQ(element.m_constant, "");
    EXPECT_TRUE(element.m_translations.empty());
  }
}

TEST_F(EditorTest, EditWritesThePlacementBackAndKeepsTheMapping) {
  auto mapping = Mapping(1);
  auto element = Element(1, 1, "Old");
  element->m_fieldIndex = 1;
  element->m_constant = "kept";
  mapping->m_elements.push_back(std::move(element));
  CDownLoadMappingDlg dialog = Dialog(*mapping);
  std::optional<CDownLoadElementDlg> entry = dialog.EditElementDialog();
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->GetKind(), CDownLoadElementDlg::Kind::kGridColumn);
  EXPECT_EQ(entry->m_name, "Old");
  EXPECT_EQ(entry->m_length, "1");
  entry->m_name = "New";
  entry->m_xPos = "12abc";
  entry->m_yPos = "abc";
  entry->m_quoted = true;
  ASSERT_FALSE(entry->Check().has_value());
  dialog.OnEditElement(*entry);
  const CDownLoadElement& edited = *dialog.Selected();
  EXPECT_EQ(edited.m_name, "New");
  EXPECT_EQ(edited.m_xPos, 12);
  EXPECT_EQ(edited.m_yPos, 0);
  EXPECT_TRUE(edited.m_isQuoted);
  EXPECT_EQ(edited.m_fieldIndex, 1);
  EXPECT_EQ(edited.m_constant, "kept");
  EXPECT_EQ(dialog.ElementRow(0)[0], "New");
}

TEST_F(EditorTest, DeleteElementAsksAndLeavesNoneSelected) {
  auto mapping = Mapping(0);
  mapping->m_elements.push_back(Element(0, 0, "A"));
  mapping->m_elements.push_back(Element(1, 0, "B"));
  CDownLoadMappingDlg dialog = Dialog(*mapping);
  m_prompts.m_answer = false;
  EXPECT_FALSE(dialog.OnDeleteElement());
  EXPECT_EQ(dialog.ElementCount(), 2u);
  m_prompts.m_answer = true;
  EXPECT_TRUE(dialog.OnDeleteElement());
  ASSERT_EQ(dialog.ElementCount(), 1u);
  EXPECT_EQ(dialog.Mapping().m_elements[0]->m_name, "B");
  EXPECT_EQ(dialog.SelectedElement(), -1);
  EXPECT_FALSE(dialog.Enabled(CDownLoadMappingDlg::Control::kDeleteElement));
  EXPECT_EQ(m_prompts.m_questions, std::vector<std::string>(2, kDeleteQuestion));
  EXPECT_TRUE(m_prompts.m_beeps.empty());
  EXPECT_FALSE(dialog.OnDeleteElement());
  EXPECT_EQ(m_prompts.m_beeps, kOneBeep);
  EXPECT_EQ(dialog.ElementCount(), 1u);
}

// ---- Element dialogs ----

TEST(DownloadElementDialog, EachKindHasItsCaptionAndLabels) {
  using K = CDownLoadElementDlg::Kind;
  using F = CDownLoadElementDlg::Field;
  const struct {
    int format;
    int type;
    K kind;
    std::string caption;
    std::vector<std::string> labels;  // Name, YPos, XPos, Length, Use Length, Quote; "-" none
  } rows[] = {
      {.format = 0,
       .type = 0,
       .kind = K::kCell,
       .caption = "New Cell",
       .labels = {"Name", "Row", "Column", "Length", "Use Length", "Quote"}},
      {.format = 1,
       .type = 1,
       .kind = K::kGridColumn,
       .caption = "New Column",
       .labels = {"Name", "Starting Row", "Column", "Length", "Use Length", "Quote "}},
      {.format = 2,
       .type = 0,
       .kind = K::kFilePosition,
       .caption = "New File Position",
       .labels = {"Name", "Line", "Offset", "Length", "-", "-"}},
      {.format = 2,
       .type = 1,
       .kind = K::kFixedColumn,
       .caption = "New Column",
       .labels = {"Name", "Starting Row", "Column", "Length", "-", "-"}},
  };
  const F fields[] = {F::kName, F::kYPos, F::kXPos, F::kLength, F::kUseLength, F::kQuote};
  for (const auto& row : rows) {
    EXPECT_EQ(CDownLoadElementDlg::KindFor(row.format, row.type), row.kind);
    const CDownLoadElementDlg dialog(row.kind);
    EXPECT_EQ(dialog.Caption(), row.caption);
    for (std::size_t i = 0; i < std::size(fields); ++i) {
      const char* label = dialog.Label(fields[i]);
      EXPECT_EQ(label ? label : "-", row.labels[i]) << row.caption << " control " << i;
    }
  }
}

TEST(DownloadElementDialog, CheckRefusesTheFirstBadEntryInOrder) {
  const struct {
    const char* name;
    const char* yPos;
    const char* xPos;
    const char* length;
    std::string message;  // "" when accepted
  } rows[] = {
      {"A\nB", "-1", "-1", "-1", kTextLineBreak},
      {"A\rB", "0", "0", "1", kTextLineBreak},
      {"A", "-1", "-1", "-1",
       "A numeric value from 0 to 1048575 must be entered for the \"Row\" Field"},
      {"A", "1048576", "0", "1",
       "A numeric value from 0 to 1048575 must be entered for the \"Row\" Field"},
      {"A", "1048575", "16384", "-5",
       "A numeric value from 0 to 16383 must be entered for the \"Column\" Field"},
      {"A", "0", "16383", "65536",
       "A numeric value from 0 to 65535 must be entered for the \"Length\" Field"},
      {"A", "0", "0", "-1",
       "A numeric value from 0 to 65535 must be entered for the \"Length\" Field"},
      {"A,\"B\"", "x", "", "65535", ""},
  };
  for (const auto& row : rows) {
    CDownLoadElementDlg dialog(CDownLoadElementDlg::Kind::kCell);
    dialog.m_name = row.name;
    dialog.m_yPos = row.yPos;
    dialog.m_xPos = row.xPos;
    dialog.m_length = row.length;
    EXPECT_EQ(dialog.Check().value_or(""), row.message) << row.yPos << "/" << row.xPos;
  }
}

TEST(DownloadElementDialog, CheckNamesTheFixedDialogsOwnLabels) {
  CDownLoadElementDlg dialog(CDownLoadElementDlg::Kind::kFilePosition);
  dialog.m_xPos = "99999";
  EXPECT_EQ(dialog.Check().value_or(""),
            "A numeric value from 0 to 16383 must be entered for the \"Offset\" Field");
}

TEST(DownloadEditorChecks, TextsThatNoRecordCanCarryAreRefused) {
  const struct {
    const char* what;
    std::optional<std::string> message;
    std::string expected;
  } rows[] = {
      {"settings", CDownloadSettingsDlg("/home/x\n/y").Check(), kTextLineBreak},
      {"settings ok", CDownloadSettingsDlg("/home/x, \"y\"").Check(), ""},
      {"new mapping", CNewDownLoadMappingDlg{.m_name = "a\rb", .m_format = 0}.Check(),
       kTextLineBreak},
      {"new mapping trimmed", CNewDownLoadMappingDlg{.m_name = "ab\r\n", .m_format = 0}.Check(),
       ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.message.value_or(""), row.expected) << row.what;
  }
}

TEST_F(EditorTest, MappingOKRefusesAConstantWithALineBreak) {
  auto mapping = Mapping(0);
  mapping->m_elements.push_back(Element(0, 0));
  mapping->m_elements.push_back(Element(0, 0));
  CDownLoadMappingDlg dialog = Dialog(*mapping);
  EXPECT_FALSE(dialog.Check().has_value());
  dialog.SelectElement(1);
  dialog.OnConstantChanged("two\nlines");
  EXPECT_EQ(dialog.Check().value_or(""), kTextLineBreak);
}

// Whatever the checks let through, the profile file reads back as written.
TEST_F(EditorTest, AcceptedTextsRoundTripThroughTheProfileFile) {
  CDownLoadProfileDlg dialog(CDownLoadProfile(), m_fields, m_prompts);
  ASSERT_TRUE(dialog.OnNew({.m_name = "Comma, \"quoted\"", .m_format = 0}));
  std::unique_ptr<CDownLoadMappingDlg> mappingDialog = dialog.OnConfigure(0);
  CDownLoadElementDlg entry = mappingDialog->NewElementDialog(0);
  entry.m_name = "\"Name\",with,commas";
  entry.m_yPos = "1048575";
  entry.m_xPos = "16383";
  entry.m_length = "65535";
  ASSERT_FALSE(entry.Check().has_value());
  mappingDialog->OnAddElement(0, entry);
  mappingDialog->SelectElement(0);
  mappingDialog->OnConstantChanged(" lead, \"and\" trail ");
  mappingDialog->OnMapTypeChanged(1);
  mappingDialog->OnFieldSelected(2);
  ASSERT_TRUE(mappingDialog->OnAddTranslation(Pair("a,b", "\"c\"")));
  ASSERT_FALSE(mappingDialog->Check().has_value());
  dialog.OnConfigured(0, *mappingDialog);
  ASSERT_TRUE(dialog.OnSetActive(0));
  const CDownLoadProfile edited = dialog.TakeProfile();

  ScratchFolder folder;
  const std::string path = folder.Path() + "/qxd.pfl";
  CFileError error;
  ASSERT_TRUE(edited.SaveFile(path, error));
  CDownLoadProfile loaded;
  ASSERT_TRUE(loaded.LoadFile(path, m_fields, error));
  TokenList written;
  TokenList read;
  edited.Save(written);
  loaded.Save(read);
  EXPECT_EQ(read, written);
  ASSERT_NE(loaded.Active(), nullptr);
  EXPECT_EQ(loaded.Active()->m_name, "Comma, \"quoted\"");
  EXPECT_EQ(loaded.Active()->m_elements[0]->m_constant, " lead, \"and\" trail ");
}

}  // namespace
}  // namespace trqx
