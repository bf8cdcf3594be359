#include "upload/mapping_editor.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <utility>

#include "foundation/archive.h"
#include "foundation/text.h"
#include "upload/text_rules.h"

namespace trqx {

namespace {

using CS = ConstantSource;

// One row per FieldPage, in its order.
const FieldPageInfo kPages[] = {
    {"CUploadFieldMapSheet", CMappingDlg::kNoSelectionTitle, 0, true},
    {"CUploadHdrFieldMapPage", "Hdr Field Mapping Specifiers", 2, true},
    {"CUploadDataFieldMapPage", "Data Field Mapping Specifiers", 3, false},
    {"CUploadCSFieldMapPage",
     "Cusip/Sedol/Isin Code Field Mapping Specifiers",
     3,
     false,
     CS::kFixedList,
     {"C", "S", "I"}},
    {"CUploadSideFieldMapPage",
     "Side Field Mapping Specifier",
     3,
     false,
     CS::kFixedList,
     {"BS", "SS", "B", "S"},
     ValueList::kNone,
     true},
    {"CUploadAmountFieldMapPage",
     "Amount Field Mapping Specifier",
     3,
     false,
     CS::kEdit,
     {},
     ValueList::kNone,
     false,
     true},
    {"CUploadLimitFieldMapPage", "Limit Field Mapping Specifiers", 3, false},
    {"CUploadExchangeFieldMapPage",
     "Exchange Field Mapping Specifier",
     3,
     false,
     CS::kValueList,
     {},
     ValueList::kExchanges},
    {"CUploadOrderTypeFieldMapPage",
     "OrderType Field Mapping Specifier",
     4,
     false,
     CS::kValueList,
     {},
     ValueList::kOrderTypes},
    {"CUploadCusipFieldMapPage", "CUSIP Field Mapping Specifiers", 3, false},
    {"CUploadBasketIDFieldMapPage", "Basket ID Field Mapping Specifiers", 2, true},
    {"CUploadTIFFieldMapPage",
     "Time in Force Field Mapping Specifiers",
     3,
     false,
     CS::kFixedList,
     {"DAY", "GTC", "GTD", "IOC", "FOK", "OPG", "ATC"}},
    {"CUploadCacheHdrFieldMapPage", "Cacheable Hdr Field Mapping Specifier", 2, true},
    {"CUploadCacheDataFieldMapPage", "Cacheable Data Field Mapping Specifiers", 3, false},
    {"CUploadReasonFieldMapPage",
     "Reason Code Field Mapping Specifiers",
     3,
     false,
     CS::kValueList,
     {},
     ValueList::kReasons},
    {"CUploadExecQtyFieldMapPage",
     "Exec Quantity Field Mapping Specifier",
     3,
     false,
     CS::kEdit,
     {},
     ValueList::kNone,
     false,
     true},
    // The three pages below show under the data page's title.
    {"CUploadExecPriceFieldMapPage", "Data Field Mapping Specifiers", 3, false},
    {"CUploadExecTimeFieldMapPage", "Data Field Mapping Specifiers", 3, false},
    {"CUploadExecYellowFieldMapPage", "Data Field Mapping Specifiers", 3, false},
};

// The "Map Type" list entries; the grid names positions by cell and column.
constexpr const char* kFixedMapTypes[] = {"Constant", "Map To File Position",
                                          "Map To Line Position", "Map To Auto MKT/LMT"};
constexpr const char* kGridMapTypes[] = {"Constant", "Map To Cell", "Map To Col",
                                         "Map To Auto MKT/LMT"};

// OK's messages; %s is the field's name in the message.
constexpr const char* kTextSelectConstant =
    "A non-blank value must be selected for the \"%s\" Field when 'Constant' is selected for "
    "the Map Type.\n(Be sure to 'Apply' the change)";
constexpr const char* kTextGridUuid =
    "A non-zero positive numeric value must be entered for the \"UUID\" Field when 'Constant' "
    "is selected for the Map Type.\n(Be sure to 'Apply' the change)";
constexpr const char* kTextFixedUuid =
    "A non-zero positive numeric value must be entered  for the \"UUID\" Field when "
    "'Constant' is selected for the Map Type.\n(Be sure to 'Apply' the change)";

// The Types whose constant must be chosen, and the name their message gives.
struct RequiredConstant {
  int m_type;
  const char* m_name;
};
constexpr RequiredConstant kRequiredConstants[] = {
    {kTypeDataCsi, "Cusip/Sedol/Isin Code"},
    {kTypeDataExchange, "Exchange"},
    {kTypeDataOrderType, "Order Type"},
    {kTypeDataSide, "Side"},
};

std::string WithName(const char* text, const char* name) {
  std::string message(text);
  const std::size_t at = message.find("%s");
  message.replace(at, 2, name);
  return message;
}

// The C library's 64-bit reading: white space, one sign, the leading digits (saturated).
std::int64_t LeadingInt64(std::string_view text) {
  text = TrimLeftIf(text, IsCSpace);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) {
      break;
    }
    const int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

// The UUID constant check: not empty, numeric, and a number above 0.
bool PositiveUuid(const std::string& constant) {
  return !constant.empty() && IsNumericText(constant) && LeadingInt64(constant) > 0;
}

const std::vector<std::string>* ListOf(const ValueLists& lists, ValueList which) {
  switch (which) {
    case ValueList::kExchanges:
      return lists.m_exchanges;
    case ValueList::kOrderTypes:
      return lists.m_orderTypes;
    case ValueList::kReasons:
      return lists.m_reasons;
    case ValueList::kNone:
      break;
  }
  return nullptr;
}

template <class FieldMapT>
std::vector<std::string> RowTextsOf(const FieldMapT& field) {
  return {FieldTypeLabel(field.m_field.m_type), field.m_field.m_name,
          std::to_string(field.m_field.m_width), MapTypeText(field)};
}

}  // namespace

FieldPage PageOfType(int type) {
  switch (type) {
    case kTypeHdrFixed:
    case kTypeHdr:
    case kTypeHdrUuid:
    case kTypeHdrDelimiter:
      return FieldPage::kHdr;
    case kTypeDataSide:
      return FieldPage::kSide;
    case kTypeDataAmount:
      return FieldPage::kAmount;
    case kTypeDataLimit:
      return FieldPage::kLimit;
    case kTypeDataExchange:
      return FieldPage::kExchange;
    case kTypeDataOrderType:
      return FieldPage::kOrderType;
    case kTypeDataCusip:
      return FieldPage::kCusip;
    case kTypeHdrBasketId:
      return FieldPage::kBasketId;
    case kTypeHdrCacheable:
      return FieldPage::kCacheHdr;
    case kTypeDataCacheable:
      return FieldPage::kCacheData;
    case kTypeDataCsi:
      return FieldPage::kCodeType;
    case kTypeDataTif:
      return FieldPage::kTif;
    case kTypeDataReason:
      return FieldPage::kReason;
    case kTypeExecQuantity:
      return FieldPage::kExecQuantity;
    case kTypeExecPrice:
      return FieldPage::kExecPrice;
    case kTypeExecAsOfTime:
      return FieldPage::kExecTime;
    case kTypeExecYellowKey:
      return FieldPage::kExecYellow;
    default:
      return FieldPage::kData;
  }
}

const FieldPageInfo& PageInfo(FieldPage page) {
  return kPages[static_cast<std::size_t>(page)];
}

std::string MapTypeText(const CFieldGridMap& field) {
  switch (field.m_mapType) {
    case kMapCell:
      return "Cell: Row " + std::to_string(field.m_tableRow) + ", Col " +
             std::to_string(field.m_tableCol);
    case kMapColumn:
      return "Col: " + std::to_string(field.m_fixedCol);
    case kMapAutoOrderType:
      return "Auto MKT/LMT";
    default:
      return "Const: " + field.m_constant;
  }
}

std::string MapTypeText(const CFieldFixedMap& field) {
  switch (field.m_mapType) {
    case kMapCell:
      return "Line: " + std::to_string(field.m_line);
    case kMapColumn:
      return "Offset: " + std::to_string(field.m_fixedLineOffset);
    case kMapAutoOrderType:
      return "Auto MKT/LMT";
    default:
      return "Const: " + field.m_constant;
  }
}

std::vector<std::string> FieldRowTexts(const CMapping& mapping, std::size_t field) {
  if (const auto* grid = dynamic_cast<const CGridMapping*>(&mapping)) {
    if (field < grid->m_fields.size()) {
      return RowTextsOf(grid->m_fields[field]);
    }
  } else if (const auto* fixed = dynamic_cast<const CFixedMapping*>(&mapping)) {
    if (field < fixed->m_fields.size()) {
      return RowTextsOf(fixed->m_fields[field]);
    }
  }
  return {};
}

std::optional<CTranslation> CEnterTranslationDlg::OnOK(EditorPrompts& prompts) const {
  CTranslation translation;
  translation.m_input = std::string(TrimCSpace(m_input));
  translation.m_output = std::string(TrimCSpace(m_output));
  if (!StorableText(translation.m_input) || !StorableText(translation.m_output)) {
    prompts.ShowMessage(kTextLineBreak);
    return std::nullopt;
  }
  return translation;
}

CMappingDlg::CMappingDlg(const CMapping& mapping, bool useUuid, ValueLists lists)
    : m_mapping(mapping.Clone()),
      m_grid(dynamic_cast<CGridMapping*>(m_mapping.get())),
      m_fixed(dynamic_cast<CFixedMapping*>(m_mapping.get())),
      m_useUuid(useUuid),
      m_lists(lists) {
  m_startText = std::to_string(m_fixed != nullptr  ? m_fixed->m_startLine
                               : m_grid != nullptr ? m_grid->m_startRow
                                                   : 0);
}

FieldMap* CMappingDlg::SelectedFieldMap() const {
  if (!m_selected) {
    return nullptr;
  }
  if (m_grid != nullptr && *m_selected < m_grid->m_fields.size()) {
    return &m_grid->m_fields[*m_selected];
  }
  if (m_fixed != nullptr && *m_selected < m_fixed->m_fields.size()) {
    return &m_fixed->m_fields[*m_selected];
  }
  return nullptr;
}

void CMappingDlg::Select(std::optional<std::size_t> row) {
  m_selected = row;
  const FieldMap* field = SelectedFieldMap();
  if (field == nullptr) {
    m_selected.reset();
  }
  m_page = field == nullptr ? FieldPage::kNoSelection : PageOfType(field->m_field.m_type);
  LoadControls();
  m_modified = false;
}

void CMappingDlg::LoadControls() {
  m_controls = {};
  const FieldMap* field = SelectedFieldMap();
  if (field == nullptr) {
    return;
  }
  m_controls.m_justify = field->m_justify == kJustifyLeft ? 0 : 1;
  m_controls.m_notBlank = field->m_notBlank;
  m_controls.m_numeric = field->m_numeric;
  m_controls.m_mkUpper = field->m_mkUpper;
  m_controls.m_default = field->m_default;
  m_controls.m_translate = field->m_translate;
  m_controls.m_abs = field->m_abs;
  m_controls.m_x1000 = field->m_x1000;
  m_controls.m_translations = field->m_translations;
  if (m_grid != nullptr) {
    const CFieldGridMap& grid = m_grid->m_fields[*m_selected];
    m_controls.m_mapType = grid.m_mapType;
    m_controls.m_constant = grid.m_constant;
    m_controls.m_row = std::to_string(grid.m_tableRow);
    m_controls.m_offset = std::to_string(grid.m_tableCol);
    m_controls.m_column = std::to_string(grid.m_fixedCol);
  } else {
    const CFieldFixedMap& fixed = m_fixed->m_fields[*m_selected];
    m_controls.m_mapType = fixed.m_mapType;
    m_controls.m_constant = fixed.m_constant;
    m_controls.m_length = std::to_string(fixed.m_length);
    m_controls.m_row = std::to_string(fixed.m_line);
    m_controls.m_offset = std::to_string(fixed.m_lineOffset);
    m_controls.m_column = std::to_string(fixed.m_fixedLineOffset);
  }
}

std::string CMappingDlg::Title() const {
  std::string title = PageInfo(m_page).m_title;
  if (m_modified) {
    title += kModifiedSuffix;
  }
  return title;
}

std::vector<std::string> CMappingDlg::MapTypeChoices() const {
  const auto& names = IsFixed() ? kFixedMapTypes : kGridMapTypes;
  return {std::begin(names), std::begin(names) + PageInfo(m_page).m_mapTypeCount};
}

std::vector<std::string> CMappingDlg::ConstantChoices() const {
  const FieldPageInfo& info = PageInfo(m_page);
  if (info.m_constantSource == ConstantSource::kValueList) {
    return TranslationOutputs();
  }
  return {info.m_constantChoices.begin(), info.m_constantChoices.end()};
}

std::vector<std::string> CMappingDlg::TranslationOutputs() const {
  const std::vector<std::string>* list = ListOf(m_lists, PageInfo(m_page).m_valueList);
  return list == nullptr ? std::vector<std::string>() : *list;
}

std::vector<std::string> CMappingDlg::PositionLabels() const {
  if (!IsFixed()) {
    return {" Row", "   Col", ""};
  }
  return {m_page == FieldPage::kHdr ? "Start Line #" : "Line #", "Offset", "Offset"};
}

const char* CMappingDlg::FilePositionGroup() const {
  return IsFixed() ? "Mapped To File Position" : "Mapped To Cell";
}

const char* CMappingDlg::LinePositionGroup() const {
  return IsFixed() ? "Mapped To Line Position" : "Mapped To Col";
}

bool CMappingDlg::Shown(Control control) const {
  const FieldPageInfo& info = PageInfo(m_page);
  if (m_page == FieldPage::kNoSelection) {
    return false;
  }
  switch (control) {
    case Control::kLength:
      return IsFixed();
    case Control::kLinePosition:
      return info.m_mapTypeCount > kMapColumn;
    case Control::kNotBlank:
    case Control::kNumeric:
    case Control::kMkUpper:
    case Control::kDefault:
    case Control::kTranslations:
      return !info.m_header;
    case Control::kTranslate:
      return info.m_translateToBS;
    case Control::kAbs:
    case Control::kX1000:
      return info.m_signAndScale;
    default:
      return true;
  }
}

bool CMappingDlg::Enabled(Control control) const {
  if (!Shown(control)) {
    return false;
  }
  const int mapType = m_controls.m_mapType;
  switch (control) {
    case Control::kConstant:
      return mapType == kMapConstant;
    case Control::kFilePosition:
      return mapType == kMapCell;
    case Control::kLinePosition:
      return mapType == kMapColumn;
    case Control::kTranslations:
      return mapType == kMapCell || mapType == kMapColumn;
    case Control::kApply:
      return m_modified;
    default:
      return true;
  }
}

FieldPageControls& CMappingDlg::Edit() {
  if (m_page != FieldPage::kNoSelection) {
    m_modified = true;
  }
  return m_controls;
}

void CMappingDlg::AddTranslation(const CTranslation& translation) {
  Edit().m_translations.push_back(translation);
}

bool CMappingDlg::DeleteTranslation(std::size_t index) {
  if (index >= m_controls.m_translations.size()) {
    return false;
  }
  auto& translations = Edit().m_translations;
  translations.erase(translations.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

bool CMappingDlg::Apply(EditorPrompts& prompts) {
  FieldMap* field = SelectedFieldMap();
  if (field == nullptr) {
    return false;
  }
  if (!StorableText(m_controls.m_constant) || !StorableText(m_controls.m_default)) {
    prompts.ShowMessage(kTextLineBreak);
    return false;
  }
  const int mapType = m_controls.m_mapType;
  field->m_justify = m_controls.m_justify == 0 ? kJustifyLeft : kJustifyRight;
  field->m_notBlank = m_controls.m_notBlank;
  field->m_numeric = m_controls.m_numeric;
  field->m_mkUpper = m_controls.m_mkUpper;
  field->m_default = m_controls.m_default;
  field->m_translate = m_controls.m_translate;
  field->m_abs = m_controls.m_abs;
  field->m_x1000 = m_controls.m_x1000;
  field->m_translations = m_controls.m_translations;
  field->m_makeMktOrLmt = mapType == kMapAutoOrderType;
  if (m_grid != nullptr) {
    CFieldGridMap& grid = m_grid->m_fields[*m_selected];
    grid.m_mapType = mapType;
    grid.m_constant = m_controls.m_constant;
    grid.m_tableRow = ParseInt(m_controls.m_row);
    grid.m_tableCol = ParseInt(m_controls.m_offset);
    grid.m_fixedCol = ParseInt(m_controls.m_column);
  } else {
    CFieldFixedMap& fixed = m_fixed->m_fields[*m_selected];
    fixed.m_mapType = mapType;
    fixed.m_constant = m_controls.m_constant;
    fixed.m_length = ParseInt(m_controls.m_length);
    fixed.m_line = ParseInt(m_controls.m_row);
    fixed.m_lineOffset = ParseInt(m_controls.m_offset);
    fixed.m_fixedLineOffset = ParseInt(m_controls.m_column);
  }
  LoadControls();  // the numbers as stored
  m_modified = false;
  return true;
}

std::string CMappingDlg::CheckField(std::size_t row) const {
  int type = 0;
  int mapType = kMapConstant;
  std::string constant;
  if (m_grid != nullptr) {
    const CFieldGridMap& field = m_grid->m_fields[row];
    type = field.m_field.m_type;
    mapType = field.m_mapType;
    constant = field.m_constant;
  } else {
    const CFieldFixedMap& field = m_fixed->m_fields[row];
    type = field.m_field.m_type;
    mapType = field.m_mapType;
    constant = field.m_constant;
  }
  if (mapType != kMapConstant) {
    return {};
  }
  for (const RequiredConstant& required : kRequiredConstants) {
    if (type == required.m_type && constant.empty()) {
      return WithName(kTextSelectConstant, required.m_name);
    }
  }
  if (type == kTypeHdrUuid && m_useUuid && !PositiveUuid(constant)) {
    return IsFixed() ? kTextFixedUuid : kTextGridUuid;
  }
  return {};
}

bool CMappingDlg::OnOK(EditorPrompts& prompts) {
  if (m_mapping == nullptr) {
    return false;
  }
  for (std::size_t row = 0; row < RowCount(); ++row) {
    const std::string message = CheckField(row);
    if (!message.empty()) {
      prompts.ShowMessage(message);
      return false;
    }
  }
  const int start = ParseInt(m_startText);
  if (m_grid != nullptr) {
    m_grid->m_startRow = start;
  } else if (m_fixed != nullptr) {
    m_fixed->m_startLine = start;
  }
  return true;
}

}  // namespace trqx
