#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "client/trqx_client_dlg.h"
#include "download/download_editors.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace trqx {

// The client's download editors over their logic in download/download_editors.h. Each one is
// modal; the logic holds the working copy, and the caller takes it after exec() returned
// Accepted. Controls carry object names for the tests.

// Beeps, questions and refusals over a parent widget.
class QtDownLoadEditorPrompts final : public DownLoadEditorPrompts {
 public:
  explicit QtDownLoadEditorPrompts(QWidget* parent) : m_parent(parent) {}
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  bool AskOkCancel(const std::string& caption, const std::string& text) override;
  void ShowMessage(const std::string& text) override;

 private:
  QWidget* m_parent;
};

// "Download Settings": the destination folder ("destDir").
class DownloadSettingsDialog final : public QDialog {
 public:
  DownloadSettingsDialog(const std::string& destDir, QWidget* parent = nullptr);
  std::string DestDir() const;
  void accept() override;

 private:
  QLineEdit* m_destDir;
};

// "New DownLoad Mapping": "name" and "format".
class NewDownloadMappingDialog final : public QDialog {
 public:
  explicit NewDownloadMappingDialog(QWidget* parent = nullptr);
  // The entries as the logic takes them.
  CNewDownLoadMappingDlg Entries() const;
  void accept() override;

 private:
  QLineEdit* m_name;
  QComboBox* m_format;
};

// "New Cell", "New Column" and "New File Position": "name", "yPos", "xPos", "length" and, for
// the comma- and tab-separated formats, "useLength" and "quote".
class DownloadElementDialog final : public QDialog {
 public:
  DownloadElementDialog(CDownLoadElementDlg entries, QWidget* parent = nullptr);
  // The entries, as typed once OK was accepted.
  const CDownLoadElementDlg& Entries() const { return m_entries; }
  void accept() override;

 private:
  void Collect();

  CDownLoadElementDlg m_entries;
  QLineEdit* m_name;
  QLineEdit* m_yPos;
  QLineEdit* m_xPos;
  QLineEdit* m_length;
  QCheckBox* m_useLength = nullptr;
  QCheckBox* m_quote = nullptr;
};

// "DownLoad Mapping" over a CDownLoadMappingDlg, which must outlive it.
class DownloadMappingDialog final : public QDialog {
 public:
  DownloadMappingDialog(CDownLoadMappingDlg& logic, QWidget* parent = nullptr);
  void accept() override;

 private:
  void BuildElementPart(QVBoxLayout* layout);
  void BuildMappingPart(QVBoxLayout* layout);
  void FillElements();
  // Shows the selected element in the element-mapping controls, and the enabling.
  void ShowSelected();
  void UpdateEnabling();
  void AddElement(int elementType);
  void EditElement();
  void DeleteElement();
  void AddTranslation();
  void DeleteTranslation();

  CDownLoadMappingDlg& m_logic;
  QTreeWidget* m_elements = nullptr;
  QPushButton* m_addPosition = nullptr;
  QPushButton* m_editPosition = nullptr;
  QPushButton* m_addColumn = nullptr;
  QPushButton* m_editColumn = nullptr;
  QPushButton* m_deleteElement = nullptr;
  QCheckBox* m_reject = nullptr;
  QComboBox* m_mapType = nullptr;
  QComboBox* m_justify = nullptr;
  QLineEdit* m_constant = nullptr;
  QTreeWidget* m_fields = nullptr;
  QTreeWidget* m_translations = nullptr;
  QPushButton* m_addTranslation = nullptr;
  QPushButton* m_deleteTranslation = nullptr;
  bool m_showing = false;  // the controls are being filled: their signals are no edits
};

// "Download Profile" over a copy of profile; fields must outlive it.
class DownloadProfileDialog final : public QDialog {
 public:
  DownloadProfileDialog(const CDownLoadProfile& profile, const std::vector<OstraneField>& fields,
                        QWidget* parent = nullptr);
  // The edited profile, handed over (after Accepted).
  CDownLoadProfile TakeProfile() { return m_logic.TakeProfile(); }

 private:
  void FillList();
  int SelectedRow() const;
  void New();
  void Delete();
  void Configure();
  void SetActive();

  QtDownLoadEditorPrompts m_prompts;
  CDownLoadProfileDlg m_logic;
  QTreeWidget* m_list;
};

// The "&Download" menu's commands: open the editor over the client's data and, on OK, hand
// the result to the client, which saves it.
void OpenDownloadSettings(CTRQXClientDlg& client, QWidget* parent);
void OpenDownloadProfile(CTRQXClientDlg& client, QWidget* parent);

}  // namespace trqx
