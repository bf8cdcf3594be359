#pragma once

#include <QDialog>

#include <map>

#include "server/setup_dialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace trqx {

// "Query IP Address": one edit, "IP Address"; what it holds on OK is the typed text.
class QueryIpAddressDialog final : public QDialog {
 public:
  explicit QueryIpAddressDialog(QWidget* parent = nullptr);
  QLineEdit* AddressEdit() const { return m_address; }
  QString Address() const;

 private:
  QLineEdit* m_address = nullptr;
};

// "User Setup" over CUserSetupDlg. OK copies the fields into the live settings it was given
// (the caller saves them); a refused OK says why and keeps the dialog open. GUI thread only.
class UserSetupDialog final : public QDialog {
 public:
  using Field = CUserSetupDlg::Field;

  // settings must outlive the dialog; taskRunning: a server task runs as it opens.
  UserSetupDialog(CUserSettings& settings, bool taskRunning, QWidget* parent = nullptr);

  // Edits of "Port", "Max Users", "Login" and "Password"; null for the other fields.
  QLineEdit* Edit(Field field) const;
  QCheckBox* AcceptUnAuthorizedBox() const { return m_acceptUnAuthorized; }
  QListWidget* ClientList() const { return m_clients; }
  QPushButton* AddButton() const { return m_add; }
  QPushButton* DeleteButton() const { return m_delete; }
  QPushButton* OkButton() const { return m_ok; }

  void accept() override;

 private:
  void AddAddress();
  void DeleteAddress();

  CUserSetupDlg m_logic;
  std::map<Field, QLineEdit*> m_edits;
  QCheckBox* m_acceptUnAuthorized = nullptr;
  QListWidget* m_clients = nullptr;
  QPushButton* m_add = nullptr;
  QPushButton* m_delete = nullptr;
  QPushButton* m_ok = nullptr;
};

// "Upload FTP Settings" over CFTPSettingsDlg. OK copies the fields into the live settings it
// was given (the caller shows the new addresses and saves); a refused OK says why and keeps
// the dialog open. GUI thread only.
class FtpSettingsDialog final : public QDialog {
 public:
  using Field = CFTPSettingsDlg::Field;

  // settings must outlive the dialog; taskRunning: a server task runs as it opens.
  FtpSettingsDialog(FTPPutSettings& settings, bool taskRunning, QWidget* parent = nullptr);

  // The edit of a field; null for "Access Type" and "Infinite Retry".
  QLineEdit* Edit(Field field) const;
  QComboBox* AccessType() const { return m_accessType; }
  QCheckBox* InfiniteRetry() const { return m_infiniteRetry; }
  QPushButton* OkButton() const { return m_ok; }

  void accept() override;

 private:
  CFTPSettingsDlg m_logic;
  std::map<Field, QLineEdit*> m_edits;
  QComboBox* m_accessType = nullptr;
  QCheckBox* m_infiniteRetry = nullptr;
  QPushButton* m_ok = nullptr;
};

}  // namespace trqx
