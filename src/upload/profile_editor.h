#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_error.h"
#include "upload/mapping.h"
#include "upload/user_profile.h"

namespace trqx {

// The rules of the upload profile editor ("Profile" and "New Mapping"); the front-ends draw
// the controls, hand the user's edits to these classes and show what they answer. Nothing
// here touches the live profile before OK.

// What the editor asks of its front-end: a question with OK and Cancel, and a refusal.
class EditorPrompts {
 public:
  virtual ~EditorPrompts() = default;
  // True when the user answered OK.
  virtual bool AskOkCancel(const std::string& caption, const std::string& text) = 0;
  // A refused edit: shows text (the editor stays open).
  virtual void ShowMessage(const std::string& text) = 0;
};

// The caption of the editor's refusals, as the client's own message boxes carry it.
inline constexpr const char* kEditorMessageCaption = "TRQXClient";
// A refused value: the archive writes a record on one line, so a line break cannot be kept.
inline constexpr const char* kTextLineBreak =
    "A line break cannot be stored. Please enter the value on one line.";

// Whether text may be stored as typed: the archive quotes commas and quotes, but a line
// feed or carriage return would not survive a save and load.
bool StorableText(std::string_view text);

// The "File Name" column: the Filename (FileMapType 0), "<*.csv>", "<*.txt>" or "<*.dat>"
// by Format (1), "<*." Filename ">" (2); "" for any other FileMapType or Format.
std::string MappingFileNameText(const CMapping& mapping);
// The "Format Type" column: "Comma Separated", "Tab Separated", "Fixed-Field Text"; "" for
// any other Format.
std::string MappingFormatTypeText(int format);

// The client's value lists (exchange.cfg, ordertype.cfg, reason.cfg) that some pages offer;
// they must outlive the dialogs that show them.
struct ValueLists {
  const std::vector<std::string>* m_exchanges = nullptr;
  const std::vector<std::string>* m_orderTypes = nullptr;
  const std::vector<std::string>* m_reasons = nullptr;
};

// What the editor needs of the client besides the profile.
struct UploadEditorOptions {
  bool m_useUuid = false;  // the client setting "Use UUID Flag"
  ValueLists m_lists;
};

// A deep copy of profile: its members and a copy of each mapping, bound to the same field
// format.
UserProfile CopyProfile(const UserProfile& profile);

// "New Mapping": the format, how the mapping is chosen, and the file name or extension.
class CNewMappingDlg {
 public:
  static constexpr const char* kCaption = "New Mapping";
  static constexpr const char* kFormats[] = {"Comma Separated Format", "Tab Separated Format",
                                             "Fixed Format"};
  static constexpr const char* kMappingGroup = "Mapping";
  static constexpr const char* kChoices[] = {
      "By Specific File", "By Default Extensions (CSV, TXT, DAT)", "By Specific Extensions"};
  static constexpr const char* kTextNoFilename = "Please specify a filename.";
  static constexpr const char* kTextNoExtension = "Please specify an extension.";

  // The mapping gets the profile's field format's upload fields and its convert-dots flag.
  explicit CNewMappingDlg(const UserProfile& profile) : m_profile(profile) {}

  // The edit's label: "Extension" for "By Specific Extensions", else "Filename".
  const char* EditLabel() const;
  // The edit is disabled for "By Default Extensions".
  bool EditEnabled() const { return m_fileMapType != kMapByFormatExtension; }

  // OK: the new mapping, or null after showing why not (the dialog stays open). The typed
  // text is trimmed of white space; an extension also loses its leading dots. "By Default
  // Extensions" ignores the text.
  std::unique_ptr<CMapping> OnOK(EditorPrompts& prompts) const;

  int m_format = kFormatComma;         // position in the "Format" list
  int m_fileMapType = kMapByFileName;  // position of the chosen "Mapping" radio
  std::string m_text;                  // the "Filename" / "Extension" edit

 private:
  const UserProfile& m_profile;
};

// "Profile": the UUID and the list of mappings, on a working copy of the profile.
class CProfileDlg {
 public:
  static constexpr const char* kCaption = "Profile";
  static constexpr const char* kUuidLabel = "UUID";
  static constexpr const char* kMappingsGroup = "Mappings";
  static constexpr const char* kColumns[] = {"File Name", "Format Type"};
  static constexpr const char* kConfirmDeleteCaption = "Confirm Delete";
  static constexpr const char* kConfirmDeleteText = "Press OK if you really want to Delete";

  enum class Button { kAdd, kDelete, kConfigure, kSetActive, kClearActive };

  // profile must outlive the dialog; it changes only in OnOK.
  explicit CProfileDlg(UserProfile& profile);

  // The rows of the "Mappings" list.
  std::size_t RowCount() const { return m_working.MappingCount(); }
  std::string FileNameText(std::size_t row) const;
  std::string FormatTypeText(std::size_t row) const;
  // The working copy's active mapping, or none.
  std::optional<std::size_t> ActiveRow() const;

  // "Add" is always enabled; "Delete", "Configure" and "Set Active" need a selected row;
  // "Clear Active" needs an active mapping.
  bool Enabled(Button button, std::optional<std::size_t> selected) const;

  // OK of "New Mapping": appends the mapping; the new row's index.
  std::size_t AddMapping(std::unique_ptr<CMapping> mapping);
  // "Delete": asks "Confirm Delete"; on OK removes the row (the active index follows the
  // profile's rule: -1 when it was the active one, one lower when it stood after it). False
  // when nothing was removed.
  bool DeleteMapping(std::size_t row, EditorPrompts& prompts);
  // The mapping "Configure" opens a copy of; null when row is out of range.
  const CMapping* MappingAt(std::size_t row) const { return m_working.GetMapping(row); }
  // OK of "Mapping": the edited copy replaces the row's mapping.
  void ReplaceMapping(std::size_t row, std::unique_ptr<CMapping> mapping);
  void SetActive(std::size_t row);
  void ClearActive() { m_working.SetActiveMapping(-1); }

  // OK: the UUID edit (read as a decimal number; text that is no number reads 0) and the
  // working copy replace the live profile, which is then saved to path. False with error
  // filled when the save failed; the live profile has changed either way.
  bool OnOK(const std::string& path, CFileError& error);

  std::string m_uuidText;  // the "UUID" edit
  UserProfile m_working;

 private:
  UserProfile& m_profile;
};

}  // namespace trqx
