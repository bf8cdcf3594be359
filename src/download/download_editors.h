#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_mapping.h"
#include "download/download_profile.h"
#include "foundation/field_format.h"
#include "upload/profile_editor.h"

namespace trqx {

// The rules of the client's download editors ("&Download" > "&Settings" and "&Profile"). The
// front-ends draw the controls, hand the user's edits to these classes and ask them what the
// lists show and which controls are enabled. Each dialog works on a working copy that only
// its caller's OK hands back; Cancel drops it. Rows and choices are indexes from the top,
// -1 for none.

// What the download editors ask of the user: the upload editors' question and refusal, and
// the beep of a command without a selected row.
class DownLoadEditorPrompts : public EditorPrompts {
 public:
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
};

inline constexpr unsigned kEditorBeepHz = 300;
inline constexpr unsigned kEditorBeepMs = 100;
inline constexpr const char* kConfirmDeleteText = "Press OK if you really want to Delete";
inline constexpr const char* kConfirmDeleteCaption = "Confirm Delete";

// A column of a report list.
struct ListColumn {
  const char* m_title;
  int m_width;
};

// The message that refuses a number outside [0, highest] in the control labelled label.
std::string RangeMessage(std::string_view label, int highest);

// "Download Settings": the download destination folder of the settings.
class CDownloadSettingsDlg {
 public:
  static constexpr const char* kCaption = "Download Settings";
  static constexpr const char* kGroup = "Download destination directory";

  explicit CDownloadSettingsDlg(std::string destDir) : m_destDir(std::move(destDir)) {}
  // OK's check: the message that refuses the edited text, none when it may be stored.
  std::optional<std::string> Check() const;

  std::string m_destDir;  // the edit's text
};

// "New DownLoad Mapping": a name and one of the three formats.
class CNewDownLoadMappingDlg {
 public:
  static constexpr const char* kCaption = "New DownLoad Mapping";
  static constexpr const char* kNameGroup = "Name";
  static constexpr const char* kFormatGroup = "File Format Type";
  // The drop-down's entries; the index is the FormatType.
  static constexpr const char* kFormats[] = {"Comma Separated Values", "Tab Separated Values",
                                             "Fixed Format"};

  // OK's check: the message that refuses the name, none when it may be used.
  std::optional<std::string> Check() const;
  // The new mapping: the trimmed name, no elements; null when no format is chosen.
  std::unique_ptr<CDownLoadMapping> Make() const;

  std::string m_name;
  int m_format = 0;
};

// The four element dialogs: "New Cell" and "New Column" of the comma- and tab-separated
// mappings, "New File Position" and "New Column" of the fixed mapping. The numbers are the
// edits' texts, parsed as decimal when OK is pressed (text that is no number gives 0).
class CDownLoadElementDlg {
 public:
  enum class Kind { kCell, kGridColumn, kFilePosition, kFixedColumn };
  enum class Field { kName, kYPos, kXPos, kLength, kUseLength, kQuote };

  // The dialog for an element of type (0 position or cell, 1 column) in a mapping of format.
  static Kind KindFor(int formatType, int elementType);

  // Filled from a new element: no name, row and column 0, Length 1, "Use Length" on, "Quote"
  // off.
  explicit CDownLoadElementDlg(Kind kind);
  // Filled from element.
  CDownLoadElementDlg(Kind kind, const CDownLoadElement& element);

  Kind GetKind() const { return m_kind; }
  const char* Caption() const;
  // The control's label; null for a control the dialog does not have ("Use Length" and
  // "Quote" in the fixed format's dialogs).
  const char* Label(Field field) const;
  bool HasGridChecks() const { return m_kind == Kind::kCell || m_kind == Kind::kGridColumn; }

  // OK's check, in the order Name, YPos, XPos, Length: the first message that refuses an
  // entry, none when all may be stored.
  std::optional<std::string> Check() const;
  // Writes Name, XPos, YPos, Length, UseLength and IsQuoted into element (fixed format:
  // UseLength true, IsQuoted false); its other fields stay.
  void WriteTo(CDownLoadElement& element) const;

  std::string m_name;
  std::string m_yPos;
  std::string m_xPos;
  std::string m_length;
  bool m_useLength = true;
  bool m_quoted = false;

 private:
  Kind m_kind;
};

// "DownLoad Mapping": a working copy of one mapping, its element list, the element-mapping
// controls of the selected element and the download field list.
class CDownLoadMappingDlg {
 public:
  static constexpr const char* kCaption = "DownLoad Mapping";
  static constexpr const char* kElementsGroup = "File Elements";
  static constexpr const char* kElementListName = "Download Element";
  static constexpr const char* kFieldListName = "DownLoad NV Field";
  static constexpr const char* kRejectText = "Reject Unexecuted Orders";
  static constexpr const char* kMapTypes[] = {"Constant", "Norvane Field", "Execution Count"};
  static constexpr const char* kJustifies[] = {"Left", "Right"};

  enum class Control {
    kAddPosition,        // "Add File Position"
    kEditPosition,       // "Edit File Position"
    kAddColumn,          // "Add File Column"
    kEditColumn,         // "Edit File Column"
    kDeleteElement,      // "Delete Element"
    kMapType,            // the "Map Type" drop-down
    kJustify,            // the "Justify" drop-down
    kConstant,           // the "Constant" edit
    kFieldList,          // the download field list
    kTranslations,       // the translation list
    kAddTranslation,     // "Add"
    kDeleteTranslation,  // "Delete"
  };

  // Opening: selects the first element, if any. fields and prompts must outlive the dialog.
  CDownLoadMappingDlg(std::unique_ptr<CDownLoadMapping> copy,
                      const std::vector<OstraneField>& fields, DownLoadEditorPrompts& prompts);

  bool IsFixed() const { return m_mapping->m_formatType == CDownLoadMapping::kFormatFixed; }
  const CDownLoadMapping& Mapping() const { return *m_mapping; }
  // OK: the edited copy, handed over; the dialog must not be used after it.
  std::unique_ptr<CDownLoadMapping> TakeMapping() { return std::move(m_mapping); }

  // The element list: its columns by the mapping's format, and one row per element.
  std::span<const ListColumn> ElementColumns() const;
  std::vector<std::string> ElementRow(std::size_t index) const;
  std::size_t ElementCount() const { return m_mapping->m_elements.size(); }
  // The download field list: "Type" 40, "Name" 80, "Width" 40.
  static std::span<const ListColumn> FieldColumns();
  std::vector<std::string> FieldRow(std::size_t index) const;
  std::size_t FieldCount() const { return m_fields.size(); }
  // The translation list's columns: "Input Value" and "Output Value".
  static std::span<const ListColumn> TranslationColumns();

  bool Enabled(Control control) const;

  // The selected element's state as the element-mapping controls show it.
  int SelectedElement() const { return m_selected; }
  const CDownLoadElement* Selected() const;
  int MapTypeChoice() const;
  int JustifyChoice() const;
  std::string ConstantText() const;
  int SelectedField() const;  // -1 when FieldIndex is below 0
  const std::vector<CTranslation>& Translations() const;

  // Selecting an element (-1: none).
  void SelectElement(int index);
  void OnMapTypeChanged(int choice);
  void OnJustifyChanged(int choice);
  // Each change of the Constant edit's text.
  void OnConstantChanged(std::string text);
  void OnFieldSelected(int row);
  // "Add" of the translation list, after "Enter Translation:" ended with OK: appends the
  // (trimmed) pair; false, nothing added, without a selected element.
  bool OnAddTranslation(CTranslation translation);
  // "Delete" of the translation list: removes the pair at row; false when there is none.
  bool OnDeleteTranslation(int row);
  void OnRejectUnexecutedChanged(bool checked);

  // The element dialogs: "Add File Position" (type 0) and "Add File Column" (type 1) open an
  // empty one; the edit buttons one filled from the selected element (none without one).
  CDownLoadElementDlg NewElementDialog(int elementType) const;
  std::optional<CDownLoadElementDlg> EditElementDialog() const;
  // OK of an add dialog (its check passed): appends an element of type made from it.
  void OnAddElement(int elementType, const CDownLoadElementDlg& dialog);
  // OK of an edit dialog (its check passed): writes it into the selected element.
  void OnEditElement(const CDownLoadElementDlg& dialog);
  // "Delete Element": beeps without a selected element; else asks "Confirm Delete" and on
  // OK removes the element, leaving none selected. True when one was removed.
  bool OnDeleteElement();

  // OK's check: a message when a Constant holds a line break (the Constant edit stores
  // every change at once, so it is checked here); none when the mapping may be saved.
  std::optional<std::string> Check() const;

 private:
  CDownLoadElement* SelectedElementPtr();

  std::unique_ptr<CDownLoadMapping> m_mapping;
  const std::vector<OstraneField>& m_fields;
  DownLoadEditorPrompts& m_prompts;
  int m_selected = -1;
};

// "Download Profile": a working copy of the profile, its mapping list and the active mark.
class CDownLoadProfileDlg {
 public:
  static constexpr const char* kCaption = "Download Profile";
  static constexpr const char* kGroup = "Mappings";
  static constexpr const char* kListName = "Download Mapping";

  // fields and prompts must outlive the dialog.
  CDownLoadProfileDlg(const CDownLoadProfile& profile, const std::vector<OstraneField>& fields,
                      DownLoadEditorPrompts& prompts);

  // The mapping list: "Name" 80, "Format Type" 100; one row per mapping, its format named as
  // in the upload profile's list.
  static std::span<const ListColumn> Columns();
  std::size_t RowCount() const { return m_working.m_mappings.size(); }
  std::vector<std::string> Row(std::size_t index) const;
  // Whether the row shows the active mark (the image list's first image).
  bool IsActiveRow(std::size_t index) const;

  // "New", after "New DownLoad Mapping" ended with OK (its check passed): appends the
  // mapping; beeps and adds nothing when no format was chosen.
  bool OnNew(const CNewDownLoadMappingDlg& dialog);
  // "Delete": asks "Confirm Delete" and on OK removes the mapping at selected, keeping the
  // same mapping active (none when the active one went).
  bool OnDelete(int selected);
  // "Configure": the mapping dialog over a copy of the mapping at selected; none, after a
  // beep, without a selected row.
  std::unique_ptr<CDownLoadMappingDlg> OnConfigure(int selected);
  // OK of that dialog (its check passed): the edited copy replaces the mapping at selected.
  void OnConfigured(int selected, CDownLoadMappingDlg& dialog);
  // "Set Active": the selected row becomes the active mapping.
  bool OnSetActive(int selected);

  // OK: the edited profile, handed over; the dialog must not be used after it.
  CDownLoadProfile TakeProfile() { return std::move(m_working); }
  const CDownLoadProfile& Working() const { return m_working; }

 private:
  // Whether selected names a row; beeps when it does not.
  bool RowSelected(int selected);

  CDownLoadProfile m_working;
  const std::vector<OstraneField>& m_fields;
  DownLoadEditorPrompts& m_prompts;
};

}  // namespace trqx
