#include "settings/settings_dialogs.h"

#include <string_view>
#include <utility>

#include "foundation/archive.h"

namespace trqx {

namespace {

using enum SettingsControl;

// The hidden controls of the terminal login and the server password.
constexpr SettingsControl kHiddenControls[] = {kUsername, kPassword, kUseLogin, kBetaAccount,
                                               kClientPassword};

bool HoldsLineBreak(const CInternalSettingsDlg::Values& v) {
  const std::string* texts[] = {
      &v.m_copyDir,         &v.m_profileName,    &v.m_invokeTimeout, &v.m_invokePath,
      &v.m_invokeName,      &v.m_uuid,           &v.m_username,      &v.m_password,
      &v.m_portfolioSystem, &v.m_portfolioLogin, &v.m_portfolioSN,   &v.m_portfolioWS,
      &v.m_serverAddress,   &v.m_clientLogin,    &v.m_serverPort,    &v.m_clientAutoRestartInterval,
      &v.m_clientPassword,  &v.m_pollDirectory,  &v.m_timerInterval,
  };
  for (const std::string* text : texts) {
    if (text->find_first_of("\r\n") != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

CInternalSettingsDlg::CInternalSettingsDlg(const COpenNVInternalSettings& s, bool disconnected,
                                           std::string registrySerialNumber)
    : m_disconnected(disconnected), m_registrySerialNumber(std::move(registrySerialNumber)) {
  Values& v = m_values;
  v.m_uploadMethod = s.m_uploadMethod;
  v.m_copyDir = s.m_copyDir;
  v.m_profileName = s.m_profileName;
  v.m_invokeTimeout = std::to_string(s.m_invokeTimeout);
  v.m_invokePath = s.m_invokePath;
  v.m_invokeName = s.m_invokeName;
  v.m_uuid = std::to_string(s.m_uuid);
  v.m_useUuid = s.m_useUuid;
  v.m_username = s.m_username;
  v.m_password = s.m_password;
  v.m_useLogin = s.m_useLogin;
  v.m_betaAccount = s.m_betaAccount;
  v.m_portfolioSystem = s.m_portfolioSystem;
  v.m_portfolioLogin = s.m_portfolioLogin;
  v.m_portfolioSN = s.m_portfolioSN;
  v.m_portfolioWS = s.m_portfolioWS;
  v.m_serverAddress = s.m_serverAddress;
  v.m_clientLogin = s.m_clientLogin;
  v.m_serverPort = std::to_string(s.m_serverPort);
  v.m_clientAutoRestart = s.m_clientAutoRestart;
  v.m_clientAutoRestartInterval = std::to_string(s.m_clientAutoRestartInterval);
  v.m_useServerSN = s.m_useServerSN;
  v.m_clientPassword = s.m_clientPassword;
  v.m_autoIncrement = s.m_autoIncrement;
  v.m_appendUuidLogin = s.m_appendUuidLogin;
  v.m_usePoll = s.m_usePoll;
  v.m_pollDirectory = s.m_pollDirectory;
  v.m_detectMethod = s.m_detectMethod == 0 ? 0 : 1;
  v.m_timerInterval = std::to_string(s.m_timerInterval);
  v.m_excelFileFormat = s.m_excelFileFormat;
  v.m_convertDotsToSlashes = s.m_convertDotsToSlashes;
}

void CInternalSettingsDlg::SetUploadMethod(int method) {
  m_values.m_uploadMethod = method;
  SetSerialNumber();
}

void CInternalSettingsDlg::SetUseServerSN(bool on) {
  m_values.m_useServerSN = on;
  if (m_values.m_uploadMethod == kUploadClientServer) {
    SetSerialNumber();
  }
}

void CInternalSettingsDlg::SetSerialNumber() {
  const bool server = m_values.m_uploadMethod == kUploadClientServer && m_values.m_useServerSN;
  m_values.m_portfolioSN =
      server ? COpenNVInternalSettings::kServerSerialNumber : m_registrySerialNumber;
}

bool CInternalSettingsDlg::IsEnabled(SettingsControl control) const {
  const Values& v = m_values;
  switch (control) {
    case kMethodTerminal:
    case kMethodClientServer:
      return m_disconnected;
    case kCopyDir:
    case kUseUuid:
    case kAutoIncrement:
    case kUsePoll:
    case kExcelFormat:
    case kAdvanced:
      return true;
    case kPortfolioSN:
      return false;
    case kProfileName:
    case kInvokeTimeout:
    case kInvokePath:
    case kInvokeName:
    case kUsername:
    case kPassword:
    case kUseLogin:
    case kBetaAccount:
    case kPortfolioSystem:
    case kPortfolioLogin:
    case kPortfolioWS:
      return Disconnected(kUploadTerminal);
    case kServerAddress:
    case kClientLogin:
    case kServerPort:
    case kAutoRestart:
    case kAutoRestartInterval:
    case kUseServerSN:
    case kClientPassword:
      return Disconnected(kUploadClientServer);
    case kUuid:
      return !v.m_useUuid;
    case kAppendUuidLogin:
      return v.m_autoIncrement;
    case kPollDirectory:
    case kDetectNotification:
    case kDetectTimer:
      return v.m_usePoll;
    case kTimerInterval:
      return v.m_usePoll && v.m_detectMethod != 0;
  }
  return false;
}

bool CInternalSettingsDlg::IsHidden(SettingsControl control) {
  for (SettingsControl hidden : kHiddenControls) {
    if (hidden == control) {
      return true;
    }
  }
  return false;
}

std::string CInternalSettingsDlg::CheckOk() const {
  const Values& v = m_values;
  if (v.m_usePoll && v.m_pollDirectory.empty()) {
    return kNoPollDirectory;
  }
  // A signed reading, so that "-5" counts as below 1 rather than as a huge number.
  if (!v.m_useUuid && ParseInt(v.m_uuid) < 1) {
    return kBadUuid;
  }
  if (v.m_autoIncrement && v.m_appendUuidLogin == 1 && v.m_portfolioLogin.empty()) {
    return kBlankLogin;
  }
  if (HoldsLineBreak(v)) {
    return kLineBreak;
  }
  return "";
}

void CInternalSettingsDlg::ApplyTo(COpenNVInternalSettings& s) const {
  const Values& v = m_values;
  s.m_uploadMethod = v.m_uploadMethod;
  s.m_copyDir = v.m_copyDir;
  s.m_profileName = v.m_profileName;
  s.m_invokeTimeout = ParseUInt(v.m_invokeTimeout);
  s.m_invokePath = v.m_invokePath;
  s.m_invokeName = v.m_invokeName;
  s.m_uuid = ParseUInt(v.m_uuid);
  s.m_useUuid = v.m_useUuid;
  s.m_username = v.m_username;
  s.m_password = v.m_password;
  s.m_useLogin = v.m_useLogin;
  s.m_betaAccount = v.m_betaAccount;
  s.m_portfolioSystem = v.m_portfolioSystem;
  s.m_portfolioLogin = v.m_portfolioLogin;
  s.m_portfolioSN = v.m_portfolioSN;
  s.m_portfolioWS = v.m_portfolioWS;
  s.m_serverAddress = v.m_serverAddress;
  s.m_clientLogin = v.m_clientLogin;
  s.m_serverPort = ParseInt(v.m_serverPort);
  s.m_clientAutoRestart = v.m_clientAutoRestart;
  s.m_clientAutoRestartInterval = ParseInt(v.m_clientAutoRestartInterval);
  s.m_useServerSN = v.m_useServerSN;
  s.m_clientPassword = v.m_clientPassword;
  s.m_autoIncrement = v.m_autoIncrement;
  s.m_appendUuidLogin = v.m_appendUuidLogin;
  s.m_usePoll = v.m_usePoll;
  s.m_pollDirectory = v.m_pollDirectory;
  s.m_detectMethod = v.m_detectMethod == 0 ? 0 : 1;
  s.m_timerInterval = ParseInt(v.m_timerInterval);
  s.m_excelFileFormat = v.m_excelFileFormat;
  s.m_convertDotsToSlashes = v.m_convertDotsToSlashes;
}

}  // namespace trqx
