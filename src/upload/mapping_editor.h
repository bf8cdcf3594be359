#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/field_format.h"
#include "upload/field_map.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"
#include "upload/mapping.h"
#include "upload/profile_editor.h"

namespace trqx {

// The rules of the "Mapping" dialog: the field list, the property page of the selected
// field and the checks of OK, on a working copy of one mapping.

// The property pages of the sheet, one per field kind.
enum class FieldPage {
  kNoSelection,
  kHdr,
  kData,
  kCodeType,  // Cusip/Sedol/Isin code type
  kSide,
  kAmount,
  kLimit,
  kExchange,
  kOrderType,
  kCusip,
  kBasketId,
  kTif,
  kCacheHdr,
  kCacheData,
  kReason,
  kExecQuantity,
  kExecPrice,
  kExecTime,
  kExecYellow,
};

// Where a page's "Constant" choices come from.
enum class ConstantSource {
  kEdit,       // a plain edit
  kFixedList,  // one of the page's own choices (or none)
  kValueList,  // an edit that offers the page's value list
};

// Which of the client's value lists a page offers (as constants and translation outputs).
enum class ValueList { kNone, kExchanges, kOrderTypes, kReasons };

// What a page shows besides the common controls.
struct FieldPageInfo {
  const char* m_className;
  const char* m_title;
  int m_mapTypeCount;  // entries of the "Map Type" list: 2 header pages, 3 data, 4 Order Type
  bool m_header;       // no checks, no upper case, no default, no translations
  ConstantSource m_constantSource = ConstantSource::kEdit;
  std::vector<const char*> m_constantChoices = {};  // for kFixedList
  ValueList m_valueList = ValueList::kNone;
  bool m_translateToBS = false;  // "Translate to B or S"
  bool m_signAndScale = false;   // "Delete leading sign", "x1000"
};

// The page for a field Type: the header page for the other header types (0, 3, 5), the data
// page for every other type without a page of its own (2, 27, download types).
FieldPage PageOfType(int type);
const FieldPageInfo& PageInfo(FieldPage page);

// The "Map Type" column of a field mapping.
std::string MapTypeText(const CFieldGridMap& field);
std::string MapTypeText(const CFieldFixedMap& field);
// The four texts of row field of mapping ("Type", "Name", "Width", "Map Type"); empty when
// field is out of range.
std::vector<std::string> FieldRowTexts(const CMapping& mapping, std::size_t field);

// "Enter Translation:": one input value and its output value.
class CEnterTranslationDlg {
 public:
  static constexpr const char* kCaption = "Enter Translation:";
  static constexpr const char* kInputLabel = "Input Value";
  static constexpr const char* kOutputLabel = "Output Value";

  // OK: both texts trimmed of white space at both ends; none after showing why not.
  std::optional<CTranslation> OnOK(EditorPrompts& prompts) const;

  std::string m_input;
  std::string m_output;
};

// The controls of one property page, as the controls hold them (numbers as typed; text
// that is no number reads 0 on "Apply").
struct FieldPageControls {
  int m_mapType = kMapConstant;  // the "Map Type" list position
  int m_justify = 1;             // the "Justify" list position: 0 "Left", 1 "Right"
  std::string m_length;          // "Field Length" (fixed-field mappings)
  std::string m_constant;
  std::string m_row;     // "Line #" (Line) or the cell's " Row" (TableRow)
  std::string m_offset;  // "Offset" (LineOffset) or the cell's "   Col" (TableCol)
  std::string m_column;  // "Mapped To Line Position" "Offset" or "Mapped To Col" (Fixed Col)
  bool m_notBlank = false;
  bool m_numeric = false;
  bool m_mkUpper = false;
  std::string m_default;
  bool m_translate = false;
  bool m_abs = false;
  bool m_x1000 = false;
  std::vector<CTranslation> m_translations;
};

// "Mapping": works on a copy of the mapping; OK hands the copy back, Cancel drops it.
class CMappingDlg {
 public:
  static constexpr const char* kCaption = "Mapping";
  static constexpr const char* kListHeading = "Norvane";  // the vendor format
  static constexpr const char* kColumns[] = {"Type", "Name", "Width", "Map Type"};
  static constexpr const char* kStartLabel = "Starting Row/Line";
  static constexpr const char* kSheetClass = "CUploadFieldMapSheet";
  static constexpr const char* kNoSelectionTitle = "No Selection";
  static constexpr const char* kModifiedSuffix = " -*(Modified)";
  static constexpr const char* kJustifyChoices[] = {"Left", "Right"};
  static constexpr const char* kApply = "Apply";

  enum class Control {
    kMapType,
    kJustify,
    kLength,
    kConstant,
    kFilePosition,  // "Mapped To File Position" / "Mapped To Cell": m_row and m_offset
    kLinePosition,  // "Mapped To Line Position" / "Mapped To Col": m_column
    kNotBlank,
    kNumeric,
    kMkUpper,
    kDefault,
    kTranslate,
    kAbs,
    kX1000,
    kTranslations,
    kApply,
  };

  // useUuid: the client's "Use UUID Flag". lists must outlive the dialog. Opens with no
  // field selected.
  CMappingDlg(const CMapping& mapping, bool useUuid, ValueLists lists = {});

  bool IsFixed() const { return m_fixed != nullptr; }
  std::size_t RowCount() const { return m_mapping->FieldCount(); }
  std::vector<std::string> RowTexts(std::size_t row) const {
    return FieldRowTexts(*m_mapping, row);
  }

  // Shows the page of the field at row (none: "No Selection") with its controls filled from
  // the field mapping; unapplied changes of the page shown before are dropped.
  void Select(std::optional<std::size_t> row);
  std::optional<std::size_t> Selected() const { return m_selected; }
  FieldPage Page() const { return m_page; }
  // The page's title, with " -*(Modified)" while a change is not applied.
  std::string Title() const;
  bool Modified() const { return m_modified; }

  // The "Map Type" list of the page.
  std::vector<std::string> MapTypeChoices() const;
  // The choices the "Constant" control offers (the page's own, or its value list).
  std::vector<std::string> ConstantChoices() const;
  // The translation outputs offered by the page (its value list; empty: typed freely).
  std::vector<std::string> TranslationOutputs() const;
  // The labels of the position edits: file position's two, then line position's one.
  std::vector<std::string> PositionLabels() const;
  // The group titles of the two position groups.
  const char* FilePositionGroup() const;
  const char* LinePositionGroup() const;

  // Whether the page has the control, and whether it is enabled: the constant for MapType
  // 0, the file position for 1, the line position for 2, the translations for 1 and 2;
  // "Apply" while a change is not applied.
  bool Shown(Control control) const;
  bool Enabled(Control control) const;

  const FieldPageControls& Controls() const { return m_controls; }
  // The page's controls for a change by the user: the page counts as modified.
  FieldPageControls& Edit();

  // "Add" of the translations: appends the pair to the page's list.
  void AddTranslation(const CTranslation& translation);
  // "Delete": removes the pair at index; false when out of range.
  bool DeleteTranslation(std::size_t index);

  // "Apply": copies the controls into the selected field mapping (MakeMKTOrLMT exactly
  // when MapType 3 is chosen) and clears the modified mark. A text holding a line break is
  // refused with a message, nothing copied. False when refused or nothing is selected.
  bool Apply(EditorPrompts& prompts);

  // OK: checks the applied field mappings in order and shows the first failure's message
  // (false: the dialog stays open); on success the "Starting Row/Line" edit is stored.
  bool OnOK(EditorPrompts& prompts);
  // The edited copy, after a successful OnOK.
  std::unique_ptr<CMapping> TakeMapping() { return std::move(m_mapping); }

  std::string m_startText;  // the "Starting Row/Line" edit

 private:
  FieldMap* SelectedFieldMap() const;
  void LoadControls();
  // The message of OK's check for the field mapping at row; "" when it passes.
  std::string CheckField(std::size_t row) const;

  std::unique_ptr<CMapping> m_mapping;
  CGridMapping* m_grid = nullptr;
  CFixedMapping* m_fixed = nullptr;
  bool m_useUuid;
  ValueLists m_lists;
  std::optional<std::size_t> m_selected;
  FieldPage m_page = FieldPage::kNoSelection;
  FieldPageControls m_controls;
  bool m_modified = false;
};

}  // namespace trqx
