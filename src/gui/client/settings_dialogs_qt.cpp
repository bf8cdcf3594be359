#include "gui/client/settings_dialogs_qt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/client/client_window.h"

namespace trqx {

namespace {

using enum SettingsControl;
using Values = CInternalSettingsDlg::Values;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

QString ControlName(SettingsControl control) {
  return QStringLiteral("control%1").arg(static_cast<int>(control));
}

}  // namespace

// ---- Advanced Settings ----

AdvancedSettingsDialog::AdvancedSettingsDialog(CAdvancedSettingsDlg& logic, QWidget* parent)
    : QDialog(parent),
      m_logic(logic),
      m_convertDots(new QCheckBox(Q(CAdvancedSettingsDlg::kConvertDotsLabel), this)) {
  setWindowTitle(Q(CAdvancedSettingsDlg::kCaption));
  m_convertDots->setObjectName("convertDots");
  m_convertDots->setChecked(logic.m_convertDotsToSlashes);
  auto* note = new QLabel(Q(CAdvancedSettingsDlg::kNote), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_convertDots);
  layout->addWidget(note);
  layout->addWidget(buttons);
}

void AdvancedSettingsDialog::accept() {
  m_logic.m_convertDotsToSlashes = m_convertDots->isChecked();
  QDialog::accept();
}

// ---- Internal Settings ----

InternalSettingsDialog::InternalSettingsDialog(CInternalSettingsDlg& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic) {
  setWindowTitle(Q(CInternalSettingsDlg::kCaption));
  auto* autoIncrement =
      AddCheck(kAutoIncrement, "Auto-Increment Basket ID", &Values::m_autoIncrement);
  auto* advanced = new QPushButton(tr("Advanced"), this);
  m_controls[kAdvanced] = advanced;
  connect(advanced, &QPushButton::clicked, this, &InternalSettingsDialog::OpenAdvanced);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(MakeMethodGroup());
  left->addWidget(MakeTerminalGroup());
  left->addWidget(MakePortfolioGroup());
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(MakeServerGroup());
  right->addWidget(autoIncrement);
  right->addWidget(MakeListGroup("Append UUID/Login ", kAppendUuidLogin,
                                 CInternalSettingsDlg::kAppendChoices, &Values::m_appendUuidLogin));
  right->addWidget(MakePollGroup());
  right->addWidget(MakeListGroup("Excel File Format Conv. ", kExcelFormat,
                                 CInternalSettingsDlg::kExcelFormats, &Values::m_excelFileFormat));
  right->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(advanced);
  bottom->addStretch();
  bottom->addWidget(buttons);
  auto* grid = new QGridLayout(this);
  grid->addLayout(left, 0, 0);
  grid->addLayout(right, 0, 1);
  grid->addLayout(bottom, 1, 0, 1, 2);

  // The terminal login and the server password are bound but never shown.
  for (const auto& [control, widget] : m_controls) {
    if (CInternalSettingsDlg::IsHidden(control)) {
      widget->hide();
    }
  }
  Refresh();
}

QLineEdit* InternalSettingsDialog::AddEdit(SettingsControl control, std::string Values::*field) {
  auto* edit = new QLineEdit(Q(m_logic.Get().*field), this);
  edit->setObjectName(ControlName(control));
  connect(edit, &QLineEdit::textEdited, this,
          [this, field](const QString& text) { m_logic.Edit().*field = text.toStdString(); });
  m_controls[control] = edit;
  return edit;
}

QCheckBox* InternalSettingsDialog::AddCheck(SettingsControl control, const char* text,
                                            bool Values::*field) {
  auto* check = new QCheckBox(Q(text), this);
  check->setObjectName(ControlName(control));
  check->setChecked(m_logic.Get().*field);
  connect(check, &QCheckBox::toggled, this, [this, field](bool on) {
    m_logic.Edit().*field = on;
    Refresh();
  });
  m_controls[control] = check;
  return check;
}

QRadioButton* InternalSettingsDialog::AddRadio(SettingsControl control, const char* text,
                                               bool checked) {
  auto* radio = new QRadioButton(Q(text), this);
  radio->setObjectName(ControlName(control));
  radio->setChecked(checked);
  m_controls[control] = radio;
  return radio;
}

QWidget* InternalSettingsDialog::MakeMethodGroup() {
  auto* group = new QGroupBox(tr("Upload Transfer Method"), this);
  const bool terminal = m_logic.Get().m_uploadMethod == kUploadTerminal;
  auto* openNorvane = AddRadio(kMethodTerminal, "Open Norvane Upload", terminal);
  auto* clientServer = AddRadio(kMethodClientServer, "Client/Server Upload",
                                m_logic.Get().m_uploadMethod == kUploadClientServer);
  auto* methods = new QButtonGroup(group);
  methods->addButton(openNorvane, kUploadTerminal);
  methods->addButton(clientServer, kUploadClientServer);
  connect(methods, &QButtonGroup::idClicked, this, [this](int method) {
    m_logic.SetUploadMethod(method);
    Refresh();
  });
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(openNorvane);
  layout->addWidget(clientServer);
  return group;
}

QWidget* InternalSettingsDialog::MakeTerminalGroup() {
  auto* group = new QGroupBox(tr("Open Norvane Parameters"), this);
  auto* form = new QFormLayout(group);
  form->addRow(tr("Copy Directory(Full PathName)"), AddEdit(kCopyDir, &Values::m_copyDir));
  form->addRow(tr("Open Norvane Profile Name"), AddEdit(kProfileName, &Values::m_profileName));
  form->addRow(tr("Open N.V. Invoke Timeout"), AddEdit(kInvokeTimeout, &Values::m_invokeTimeout));
  form->addRow(tr("Open N.V. Invoke Directory"), AddEdit(kInvokePath, &Values::m_invokePath));
  form->addRow(tr("Open N.V. Invoke Name"), AddEdit(kInvokeName, &Values::m_invokeName));
  auto* uuidRow = new QHBoxLayout;
  QLineEdit* uuid = AddEdit(kUuid, &Values::m_uuid);
  // Room for the ten digits of the largest UUID.
  uuid->setMinimumWidth(uuid->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")));
  uuidRow->addWidget(uuid, 1);
  uuidRow->addWidget(AddCheck(kUseUuid, "Use Mapping UUID", &Values::m_useUuid));
  form->addRow(tr("UUID"), uuidRow);
  AddEdit(kUsername, &Values::m_username);
  AddEdit(kPassword, &Values::m_password)->setEchoMode(QLineEdit::Password);
  AddCheck(kUseLogin, "Use login parameters to Open Norvane", &Values::m_useLogin);
  AddCheck(kBetaAccount, "Beta Account", &Values::m_betaAccount);
  return group;
}

QWidget* InternalSettingsDialog::MakePortfolioGroup() {
  auto* group = new QGroupBox(tr("Portfolio Parameters"), this);
  auto* form = new QFormLayout(group);
  form->addRow(tr("System"), AddEdit(kPortfolioSystem, &Values::m_portfolioSystem));
  form->addRow(tr("Login"), AddEdit(kPortfolioLogin, &Values::m_portfolioLogin));
  m_serialNumber = AddEdit(kPortfolioSN, &Values::m_portfolioSN);
  form->addRow(tr("Serial Number"), m_serialNumber);
  form->addRow(tr("Work Station"), AddEdit(kPortfolioWS, &Values::m_portfolioWS));
  return group;
}

QWidget* InternalSettingsDialog::MakeServerGroup() {
  auto* group = new QGroupBox(tr("Client/Server Upload"), this);
  auto* form = new QFormLayout(group);
  form->addRow(tr("Server Address"), AddEdit(kServerAddress, &Values::m_serverAddress));
  form->addRow(tr("Login"), AddEdit(kClientLogin, &Values::m_clientLogin));
  form->addRow(tr("Server Port"), AddEdit(kServerPort, &Values::m_serverPort));
  auto* restartRow = new QHBoxLayout;
  restartRow->addWidget(AddCheck(kAutoRestart, "Auto-(Re)Start", &Values::m_clientAutoRestart));
  restartRow->addWidget(new QLabel(tr("Interval(Sec)"), group));
  restartRow->addWidget(AddEdit(kAutoRestartInterval, &Values::m_clientAutoRestartInterval));
  form->addRow(restartRow);
  auto* serverSN = new QCheckBox(tr("Server S/N"), this);
  serverSN->setObjectName(ControlName(kUseServerSN));
  serverSN->setChecked(m_logic.Get().m_useServerSN);
  connect(serverSN, &QCheckBox::toggled, this, [this](bool on) {
    m_logic.SetUseServerSN(on);
    Refresh();
  });
  m_controls[kUseServerSN] = serverSN;
  form->addRow(serverSN);
  AddEdit(kClientPassword, &Values::m_clientPassword)->setEchoMode(QLineEdit::Password);
  return group;
}

// A stored value outside the list shows no choice and stays unless one is made.
QWidget* InternalSettingsDialog::MakeListGroup(const char* title, SettingsControl control,
                                               std::span<const char* const> choices,
                                               int CInternalSettingsDlg::Values::*field) {
  auto* group = new QGroupBox(tr(title), this);
  auto* list = new QComboBox(group);
  list->setObjectName(ControlName(control));
  for (const char* choice : choices) {
    list->addItem(Q(choice));
  }
  list->setCurrentIndex(m_logic.Get().*field);
  connect(list, &QComboBox::activated, this,
          [this, field](int index) { m_logic.Edit().*field = index; });
  m_controls[control] = list;
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(list);
  return group;
}

QWidget* InternalSettingsDialog::MakePollGroup() {
  auto* group = new QGroupBox(tr("Poll Directory Option"), this);
  auto* form = new QFormLayout(group);
  form->addRow(AddCheck(kUsePoll, "Enable Polled Uploads", &Values::m_usePoll));
  form->addRow(tr("Poll Directory (Full PathName)"),
               AddEdit(kPollDirectory, &Values::m_pollDirectory));
  const bool byTimer = m_logic.Get().m_detectMethod != 0;
  auto* notification = AddRadio(kDetectNotification, "NT Notification", !byTimer);
  auto* timer = AddRadio(kDetectTimer, "Timer", byTimer);
  auto* methods = new QButtonGroup(group);
  methods->addButton(notification, 0);
  methods->addButton(timer, 1);
  connect(methods, &QButtonGroup::idClicked, this, [this](int method) {
    m_logic.Edit().m_detectMethod = method;
    Refresh();
  });
  auto* detectRow = new QHBoxLayout;
  detectRow->addWidget(notification);
  detectRow->addWidget(timer);
  form->addRow(tr("File Detection Method"), detectRow);
  form->addRow(tr("Timer Interval (Sec)"), AddEdit(kTimerInterval, &Values::m_timerInterval));
  return group;
}

void InternalSettingsDialog::OpenAdvanced() {
  CAdvancedSettingsDlg advanced = m_logic.Advanced();
  AdvancedSettingsDialog dialog(advanced, this);
  if (dialog.exec() == QDialog::Accepted) {
    m_logic.AdvancedOk(advanced);
  }
}

void InternalSettingsDialog::Refresh() {
  m_serialNumber->setText(Q(m_logic.Get().m_portfolioSN));
  for (const auto& [control, widget] : m_controls) {
    widget->setEnabled(m_logic.IsEnabled(control));
  }
}

void InternalSettingsDialog::accept() {
  const std::string message = m_logic.CheckOk();
  if (!message.empty()) {
    QMessageBox::warning(this, Q(ClientWindow::kMessageCaption), Q(message));
    return;
  }
  QDialog::accept();
}

bool RunInternalSettingsDialog(CInternalSettingsDlg& logic, QWidget* parent) {
  InternalSettingsDialog dialog(logic, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace trqx
