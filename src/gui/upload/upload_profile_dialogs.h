#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

#include "foundation/file_error.h"
#include "upload/mapping_editor.h"
#include "upload/profile_editor.h"
#include "upload/user_profile.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace trqx {

// The upload profile editor's dialogs over the rules of upload/profile_editor.h and
// upload/mapping_editor.h. Each keeps its working copy in the rules' class; the widgets only
// show it and hand the user's edits over. Controls carry object names for the tests.

// The editor's questions and refusals as message boxes over parent.
class QtEditorPrompts : public EditorPrompts {
 public:
  explicit QtEditorPrompts(QWidget* parent) : m_parent(parent) {}
  bool AskOkCancel(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& text) override;

 private:
  QWidget* m_parent;
};

// "New Mapping". After OK, TakeMapping gives the mapping made.
class NewMappingDialog : public QDialog {
  Q_OBJECT

 public:
  NewMappingDialog(QWidget* parent, const UserProfile& profile);
  void accept() override;
  std::unique_ptr<CMapping> TakeMapping() { return std::move(m_mapping); }

 private:
  void ShowChoice();

  CNewMappingDlg m_logic;
  QListWidget* m_formats;
  QRadioButton* m_choices[3];
  QLabel* m_editLabel;
  QLineEdit* m_edit;
  std::unique_ptr<CMapping> m_mapping;
};

// "Enter Translation:"; outputs are offered in the output edit. After OK, Translation gives
// the pair.
class EnterTranslationDialog : public QDialog {
  Q_OBJECT

 public:
  EnterTranslationDialog(QWidget* parent, const std::vector<std::string>& outputs);
  void accept() override;
  const std::optional<CTranslation>& Translation() const { return m_translation; }

 private:
  QLineEdit* m_input;
  QComboBox* m_output;
  std::optional<CTranslation> m_translation;
};

// "Mapping": the field list and the property sheet of the selected field, on a copy of the
// mapping. After OK, TakeMapping gives the edited copy.
class MappingDialog : public QDialog {
  Q_OBJECT

 public:
  MappingDialog(QWidget* parent, const CMapping& mapping, const UploadEditorOptions& options);
  void accept() override;
  std::unique_ptr<CMapping> TakeMapping() { return std::move(m_mapping); }

 private:
  QWidget* MakePage();
  QWidget* MakeTranslations(QWidget* page);
  void ConnectPage();
  void FillRow(int row);
  // Fills the page from the selected field mapping.
  void ShowPage();
  // Title, visibility and enabling after any change.
  void ShowState();
  void OnApply();
  void OnAddTranslation();
  void FillTranslations();

  CMappingDlg m_logic;
  bool m_loading = false;  // the page is being filled: no change is the user's
  QTreeWidget* m_fields;
  QLineEdit* m_start;
  QTabWidget* m_sheet;
  QWidget* m_page;
  QComboBox* m_mapType;
  QComboBox* m_justify;
  QWidget* m_lengthRow;
  QLineEdit* m_length;
  QComboBox* m_constant;
  QGroupBox* m_filePosition;
  QLabel* m_rowLabel;
  QLineEdit* m_row;
  QLabel* m_offsetLabel;
  QLineEdit* m_offset;
  QGroupBox* m_linePosition;
  QLabel* m_columnLabel;
  QLineEdit* m_column;
  QCheckBox* m_notBlank;
  QCheckBox* m_numeric;
  QCheckBox* m_mkUpper;
  QWidget* m_defaultRow;
  QLineEdit* m_default;
  QCheckBox* m_translate;
  QCheckBox* m_abs;
  QCheckBox* m_x1000;
  QGroupBox* m_translationsGroup;
  QTreeWidget* m_translations;
  QPushButton* m_deleteTranslation;
  QPushButton* m_apply;
  std::unique_ptr<CMapping> m_mapping;
};

// "Profile" on a working copy of profile; OK puts the copy in its place and saves it to path.
class ProfileDialog : public QDialog {
  Q_OBJECT

 public:
  ProfileDialog(QWidget* parent, UserProfile& profile, std::string path,
                UploadEditorOptions options);
  void accept() override;
  // After OK: whether the save succeeded, and its error when not.
  bool Saved() const { return m_saved; }
  const CFileError& Error() const { return m_error; }

 private:
  void FillList(std::optional<std::size_t> select);
  std::optional<std::size_t> SelectedRow() const;
  void ShowButtons();
  void OnAdd();
  void OnDelete();
  void OnConfigure();

  CProfileDlg m_logic;
  std::string m_path;
  UploadEditorOptions m_options;
  QLineEdit* m_uuid;
  QTreeWidget* m_list;
  QPushButton* m_add;
  QPushButton* m_delete;
  QPushButton* m_configure;
  QPushButton* m_setActive;
  QPushButton* m_clearActive;
  bool m_saved = false;
  CFileError m_error;
};

// "Upload" > "Profile": runs "Profile" modally over parent. True when it was cancelled or
// its OK saved the profile to path; false with error filled when that save failed (the
// profile has changed all the same).
bool EditUploadProfile(QWidget* parent, UserProfile& profile, const std::string& path,
                       const UploadEditorOptions& options, CFileError& error);

}  // namespace trqx
