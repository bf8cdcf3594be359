#include "server/setup_dialogs.h"

#include <utility>

#include "foundation/archive.h"
#include "foundation/text.h"

namespace trqx {

namespace {

void TrimInPlace(std::string& text) {
  text = std::string(TrimCSpace(text));
}

// The text member an edit of "Upload FTP Settings" shows, or null for the others.
std::string FTPPutSettings::*FtpTextMember(CFTPSettingsDlg::Field field) {
  using F = CFTPSettingsDlg::Field;
  switch (field) {
    case F::kUsername:
      return &FTPPutSettings::m_username;
    case F::kPassword:
      return &FTPPutSettings::m_password;
    case F::kPrimaryAddress:
      return &FTPPutSettings::m_primaryAddress;
    case F::kBackupAddress:
      return &FTPPutSettings::m_backupAddress;
    case F::kProxyName:
      return &FTPPutSettings::m_proxyAddress;
    case F::kBypassList:
      return &FTPPutSettings::m_bypassList;
    case F::kSourceDirectory:
      return &FTPPutSettings::m_sourceDir;
    case F::kDestinationDirectory:
      return &FTPPutSettings::m_destDir;
    default:
      return nullptr;
  }
}

// Only these lose the white space around them on OK (user name and password stay as typed).
bool TrimmedOnOK(CFTPSettingsDlg::Field field) {
  using F = CFTPSettingsDlg::Field;
  return field == F::kPrimaryAddress || field == F::kBackupAddress ||
         field == F::kDestinationDirectory || field == F::kProxyName;
}

}  // namespace

bool StorableInSettingsFile(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos;
}

std::string LineBreakMessage(std::string_view label) {
  return '"' + std::string(label) + "\" cannot hold a line break.";
}

// ---- User Setup ----

const char* CUserSetupDlg::Label(Field field) {
  switch (field) {
    case Field::kPort:
      return "Port";
    case Field::kMaxUsers:
      return "Max Users";
    case Field::kLogin:
      return "Login";
    case Field::kPassword:
      return "Password";
    case Field::kAcceptUnAuthorizedClients:
      return "Accept UnAuthorized Clients";
    case Field::kAuthorizedClients:
      return "Authorized Clients";
  }
  return "";
}

CUserSetupDlg::CUserSetupDlg(CUserSettings& settings, bool taskRunning)
    : m_working(settings), m_settings(settings), m_taskRunning(taskRunning) {}

bool CUserSetupDlg::Enabled(Field field) const {
  // The accept task listens on the port and its sessions log in with what it copied.
  const bool fixedWhileRunning =
      field == Field::kPort || field == Field::kLogin || field == Field::kPassword;
  return !(m_taskRunning && fixedWhileRunning);
}

std::string CUserSetupDlg::Text(Field field) const {
  switch (field) {
    case Field::kPort:
      return std::to_string(m_working.m_port);
    case Field::kMaxUsers:
      return std::to_string(m_working.m_maxClients);
    case Field::kLogin:
      return m_working.m_login;
    case Field::kPassword:
      return m_working.m_password;
    default:
      return {};
  }
}

void CUserSetupDlg::SetText(Field field, std::string_view typed) {
  switch (field) {
    case Field::kPort:
      m_working.m_port = ParseInt(typed);
      break;
    case Field::kMaxUsers:
      m_working.m_maxClients = ParseInt(typed);
      break;
    case Field::kLogin:
      m_working.m_login = typed;
      break;
    case Field::kPassword:
      m_working.m_password = typed;
      break;
    default:
      break;
  }
}

bool CUserSetupDlg::AddAddress(std::string_view typed, std::optional<Refusal>& refusal) {
  refusal.reset();
  const std::string_view address = TrimCSpace(typed);
  if (address.empty()) {
    return false;
  }
  if (!StorableInSettingsFile(address)) {
    refusal = Refusal{Field::kAuthorizedClients, LineBreakMessage(kQueryLabel)};
    return false;
  }
  m_working.m_clientList.emplace_back(address);
  return true;
}

bool CUserSetupDlg::DeleteAddress(std::size_t selected) {
  if (selected >= m_working.m_clientList.size()) {
    return false;
  }
  m_working.m_clientList.erase(m_working.m_clientList.begin() +
                               static_cast<std::ptrdiff_t>(selected));
  return true;
}

std::optional<CUserSetupDlg::Refusal> CUserSetupDlg::OnOK() {
  for (Field field : {Field::kLogin, Field::kPassword}) {
    if (!StorableInSettingsFile(Text(field))) {
      return Refusal{field, LineBreakMessage(Label(field))};
    }
  }
  m_settings = m_working;
  return std::nullopt;
}

// ---- Upload FTP Settings ----

const char* CFTPSettingsDlg::Label(Field field) {
  switch (field) {
    case Field::kUsername:
      return "Username";
    case Field::kPassword:
      return "Password";
    case Field::kPrimaryAddress:
      return "IP Address(Primary)";
    case Field::kBackupAddress:
      return "IP Address(Backup)";
    case Field::kAccessType:
      return "Access Type";
    case Field::kProxyName:
      return "Proxy Name";
    case Field::kBypassList:
      return "Server List To Bypass Proxy";
    case Field::kInfiniteRetry:
      return "Infinite Retry";
    case Field::kRetryLimit:
      return "Retry Limit";
    case Field::kRetryInterval:
      return "Retry Interval(MilliSeconds)";
    case Field::kSourceDirectory:
      return "Source Directory";
    case Field::kDestinationDirectory:
      return "Destination Directory";
  }
  return "";
}

bool CFTPSettingsDlg::IsEdit(Field field) {
  return field != Field::kAccessType && field != Field::kInfiniteRetry;
}

CFTPSettingsDlg::CFTPSettingsDlg(FTPPutSettings& settings, bool taskRunning)
    : m_working(settings), m_settings(settings), m_taskRunning(taskRunning) {}

bool CFTPSettingsDlg::Enabled(Field field) const {
  return !m_taskRunning || field == Field::kInfiniteRetry || field == Field::kSourceDirectory;
}

std::string CFTPSettingsDlg::Text(Field field) const {
  if (field == Field::kRetryLimit) {
    return std::to_string(m_working.m_retryLimit);
  }
  if (field == Field::kRetryInterval) {
    return std::to_string(m_working.m_retryInterval);
  }
  std::string FTPPutSettings::*member = FtpTextMember(field);
  return member == nullptr ? std::string() : m_working.*member;
}

void CFTPSettingsDlg::SetText(Field field, std::string_view typed) {
  if (field == Field::kRetryLimit) {
    m_working.m_retryLimit = ParseInt(typed);
  } else if (field == Field::kRetryInterval) {
    m_working.m_retryInterval = ParseUInt(typed);
  } else if (std::string FTPPutSettings::*member = FtpTextMember(field);
             member != nullptr && !ReadOnly(field)) {
    m_working.*member = typed;
  }
}

std::optional<CFTPSettingsDlg::Refusal> CFTPSettingsDlg::OnOK() {
  for (Field field : kFields) {
    const std::string text = Text(field);
    if (!StorableInSettingsFile(TrimmedOnOK(field) ? TrimCSpace(text) : text)) {
      return Refusal{field, LineBreakMessage(Label(field))};
    }
  }
  TrimInPlace(m_working.m_backupAddress);
  TrimInPlace(m_working.m_primaryAddress);
  TrimInPlace(m_working.m_destDir);
  TrimInPlace(m_working.m_proxyAddress);
  // The FTP task alone decides which host is active.
  const bool primaryIsActive = m_settings.m_primaryIsActive;
  m_settings = m_working;
  m_settings.m_primaryIsActive = primaryIsActive;
  return std::nullopt;
}

// ---- Behavior box ----

CBehaviorBox::CBehaviorBox(CServerSettings& settings, std::string path)
    : m_settings(settings),
      m_path(std::move(path)),
      m_autoRestart(settings.m_user.m_autoRestart),
      m_restartInterval(settings.m_user.m_restartInterval) {}

void CBehaviorBox::OnAutoRestartChanged(bool on) {
  m_autoRestart = on;
  m_applyEnabled = true;
}

void CBehaviorBox::OnIntervalChanged(std::uint32_t seconds) {
  m_restartInterval = seconds;
  m_applyEnabled = true;
}

CBehaviorBox::Applied CBehaviorBox::OnApply() {
  m_settings.m_user.m_autoRestart = m_autoRestart;
  m_settings.m_user.m_restartInterval = m_restartInterval;
  Applied applied;
  applied.m_saved = m_settings.SaveFile(m_path, applied.m_error);
  applied.m_restartTimer = m_settings.m_user.RestartTimerOn();
  m_applyEnabled = false;
  return applied;
}

}  // namespace trqx
