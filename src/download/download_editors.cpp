#include "download/download_editors.h"

#include <initializer_list>
#include <utility>

#include "foundation/text.h"

namespace trqx {

namespace {

constexpr ListColumn kMappingColumns[] = {{"Name", 80}, {"Format Type", 100}};
constexpr ListColumn kFixedElementColumns[] = {
    {"Name", 100}, {"Type", 70}, {"Offset", 55}, {"Line #", 55}, {"Length", 55}};
constexpr ListColumn kGridElementColumns[] = {{"Name", 100}, {"Type", 70},   {"Column", 55},
                                              {"Row", 55},   {"Length", 55}, {"UseQuote", 65}};
constexpr ListColumn kFieldColumns[] = {{"Type", 40}, {"Name", 80}, {"Width", 40}};
constexpr ListColumn kTranslationColumns[] = {{"Input Value", 90}, {"Output Value", 90}};

// The labels of the element dialogs' controls, by kind; null where the dialog has none.
struct ElementDialogText {
  const char* m_caption;
  const char* m_yPos;
  const char* m_xPos;
  const char* m_useLength;
  const char* m_quote;
};
constexpr ElementDialogText kElementDialogs[] = {
    {"New Cell", "Row", "Column", "Use Length", "Quote"},
    {"New Column", "Starting Row", "Column", "Use Length", "Quote "},
    {"New File Position", "Line", "Offset", nullptr, nullptr},
    {"New Column", "Starting Row", "Column", nullptr, nullptr},
};

const ElementDialogText& TextOf(CDownLoadElementDlg::Kind kind) {
  return kElementDialogs[static_cast<int>(kind)];
}

std::string Trimmed(std::string_view text) {
  return std::string(TrimCSpace(text));
}

// kTextLineBreak when one of texts holds a line break.
std::optional<std::string> LineBreakIn(std::initializer_list<std::string_view> texts) {
  for (const std::string_view text : texts) {
    if (!StorableText(text)) {
      return kTextLineBreak;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string RangeMessage(std::string_view label, int highest) {
  return "A numeric value from 0 to " + std::to_string(highest) + " must be entered for the \"" +
         std::string(label) + "\" Field";
}

// ---- Download Settings, New DownLoad Mapping ----

std::optional<std::string> CDownloadSettingsDlg::Check() const {
  return LineBreakIn({m_destDir});
}

std::optional<std::string> CNewDownLoadMappingDlg::Check() const {
  return LineBreakIn({Trimmed(m_name)});
}

std::unique_ptr<CDownLoadMapping> CNewDownLoadMappingDlg::Make() const {
  std::unique_ptr<CDownLoadMapping> mapping;
  switch (m_format) {
    case CDownLoadMapping::kFormatComma:
      mapping = std::make_unique<CDownLoadCSVMapping>();
      break;
    case CDownLoadMapping::kFormatTab:
      mapping = std::make_unique<CDownLoadTSVMapping>();
      break;
    case CDownLoadMapping::kFormatFixed:
      mapping = std::make_unique<CDownLoadFixedMapping>();
      break;
    default:
      return nullptr;
  }
  mapping->m_name = Trimmed(m_name);
  return mapping;
}

// ---- Element dialogs ----

CDownLoadElementDlg::Kind CDownLoadElementDlg::KindFor(int formatType, int elementType) {
  const bool column = elementType == CDownLoadElement::kTypeColumn;
  if (formatType == CDownLoadMapping::kFormatFixed) {
    return column ? Kind::kFixedColumn : Kind::kFilePosition;
  }
  return column ? Kind::kGridColumn : Kind::kCell;
}

CDownLoadElementDlg::CDownLoadElementDlg(Kind kind)
    : CDownLoadElementDlg(kind, CDownLoadElement()) {}

CDownLoadElementDlg::CDownLoadElementDlg(Kind kind, const CDownLoadElement& element)
    : m_name(element.m_name),
      m_yPos(std::to_string(element.m_yPos)),
      m_xPos(std::to_string(element.m_xPos)),
      m_length(std::to_string(element.m_length)),
      m_useLength(element.m_useLength),
      m_quoted(element.m_isQuoted),
      m_kind(kind) {}

const char* CDownLoadElementDlg::Caption() const {
  return TextOf(m_kind).m_caption;
}

const char* CDownLoadElementDlg::Label(Field field) const {
  const ElementDialogText& text = TextOf(m_kind);
  switch (field) {
    case Field::kName:
      return "Name";
    case Field::kYPos:
      return text.m_yPos;
    case Field::kXPos:
      return text.m_xPos;
    case Field::kLength:
      return "Length";
    case Field::kUseLength:
      return text.m_useLength;
    case Field::kQuote:
      return text.m_quote;
  }
  return nullptr;
}

std::optional<std::string> CDownLoadElementDlg::Check() const {
  if (auto message = LineBreakIn({m_name})) {
    return message;
  }
  // A stored position or length beyond these would make the whole profile unreadable.
  const struct {
    Field m_field;
    const std::string& m_text;
    int m_highest;
  } numbers[] = {{Field::kYPos, m_yPos, CDownLoadElement::kMaxYPos},
                 {Field::kXPos, m_xPos, CDownLoadElement::kMaxXPos},
                 {Field::kLength, m_length, CDownLoadElement::kMaxLength}};
  for (const auto& number : numbers) {
    const int value = ParseInt(number.m_text);
    if (value < 0 || value > number.m_highest) {
      return RangeMessage(Label(number.m_field), number.m_highest);
    }
  }
  return std::nullopt;
}

void CDownLoadElementDlg::WriteTo(CDownLoadElement& element) const {
  element.m_name = m_name;
  element.m_xPos = ParseInt(m_xPos);
  element.m_yPos = ParseInt(m_yPos);
  element.m_length = ParseInt(m_length);
  element.m_useLength = HasGridChecks() ? m_useLength : true;
  element.m_isQuoted = HasGridChecks() ? m_quoted : false;
}

// ---- DownLoad Mapping ----

CDownLoadMappingDlg::CDownLoadMappingDlg(std::unique_ptr<CDownLoadMapping> copy,
                                         const std::vector<OstraneField>& fields,
                                         DownLoadEditorPrompts& prompts)
    : m_mapping(std::move(copy)), m_fields(fields), m_prompts(prompts) {
  SelectElement(m_mapping->m_elements.empty() ? -1 : 0);
}

std::span<const ListColumn> CDownLoadMappingDlg::ElementColumns() const {
  if (IsFixed()) {
    return kFixedElementColumns;
  }
  return kGridElementColumns;
}

std::vector<std::string> CDownLoadMappingDlg::ElementRow(std::size_t index) const {
  const CDownLoadElement& element = *m_mapping->m_elements.at(index);
  const char* type = element.m_type == CDownLoadElement::kTypeColumn ? "Column"
                     : IsFixed()                                     ? "Position"
                                                                     : "Cell";
  std::vector<std::string> row{element.m_name, type, std::to_string(element.m_xPos),
                               std::to_string(element.m_yPos), std::to_string(element.m_length)};
  if (!IsFixed()) {
    row.emplace_back(element.m_isQuoted ? "Yes" : "No");
  }
  return row;
}

std::span<const ListColumn> CDownLoadMappingDlg::FieldColumns() {
  return kFieldColumns;
}

std::vector<std::string> CDownLoadMappingDlg::FieldRow(std::size_t index) const {
  const OstraneField& field = m_fields.at(index);
  return {DownloadFieldTypeLabel(field.m_type), field.m_name, std::to_string(field.m_width)};
}

std::span<const ListColumn> CDownLoadMappingDlg::TranslationColumns() {
  return kTranslationColumns;
}

const CDownLoadElement* CDownLoadMappingDlg::Selected() const {
  if (m_selected < 0) {
    return nullptr;
  }
  return m_mapping->m_elements[static_cast<std::size_t>(m_selected)].get();
}

CDownLoadElement* CDownLoadMappingDlg::SelectedElementPtr() {
  return const_cast<CDownLoadElement*>(std::as_const(*this).Selected());
}

bool CDownLoadMappingDlg::Enabled(Control control) const {
  const CDownLoadElement* element = Selected();
  switch (control) {
    case Control::kAddPosition:
    case Control::kAddColumn:
      return true;
    case Control::kEditPosition:
      return element != nullptr && element->m_type == CDownLoadElement::kTypeCell;
    case Control::kEditColumn:
      return element != nullptr && element->m_type == CDownLoadElement::kTypeColumn;
    case Control::kDeleteElement:
    case Control::kMapType:
    case Control::kJustify:
      return element != nullptr;
    case Control::kConstant:
      return element != nullptr && element->m_mapType == CDownLoadElement::kMapConstant;
    case Control::kFieldList:
    case Control::kTranslations:
    case Control::kAddTranslation:
    case Control::kDeleteTranslation:
      return element != nullptr && element->m_mapType == CDownLoadElement::kMapField;
  }
  return false;
}

int CDownLoadMappingDlg::MapTypeChoice() const {
  return Selected() ? Selected()->m_mapType : -1;
}

int CDownLoadMappingDlg::JustifyChoice() const {
  return Selected() ? Selected()->m_justify : -1;
}

std::string CDownLoadMappingDlg::ConstantText() const {
  return Selected() ? Selected()->m_constant : std::string();
}

int CDownLoadMappingDlg::SelectedField() const {
  const CDownLoadElement* element = Selected();
  if (element == nullptr || element->m_fieldIndex < 0 ||
      static_cast<std::size_t>(element->m_fieldIndex) >= m_fields.size()) {
    return -1;
  }
  return element->m_fieldIndex;
}

const std::vector<CTranslation>& CDownLoadMappingDlg::Translations() const {
  static const std::vector<CTranslation> kNone;
  return Selected() ? Selected()->m_translations : kNone;
}

void CDownLoadMappingDlg::SelectElement(int index) {
  const bool valid = index >= 0 && static_cast<std::size_t>(index) < ElementCount();
  m_selected = valid ? index : -1;
}

void CDownLoadMappingDlg::OnMapTypeChanged(int choice) {
  CDownLoadElement* element = SelectedElementPtr();
  if (element == nullptr || choice < 0 || choice > CDownLoadElement::kMapExecutionCount) {
    return;
  }
  element->m_mapType = choice;
  if (choice == CDownLoadElement::kMapField && element->m_fieldIndex < 0 && !m_fields.empty()) {
    element->m_fieldIndex = 0;
    element->m_field = m_fields.front();
  }
}

void CDownLoadMappingDlg::OnJustifyChanged(int choice) {
  CDownLoadElement* element = SelectedElementPtr();
  if (element != nullptr &&
      (choice == CDownLoadElement::kJustifyLeft || choice == CDownLoadElement::kJustifyRight)) {
    element->m_justify = choice;
  }
}

void CDownLoadMappingDlg::OnConstantChanged(std::string text) {
  if (CDownLoadElement* element = SelectedElementPtr()) {
    element->m_constant = std::move(text);
  }
}

void CDownLoadMappingDlg::OnFieldSelected(int row) {
  CDownLoadElement* element = SelectedElementPtr();
  if (element == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_fields.size()) {
    return;
  }
  element->m_fieldIndex = row;
  element->m_field = m_fields[static_cast<std::size_t>(row)];
}

bool CDownLoadMappingDlg::OnAddTranslation(CTranslation translation) {
  CDownLoadElement* element = SelectedElementPtr();
  if (element == nullptr) {
    return false;
  }
  element->m_translations.push_back(std::move(translation));
  return true;
}

bool CDownLoadMappingDlg::OnDeleteTranslation(int row) {
  CDownLoadElement* element = SelectedElementPtr();
  if (element == nullptr || row < 0 ||
      static_cast<std::size_t>(row) >= element->m_translations.size()) {
    return false;
  }
  element->m_translations.erase(element->m_translations.begin() + row);
  return true;
}

void CDownLoadMappingDlg::OnRejectUnexecutedChanged(bool checked) {
  m_mapping->m_rejectUnexecutedOrders = checked;
}

CDownLoadElementDlg CDownLoadMappingDlg::NewElementDialog(int elementType) const {
  return CDownLoadElementDlg(CDownLoadElementDlg::KindFor(m_mapping->m_formatType, elementType));
}

std::optional<CDownLoadElementDlg> CDownLoadMappingDlg::EditElementDialog() const {
  const CDownLoadElement* element = Selected();
  if (element == nullptr) {
    return std::nullopt;
  }
  return CDownLoadElementDlg(CDownLoadElementDlg::KindFor(m_mapping->m_formatType, element->m_type),
                             *element);
}

void CDownLoadMappingDlg::OnAddElement(int elementType, const CDownLoadElementDlg& dialog) {
  auto element = std::make_unique<CDownLoadElement>();
  element->m_type = elementType == CDownLoadElement::kTypeColumn ? CDownLoadElement::kTypeColumn
                                                                 : CDownLoadElement::kTypeCell;
  dialog.WriteTo(*element);
  m_mapping->m_elements.push_back(std::move(element));
}

void CDownLoadMappingDlg::OnEditElement(const CDownLoadElementDlg& dialog) {
  if (CDownLoadElement* element = SelectedElementPtr()) {
    dialog.WriteTo(*element);
  }
}

bool CDownLoadMappingDlg::OnDeleteElement() {
  if (m_selected < 0) {
    m_prompts.Beep(kEditorBeepHz, kEditorBeepMs);
    return false;
  }
  if (!m_prompts.AskOkCancel(kConfirmDeleteCaption, kConfirmDeleteText)) {
    return false;
  }
  m_mapping->m_elements.erase(m_mapping->m_elements.begin() + m_selected);
  m_selected = -1;
  return true;
}

std::optional<std::string> CDownLoadMappingDlg::Check() const {
  for (const auto& element : m_mapping->m_elements) {
    if (!StorableText(element->m_constant)) {
      return kTextLineBreak;
    }
  }
  return std::nullopt;
}

// ---- Download Profile ----

CDownLoadProfileDlg::CDownLoadProfileDlg(const CDownLoadProfile& profile,
                                         const std::vector<OstraneField>& fields,
                                         DownLoadEditorPrompts& prompts)
    : m_working(profile), m_fields(fields), m_prompts(prompts) {}

std::span<const ListColumn> CDownLoadProfileDlg::Columns() {
  return kMappingColumns;
}

std::vector<std::string> CDownLoadProfileDlg::Row(std::size_t index) const {
  const CDownLoadMapping& mapping = *m_working.m_mappings.at(index);
  return {mapping.m_name, MappingFormatTypeText(mapping.m_formatType)};
}

bool CDownLoadProfileDlg::IsActiveRow(std::size_t index) const {
  return m_working.m_activeMapping >= 0 &&
         static_cast<std::size_t>(m_working.m_activeMapping) == index;
}

bool CDownLoadProfileDlg::RowSelected(int selected) {
  if (selected >= 0 && static_cast<std::size_t>(selected) < RowCount()) {
    return true;
  }
  m_prompts.Beep(kEditorBeepHz, kEditorBeepMs);
  return false;
}

bool CDownLoadProfileDlg::OnNew(const CNewDownLoadMappingDlg& dialog) {
  std::unique_ptr<CDownLoadMapping> mapping = dialog.Make();
  if (mapping == nullptr) {
    m_prompts.Beep(kEditorBeepHz, kEditorBeepMs);
    return false;
  }
  m_working.m_mappings.push_back(std::move(mapping));
  return true;
}

bool CDownLoadProfileDlg::OnDelete(int selected) {
  if (!RowSelected(selected) || !m_prompts.AskOkCancel(kConfirmDeleteCaption, kConfirmDeleteText)) {
    return false;
  }
  m_working.m_mappings.erase(m_working.m_mappings.begin() + selected);
  if (m_working.m_activeMapping == selected) {
    m_working.m_activeMapping = -1;
  } else if (m_working.m_activeMapping > selected) {
    --m_working.m_activeMapping;
  }
  return true;
}

std::unique_ptr<CDownLoadMappingDlg> CDownLoadProfileDlg::OnConfigure(int selected) {
  if (!RowSelected(selected)) {
    return nullptr;
  }
  return std::make_unique<CDownLoadMappingDlg>(
      m_working.m_mappings[static_cast<std::size_t>(selected)]->Clone(), m_fields, m_prompts);
}

void CDownLoadProfileDlg::OnConfigured(int selected, CDownLoadMappingDlg& dialog) {
  if (selected >= 0 && static_cast<std::size_t>(selected) < RowCount()) {
    m_working.m_mappings[static_cast<std::size_t>(selected)] = dialog.TakeMapping();
  }
}

bool CDownLoadProfileDlg::OnSetActive(int selected) {
  if (!RowSelected(selected)) {
    return false;
  }
  m_working.m_activeMapping = selected;
  return true;
}

}  // namespace trqx
