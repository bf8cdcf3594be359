#pragma once

#include <QDialog>

#include <map>
#include <span>

#include "settings/settings_dialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace trqx {

// "Advanced Settings" over its logic: OK writes the check box into it, Cancel leaves it.
class AdvancedSettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  AdvancedSettingsDialog(CAdvancedSettingsDlg& logic, QWidget* parent = nullptr);
  void accept() override;

 private:
  CAdvancedSettingsDlg& m_logic;
  QCheckBox* m_convertDots;
};

// "Internal Settings" over its logic, which must outlive the dialog. Every edit goes into
// the logic's working copy at once and the enabling is re-read from it; OK runs the logic's
// checks and stays open with a message box on the first that fails.
class InternalSettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  InternalSettingsDialog(CInternalSettingsDlg& logic, QWidget* parent = nullptr);
  void accept() override;

  // The control of the dialog for the logic's control (tests and screenshots).
  QWidget* Control(SettingsControl control) const { return m_controls.at(control); }

 private:
  QWidget* MakeMethodGroup();
  QWidget* MakeTerminalGroup();
  QWidget* MakePortfolioGroup();
  QWidget* MakeServerGroup();
  QWidget* MakePollGroup();
  // A group holding one drop-down list of choices, its index the value of field.
  QWidget* MakeListGroup(const char* title, SettingsControl control,
                         std::span<const char* const> choices,
                         int CInternalSettingsDlg::Values::*field);
  QLineEdit* AddEdit(SettingsControl control, std::string CInternalSettingsDlg::Values::*field);
  QCheckBox* AddCheck(SettingsControl control, const char* text,
                      bool CInternalSettingsDlg::Values::*field);
  QRadioButton* AddRadio(SettingsControl control, const char* text, bool checked);
  void OpenAdvanced();
  // After a change that moves the portfolio serial number or the enabling.
  void Refresh();

  CInternalSettingsDlg& m_logic;
  std::map<SettingsControl, QWidget*> m_controls;
  QLineEdit* m_serialNumber = nullptr;
};

// Shows "Internal Settings" modally over logic; true when it ended with OK.
bool RunInternalSettingsDialog(CInternalSettingsDlg& logic, QWidget* parent);

}  // namespace trqx
