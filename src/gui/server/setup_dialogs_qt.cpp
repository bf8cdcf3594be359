#include "gui/server/setup_dialogs_qt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>
#include <string>

namespace trqx {

namespace {

// Wide enough for a host name with its port or a folder path.
constexpr int kEditChars = 40;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QLineEdit* MakeEdit(const std::string& text) {
  auto* edit = new QLineEdit(Q(text));
  edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * kEditChars);
  return edit;
}

// OK and Cancel, wired to the dialog; returns OK.
QPushButton* AddOkCancel(QDialog& dialog, QBoxLayout& layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout.addWidget(buttons);
  return buttons->button(QDialogButtonBox::Ok);
}

// Says why the settings were left alone and returns to the control that holds the value.
void ShowRefusal(QDialog& dialog, const std::string& message, QWidget* control) {
  QMessageBox::warning(&dialog, dialog.windowTitle(), Q(message));
  if (control != nullptr) {
    control->setFocus();
  }
}

}  // namespace

// ---- Query IP Address ----

QueryIpAddressDialog::QueryIpAddressDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(CUserSetupDlg::kQueryCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_address = new QLineEdit;
  m_address->setMinimumWidth(m_address->fontMetrics().averageCharWidth() * 24);
  form->addRow(QString::fromLatin1(CUserSetupDlg::kQueryLabel), m_address);
  layout->addLayout(form);
  AddOkCancel(*this, *layout);
}

QString QueryIpAddressDialog::Address() const {
  return m_address->text();
}

// ---- User Setup ----

UserSetupDialog::UserSetupDialog(CUserSettings& settings, bool taskRunning, QWidget* parent)
    : QDialog(parent), m_logic(settings, taskRunning) {
  setWindowTitle(QString::fromLatin1(CUserSetupDlg::kCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (Field field : {Field::kPort, Field::kMaxUsers, Field::kLogin, Field::kPassword}) {
    QLineEdit* edit = MakeEdit(m_logic.Text(field));
    edit->setEnabled(m_logic.Enabled(field));
    m_edits[field] = edit;
    form->addRow(QString::fromLatin1(CUserSetupDlg::Label(field)), edit);
  }
  QLineEdit* password = m_edits[Field::kPassword];
  password->setEchoMode(QLineEdit::Password);
  password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  layout->addLayout(form);

  m_acceptUnAuthorized =
      new QCheckBox(QString::fromLatin1(CUserSetupDlg::Label(Field::kAcceptUnAuthorizedClients)));
  m_acceptUnAuthorized->setChecked(m_logic.m_working.m_acceptUnAuthorizedClients);
  layout->addWidget(m_acceptUnAuthorized);

  auto* clients =
      new QGroupBox(QString::fromLatin1(CUserSetupDlg::Label(Field::kAuthorizedClients)));
  auto* clientsLayout = new QGridLayout(clients);
  m_clients = new QListWidget;
  for (const std::string& address : m_logic.m_working.m_clientList) {
    m_clients->addItem(Q(address));
  }
  m_add = new QPushButton(tr("Add"));
  m_delete = new QPushButton(tr("Delete"));
  clientsLayout->addWidget(m_clients, 0, 0, 3, 1);
  clientsLayout->addWidget(m_add, 0, 1);
  clientsLayout->addWidget(m_delete, 1, 1);
  clientsLayout->setRowStretch(2, 1);
  connect(m_add, &QPushButton::clicked, this, [this] { AddAddress(); });
  connect(m_delete, &QPushButton::clicked, this, [this] { DeleteAddress(); });
  layout->addWidget(clients, 1);

  m_ok = AddOkCancel(*this, *layout);
}

QLineEdit* UserSetupDialog::Edit(Field field) const {
  const auto found = m_edits.find(field);
  return found == m_edits.end() ? nullptr : found->second;
}

void UserSetupDialog::AddAddress() {
  QueryIpAddressDialog query(this);
  if (query.exec() != QDialog::Accepted) {
    return;
  }
  std::optional<CUserSetupDlg::Refusal> refusal;
  if (m_logic.AddAddress(query.Address().toStdString(), refusal)) {
    m_clients->addItem(Q(m_logic.m_working.m_clientList.back()));
  } else if (refusal) {
    ShowRefusal(*this, refusal->m_message, m_clients);
  }
}

void UserSetupDialog::DeleteAddress() {
  const int row = m_clients->currentRow();
  if (row >= 0 && m_logic.DeleteAddress(static_cast<std::size_t>(row))) {
    delete m_clients->takeItem(row);
  }
}

void UserSetupDialog::accept() {
  for (const auto& [field, edit] : m_edits) {
    m_logic.SetText(field, edit->text().toStdString());
  }
  m_logic.m_working.m_acceptUnAuthorizedClients = m_acceptUnAuthorized->isChecked();
  if (const auto refusal = m_logic.OnOK()) {
    ShowRefusal(*this, refusal->m_message, Edit(refusal->m_field));
    return;
  }
  QDialog::accept();
}

// ---- Upload FTP Settings ----

FtpSettingsDialog::FtpSettingsDialog(FTPPutSettings& settings, bool taskRunning, QWidget* parent)
    : QDialog(parent), m_logic(settings, taskRunning) {
  setWindowTitle(QString::fromLatin1(CFTPSettingsDlg::kCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (Field field : CFTPSettingsDlg::kFields) {
    const QString label = QString::fromLatin1(CFTPSettingsDlg::Label(field));
    QWidget* control = nullptr;
    if (field == Field::kAccessType) {
      m_accessType = new QComboBox;
      for (const char* type : CFTPSettingsDlg::kAccessTypes) {
        m_accessType->addItem(QString::fromLatin1(type));
      }
      m_accessType->setCurrentIndex(m_logic.m_working.m_sessionType);
      control = m_accessType;
    } else if (field == Field::kInfiniteRetry) {
      m_infiniteRetry = new QCheckBox(label);
      m_infiniteRetry->setChecked(m_logic.m_working.m_infiniteRetry);
      control = m_infiniteRetry;
    } else {
      QLineEdit* edit = MakeEdit(m_logic.Text(field));
      edit->setReadOnly(CFTPSettingsDlg::ReadOnly(field));
      m_edits[field] = edit;
      control = edit;
    }
    control->setEnabled(m_logic.Enabled(field));
    if (field == Field::kInfiniteRetry) {
      form->addRow(QString(), control);  // the check box carries its own label
    } else {
      form->addRow(label, control);
    }
  }
  layout->addLayout(form);
  m_ok = AddOkCancel(*this, *layout);
}

QLineEdit* FtpSettingsDialog::Edit(Field field) const {
  const auto found = m_edits.find(field);
  return found == m_edits.end() ? nullptr : found->second;
}

void FtpSettingsDialog::accept() {
  for (const auto& [field, edit] : m_edits) {
    m_logic.SetText(field, edit->text().toStdString());
  }
  // A type the list does not hold (from a hand-made file) stays as it was.
  if (m_accessType->currentIndex() >= 0) {
    m_logic.m_working.m_sessionType = m_accessType->currentIndex();
  }
  m_logic.m_working.m_infiniteRetry = m_infiniteRetry->isChecked();
  if (const auto refusal = m_logic.OnOK()) {
    ShowRefusal(*this, refusal->m_message, Edit(refusal->m_field));
    return;
  }
  QDialog::accept();
}

}  // namespace trqx
