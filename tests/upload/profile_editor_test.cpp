#include "upload/profile_editor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "recording_prompts.h"
#include "support/fields.h"
#include "support/scratch_folder.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/user_profile.h"

namespace trqx {
namespace {

const FieldFormatRegistry& ThreeFields() {
  static const FieldFormatRegistry format = FieldsOf({{"UUID", 10, kTypeHdrUuid},
                                                      {"SIDE", 2, kTypeDataSide},
                                                      {"QTY", 12, kTypeDataAmount},
                                                      {"PRICE", 12, 14, kCategoryDownload}});
  return format;
}

std::unique_ptr<CMapping> Grid(int format, int fileMapType, const std::string& filename) {
  auto mapping = std::make_unique<CGridMapping>(format, true, ThreeFields().UploadFields());
  mapping->m_fileMapType = fileMapType;
  mapping->m_filename = filename;
  return mapping;
}

TEST(ProfileColumns, FileNameShowsTheRuleOfTheMapping) {
  struct Row {
    int fileMapType;
    int format;
    std::string filename;
    std::string shown;
  };
  const Row rows[] = {
      {.fileMapType = 0, .format = 0, .filename = "orders.csv", .shown = "orders.csv"},
      {.fileMapType = 0, .format = 2, .filename = "", .shown = ""},
      {.fileMapType = 1, .format = 0, .filename = "ignored", .shown = "<*.csv>"},
      {.fileMapType = 1, .format = 1, .filename = "", .shown = "<*.txt>"},
      {.fileMapType = 1, .format = 2, .filename = "", .shown = "<*.dat>"},
      {.fileMapType = 1, .format = 3, .filename = "", .shown = ""},
      {.fileMapType = 2, .format = 0, .filename = "ord", .shown = "<*.ord>"},
      {.fileMapType = 2, .format = 2, .filename = "", .shown = "<*.>"},
      {.fileMapType = 5, .format = 0, .filename = "x.csv", .shown = ""},
  };
  for (const Row& row : rows) {
    CGridMapping mapping(row.format, true);
    mapping.m_fileMapType = row.fileMapType;
    mapping.m_filename = row.filename;
    EXPECT_EQ(MappingFileNameText(mapping), row.shown)
        << row.fileMapType << "/" << row.format << "/" << row.filename;
  }
}

TEST(ProfileColumns, FormatTypeNamesTheFormat) {
  const std::pair<int, std::string> rows[] = {
      {0, "Comma Separated"}, {1, "Tab Separated"}, {2, "Fixed-Field Text"}, {3, ""}, {-1, ""}};
  for (const auto& [format, shown] : rows) {
    EXPECT_EQ(MappingFormatTypeText(format), shown) << format;
  }
}

TEST(NewMappingDialog, EditLabelAndEnablingFollowTheChoice) {
  struct Row {
    int choice;
    std::string label;
    bool enabled;
  };
  const Row rows[] = {{.choice = 0, .label = "Filename", .enabled = true},
                      {.choice = 1, .label = "Filename", .enabled = false},
                      {.choice = 2, .label = "Extension", .enabled = true}};
  const UserProfile profile(ThreeFields());
  for (const Row& row : rows) {
    CNewMappingDlg dlg(profile);
    dlg.m_fileMapType = row.choice;
    EXPECT_EQ(dlg.EditLabel(), row.label) << row.choice;
    EXPECT_EQ(dlg.EditEnabled(), row.enabled) << row.choice;
  }
}

TEST(NewMappingDialog, OkRefusesMissingTextAndKeepsWhatTheRuleNeeds) {
  struct Row {
    int choice;
    std::string typed;
    std::string message = {};   // "" when accepted
    std::string filename = {};  // stored when accepted
  };
  const Row rows[] = {
      {.choice = 0, .typed = "", .message = "Please specify a filename."},
      {.choice = 0, .typed = " \t ", .message = "Please specify a filename."},
      {.choice = 2, .typed = "", .message = "Please specify an extension."},
      {.choice = 2, .typed = " .. ", .message = "Please specify an extension."},
      {.choice = 1, .typed = "", .filename = ""},
      {.choice = 1, .typed = "typed.csv", .filename = ""},
      {.choice = 0, .typed = " orders.csv ", .filename = "orders.csv"},
      {.choice = 0, .typed = "a,b\"c.csv", .filename = "a,b\"c.csv"},
      {.choice = 2, .typed = ".ord", .filename = "ord"},
      {.choice = 0, .typed = "two\nlines", .message = kTextLineBreak},
      {.choice = 2, .typed = "o\rd", .message = kTextLineBreak},
  };
  const UserProfile profile(ThreeFields());
  for (const Row& row : rows) {
    CNewMappingDlg dlg(profile);
    dlg.m_fileMapType = row.choice;
    dlg.m_text = row.typed;
    RecordingPrompts prompts;
    const std::unique_ptr<CMapping> mapping = dlg.OnOK(prompts);
    if (row.message.empty()) {
      ASSERT_NE(mapping, nullptr) << row.typed;
      EXPECT_EQ(mapping->m_filename, row.filename) << row.typed;
      EXPECT_EQ(mapping->m_fileMapType, row.choice) << row.typed;
      EXPECT_TRUE(prompts.m_messages.empty()) << row.typed;
    } else {
      EXPECT_EQ(mapping, nullptr) << row.typed;
      EXPECT_EQ(prompts.m_messages, std::vector<std::string>{row.message}) << row.typed;
    }
  }
}

TEST(NewMappingDialog, FormatChoosesTheKindWithAFieldMapPerUploadField) {
  struct Row {
    int format;
    bool fixed;
  };
  const Row rows[] = {
      {.format = 0, .fixed = false}, {.format = 1, .fixed = false}, {.format = 2, .fixed = true}};
  UserProfile profile(ThreeFields(), false);
  for (const Row& row : rows) {
    CNewMappingDlg dlg(profile);
    dlg.m_format = row.format;
    dlg.m_fileMapType = kMapByFormatExtension;
    RecordingPrompts prompts;
    const std::unique_ptr<CMapping> mapping = dlg.OnOK(prompts);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->m_format, row.format);
    EXPECT_EQ(dynamic_cast<CFixedMapping*>(mapping.get()) != nullptr, row.fixed) << row.format;
    EXPECT_EQ(mapping->FieldCount(), 3u) << row.format;  // the download field is left out
    EXPECT_FALSE(mapping->m_convertDots) << row.format;
  }
}

TEST(ProfileDialog, ListsTheWorkingCopysMappings) {
  UserProfile profile(ThreeFields());
  profile.AddMapping(Grid(kFormatTab, kMapByFormatExtension, ""));
  profile.AddMapping(std::make_unique<CFixedMapping>(true));
  profile.GetMapping(1)->m_fileMapType = kMapByGivenExtension;
  profile.GetMapping(1)->m_filename = "prn";
  const CProfileDlg dlg(profile);
  // The texts themselves are the ProfileColumns tests'; here the rows and their order.
  ASSERT_EQ(dlg.RowCount(), 2u);
  EXPECT_EQ(dlg.FileNameText(0), "<*.txt>");
  EXPECT_EQ(dlg.FormatTypeText(1), "Fixed-Field Text");
  EXPECT_EQ(dlg.FileNameText(2), "");
}

TEST(ProfileDialog, ButtonsNeedASelectionOrAnActiveMapping) {
  using B = CProfileDlg::Button;
  struct Row {
    B button;
    std::optional<std::size_t> selected;
    int active;
    bool enabled;
  };
  const Row rows[] = {
      {.button = B::kAdd, .selected = std::nullopt, .active = -1, .enabled = true},
      {.button = B::kDelete, .selected = std::nullopt, .active = 0, .enabled = false},
      {.button = B::kDelete, .selected = 1, .active = -1, .enabled = true},
      {.button = B::kDelete, .selected = 2, .active = -1, .enabled = false},
      {.button = B::kConfigure, .selected = std::nullopt, .active = -1, .enabled = false},
      {.button = B::kConfigure, .selected = 0, .active = -1, .enabled = true},
      {.button = B::kSetActive, .selected = std::nullopt, .active = -1, .enabled = false},
      {.button = B::kSetActive, .selected = 0, .active = 0, .enabled = true},
      {.button = B::kClearActive, .selected = 0, .active = -1, .enabled = false},
      {.button = B::kClearActive, .selected = std::nullopt, .active = 1, .enabled = true},
  };
  for (const Row& row : rows) {
    UserProfile profile(ThreeFields());
    profile.AddMapping(Grid(kFormatComma, kMapByFormatExtension, ""));
    profile.AddMapping(Grid(kFormatTab, kMapByFormatExtension, ""));
    profile.SetActiveMapping(row.active);
    const CProfileDlg dlg(profile);
    EXPECT_EQ(dlg.Enabled(row.button, row.selected), row.enabled)
        << static_cast<int>(row.button) << " selected " << row.selected.value_or(99) << " active "
        << row.active;
  }
}

TEST(ProfileDialog, DeleteAsksAndTheActiveIndexFollows) {
  struct Row {
    int active;
    std::size_t deleted;
    bool answer;
    std::optional<std::size_t> activeAfter;
    std::size_t countAfter;
  };
  const Row rows[] = {
      {.active = 1, .deleted = 1, .answer = true, .activeAfter = std::nullopt, .countAfter = 2},
      {.active = 2, .deleted = 0, .answer = true, .activeAfter = 1, .countAfter = 2},
      {.active = 0, .deleted = 2, .answer = true, .activeAfter = 0, .countAfter = 2},
      {.active = -1, .deleted = 0, .answer = true, .activeAfter = std::nullopt, .countAfter = 2},
      {.active = 1, .deleted = 1, .answer = false, .activeAfter = 1, .countAfter = 3},
  };
  for (const Row& row : rows) {
    UserProfile profile(ThreeFields());
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) {
      profile.AddMapping(Grid(kFormatComma, kMapByFileName, name));
    }
    profile.SetActiveMapping(row.active);
    CProfileDlg dlg(profile);
    RecordingPrompts prompts;
    prompts.m_answer = row.answer;
    EXPECT_EQ(dlg.DeleteMapping(row.deleted, prompts), row.answer);
    EXPECT_EQ(prompts.m_questions,
              std::vector<std::string>{"Confirm Delete|Press OK if you really want to Delete"});
    EXPECT_EQ(dlg.RowCount(), row.countAfter) << row.active << "/" << row.deleted;
    EXPECT_EQ(dlg.ActiveRow(), row.activeAfter) << row.active << "/" << row.deleted;
  }
}

TEST(ProfileDialog, DeleteOfNoRowAsksNothing) {
  UserProfile profile(ThreeFields());
  CProfileDlg dlg(profile);
  RecordingPrompts prompts;
  EXPECT_FALSE(dlg.DeleteMapping(0, prompts));
  EXPECT_TRUE(prompts.m_questions.empty());
}

TEST(ProfileDialog, SetAndClearActive) {
  UserProfile profile(ThreeFields());
  profile.AddMapping(Grid(kFormatComma, kMapByFormatExtension, ""));
  profile.AddMapping(Grid(kFormatTab, kMapByFormatExtension, ""));
  CProfileDlg dlg(profile);
  dlg.SetActive(1);
  EXPECT_EQ(dlg.ActiveRow(), 1u);
  dlg.SetActive(7);  // no such row: unchanged
  EXPECT_EQ(dlg.ActiveRow(), 1u);
  dlg.ClearActive();
  EXPECT_EQ(dlg.ActiveRow(), std::nullopt);
  EXPECT_EQ(dlg.m_working.m_activeMapping, -1);
}

TEST(ProfileDialog, CancelLeavesTheLiveProfileAsItWas) {
  UserProfile profile(ThreeFields());
  profile.AddMapping(Grid(kFormatComma, kMapByFileName, "keep.csv"));
  profile.SetActiveMapping(0);
  profile.m_uuid = 77;
  {
    CProfileDlg dlg(profile);
    RecordingPrompts prompts;
    dlg.AddMapping(Grid(kFormatTab, kMapByFormatExtension, ""));
    dlg.DeleteMapping(0, prompts);
    dlg.m_uuidText = "5";
    dlg.m_working.GetMapping(0)->m_filename = "changed";
  }  // dropped without OK
  ASSERT_EQ(profile.MappingCount(), 1u);
  EXPECT_EQ(profile.GetMapping(0)->m_filename, "keep.csv");
  EXPECT_EQ(profile.m_activeMapping, 0);
  EXPECT_EQ(profile.m_uuid, 77u);
}

TEST(ProfileDialog, OkReplacesTheLiveProfileAndSavesIt) {
  struct Row {
    std::string uuidText;
    std::uint32_t uuid;
  };
  const Row rows[] = {{.uuidText = "123", .uuid = 123},
                      {.uuidText = "abc", .uuid = 0},
                      {.uuidText = " 42x", .uuid = 42},
                      {.uuidText = "", .uuid = 0}};
  for (const Row& row : rows) {
    ScratchFolder folder;
    UserProfile profile(ThreeFields());
    CProfileDlg dlg(profile);
    const std::size_t added = dlg.AddMapping(Grid(kFormatComma, kMapByFileName, "a,\"b\".csv"));
    dlg.SetActive(added);
    dlg.m_uuidText = row.uuidText;
    CFileError error;
    ASSERT_TRUE(dlg.OnOK(folder.File("qxu.pfl"), error));
    EXPECT_EQ(profile.m_uuid, row.uuid) << row.uuidText;
    EXPECT_EQ(profile.MappingCount(), 1u);

    UserProfile loaded(ThreeFields());
    ASSERT_TRUE(loaded.LoadFile(folder.File("qxu.pfl"), error));
    EXPECT_EQ(loaded.m_uuid, row.uuid) << row.uuidText;
    EXPECT_EQ(loaded.m_activeMapping, 0);
    ASSERT_EQ(loaded.MappingCount(), 1u);
    EXPECT_EQ(loaded.GetMapping(0)->m_filename, "a,\"b\".csv");
  }
}

TEST(ProfileDialog, OkReportsAFileThatCannotBeWritten) {
  ScratchFolder folder;
  UserProfile profile(ThreeFields());
  CProfileDlg dlg(profile);
  dlg.m_uuidText = "9";
  CFileError error;
  EXPECT_FALSE(dlg.OnOK(folder.File("missing/qxu.pfl"), error));
  EXPECT_NE(error.m_cause, FileErrorCause::kNone);
  EXPECT_EQ(profile.m_uuid, 9u);  // the edit is kept for the next save
}

}  // namespace
}  // namespace trqx
