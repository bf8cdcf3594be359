#include "upload/profile_editor.h"

#include <utility>

#include "foundation/archive.h"
#include "foundation/text.h"
#include "upload/fixed_mapping.h"
#include "upload/grid_mapping.h"

namespace trqx {

namespace {

// The default extension and the "Format Type" text of each Format.
struct FormatTexts {
  const char* m_extension;
  const char* m_formatType;
};
constexpr FormatTexts kFormatTexts[] = {
    {"csv", "Comma Separated"},
    {"txt", "Tab Separated"},
    {"dat", "Fixed-Field Text"},
};

const FormatTexts* TextsOf(int format) {
  if (format < 0 || format >= static_cast<int>(std::size(kFormatTexts))) {
    return nullptr;
  }
  return &kFormatTexts[format];
}

}  // namespace

bool StorableText(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

std::string MappingFileNameText(const CMapping& mapping) {
  switch (mapping.m_fileMapType) {
    case kMapByFileName:
      return mapping.m_filename;
    case kMapByFormatExtension: {
      const FormatTexts* texts = TextsOf(mapping.m_format);
      return texts == nullptr ? std::string() : std::string("<*.") + texts->m_extension + ">";
    }
    case kMapByGivenExtension:
      return "<*." + mapping.m_filename + ">";
    default:
      return {};
  }
}

std::string MappingFormatTypeText(int format) {
  const FormatTexts* texts = TextsOf(format);
  return texts == nullptr ? std::string() : texts->m_formatType;
}

UserProfile CopyProfile(const UserProfile& profile) {
  UserProfile copy(profile.FieldFormat(), profile.m_convertDots);
  copy.m_activeMapping = profile.m_activeMapping;
  copy.m_uuid = profile.m_uuid;
  copy.m_timeDate = profile.m_timeDate;
  copy.m_name = profile.m_name;
  copy.m_isEnabled = profile.m_isEnabled;
  copy.m_priceNo = profile.m_priceNo;
  copy.m_dirName = profile.m_dirName;
  for (std::size_t i = 0; i < profile.MappingCount(); ++i) {
    copy.AddMapping(profile.GetMapping(i)->Clone());
  }
  return copy;
}

const char* CNewMappingDlg::EditLabel() const {
  return m_fileMapType == kMapByGivenExtension ? "Extension" : "Filename";
}

std::unique_ptr<CMapping> CNewMappingDlg::OnOK(EditorPrompts& prompts) const {
  std::string_view text = TrimCSpace(m_text);
  if (m_fileMapType == kMapByGivenExtension) {
    text = TrimLeftIf(text, [](char c) { return c == '.'; });
  }
  if (m_fileMapType == kMapByFormatExtension) {
    text = {};
  } else if (text.empty()) {
    prompts.ShowMessage(m_fileMapType == kMapByFileName ? kTextNoFilename : kTextNoExtension);
    return nullptr;
  } else if (!StorableText(text)) {
    prompts.ShowMessage(kTextLineBreak);
    return nullptr;
  }
  const std::vector<OstraneField>& fields = m_profile.FieldFormat().UploadFields();
  std::unique_ptr<CMapping> mapping;
  if (m_format == kFormatFixed) {
    mapping = std::make_unique<CFixedMapping>(m_profile.m_convertDots, fields);
  } else {
    const int format = m_format == kFormatTab ? kFormatTab : kFormatComma;
    mapping = std::make_unique<CGridMapping>(format, m_profile.m_convertDots, fields);
  }
  mapping->m_fileMapType = m_fileMapType;
  mapping->m_filename = std::string(text);
  return mapping;
}

CProfileDlg::CProfileDlg(UserProfile& profile)
    : m_uuidText(std::to_string(profile.m_uuid)),
      m_working(CopyProfile(profile)),
      m_profile(profile) {}

std::string CProfileDlg::FileNameText(std::size_t row) const {
  const CMapping* mapping = m_working.GetMapping(row);
  return mapping == nullptr ? std::string() : MappingFileNameText(*mapping);
}

std::string CProfileDlg::FormatTypeText(std::size_t row) const {
  const CMapping* mapping = m_working.GetMapping(row);
  return mapping == nullptr ? std::string() : MappingFormatTypeText(mapping->m_format);
}

std::optional<std::size_t> CProfileDlg::ActiveRow() const {
  int active = -1;
  if (!m_working.GetActiveMapping(active) ||
      static_cast<std::size_t>(active) >= m_working.MappingCount()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(active);
}

bool CProfileDlg::Enabled(Button button, std::optional<std::size_t> selected) const {
  const bool rowSelected = selected.has_value() && *selected < m_working.MappingCount();
  switch (button) {
    case Button::kAdd:
      return true;
    case Button::kDelete:
    case Button::kConfigure:
    case Button::kSetActive:
      return rowSelected;
    case Button::kClearActive:
      return ActiveRow().has_value();
  }
  return false;
}

std::size_t CProfileDlg::AddMapping(std::unique_ptr<CMapping> mapping) {
  m_working.AddMapping(std::move(mapping));
  return m_working.MappingCount() - 1;
}

bool CProfileDlg::DeleteMapping(std::size_t row, EditorPrompts& prompts) {
  if (row >= m_working.MappingCount() ||
      !prompts.AskOkCancel(kConfirmDeleteCaption, kConfirmDeleteText)) {
    return false;
  }
  m_working.RemoveMapping(row);
  return true;
}

void CProfileDlg::ReplaceMapping(std::size_t row, std::unique_ptr<CMapping> mapping) {
  m_working.ReplaceMapping(row, std::move(mapping));
}

void CProfileDlg::SetActive(std::size_t row) {
  if (row < m_working.MappingCount()) {
    m_working.SetActiveMapping(static_cast<int>(row));
  }
}

bool CProfileDlg::OnOK(const std::string& path, CFileError& error) {
  m_working.m_uuid = ParseUInt(m_uuidText);
  m_profile = CopyProfile(m_working);
  return m_profile.SaveFile(path, error);
}

}  // namespace trqx
