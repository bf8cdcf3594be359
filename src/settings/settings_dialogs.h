#pragma once

#include <string>

#include "settings/internal_settings.h"

namespace trqx {

// The "Advanced Settings" dialog: a working copy of the convert-dots flag that OK hands
// back to the "Internal Settings" dialog and Cancel drops.
class CAdvancedSettingsDlg {
 public:
  static constexpr const char* kCaption = "Advanced Settings";
  static constexpr const char* kConvertDotsLabel = "Convert Dots to Slashes in Ticker Symbol";
  static constexpr const char* kNote =
      "(Note: The application must be restarted  to activate changes made here)";

  explicit CAdvancedSettingsDlg(bool convertDotsToSlashes)
      : m_convertDotsToSlashes(convertDotsToSlashes) {}

  bool m_convertDotsToSlashes;
};

// The controls of the "Internal Settings" dialog whose enabling or visibility is ruled.
enum class SettingsControl {
  kMethodTerminal,
  kMethodClientServer,
  kCopyDir,
  kProfileName,
  kInvokeTimeout,
  kInvokePath,
  kInvokeName,
  kUuid,
  kUseUuid,
  kUsername,
  kPassword,
  kUseLogin,
  kBetaAccount,
  kPortfolioSystem,
  kPortfolioLogin,
  kPortfolioSN,
  kPortfolioWS,
  kServerAddress,
  kClientLogin,
  kServerPort,
  kAutoRestart,
  kAutoRestartInterval,
  kUseServerSN,
  kClientPassword,
  kAutoIncrement,
  kAppendUuidLogin,
  kUsePoll,
  kPollDirectory,
  kDetectNotification,
  kDetectTimer,
  kTimerInterval,
  kExcelFormat,
  kAdvanced,
};

// The "Internal Settings" dialog (Upload > Settings) without its window: a working copy of
// the settings as the controls hold them (numbers as the edit texts), the enabling rules, the
// checks of OK and what OK writes back. Dropping the object is Cancel.
class CInternalSettingsDlg {
 public:
  static constexpr const char* kCaption = "Internal Settings";
  // OK's checks, in the order they are made.
  static constexpr const char* kNoPollDirectory = "A poll directory needs to be specified";
  static constexpr const char* kBadUuid =
      "A non-zero positive numeric value must be entered for the \"UUID\" Field";
  static constexpr const char* kBlankLogin =
      "The Login name can't be blank when you select \"Login\" for the Append UUID/Login combo "
      "box";
  // A line break would split the settings file's record and make it unreadable.
  static constexpr const char* kLineBreak = "A field of the settings can't hold a line break";
  // The texts of the drop-down lists, by stored value.
  static constexpr const char* kAppendChoices[] = {"UUID", "Login"};
  static constexpr const char* kExcelFormats[] = {"Comma-Delimited", "Tab-Delimited",
                                                  "Fixed-Space"};

  // The control values, named after the settings they edit.
  struct Values {
    int m_uploadMethod = kUploadTerminal;
    std::string m_copyDir;
    std::string m_profileName;
    std::string m_invokeTimeout;
    std::string m_invokePath;
    std::string m_invokeName;
    std::string m_uuid;
    bool m_useUuid = false;
    std::string m_username;
    std::string m_password;
    bool m_useLogin = false;
    bool m_betaAccount = false;
    std::string m_portfolioSystem;
    std::string m_portfolioLogin;
    std::string m_portfolioSN;
    std::string m_portfolioWS;
    std::string m_serverAddress;
    std::string m_clientLogin;
    std::string m_serverPort;
    bool m_clientAutoRestart = false;
    std::string m_clientAutoRestartInterval;
    bool m_useServerSN = true;
    std::string m_clientPassword;
    bool m_autoIncrement = true;
    int m_appendUuidLogin = 0;
    bool m_usePoll = false;
    std::string m_pollDirectory;
    int m_detectMethod = 0;  // 0 "NT Notification", 1 "Timer"
    std::string m_timerInterval;
    int m_excelFileFormat = 0;
    bool m_convertDotsToSlashes = true;
  };

  // The dialog over settings, for a client that is connected or not, with the serial number
  // read from the registry at start-up. A stored detect method other than 0 shows as "Timer".
  CInternalSettingsDlg(const COpenNVInternalSettings& settings, bool disconnected,
                       std::string registrySerialNumber);

  // The method radios and the "Server S/N" check box also set the portfolio serial number;
  // every other value is written to Values() directly.
  void SetUploadMethod(int method);
  void SetUseServerSN(bool on);
  Values& Edit() { return m_values; }
  const Values& Get() const { return m_values; }

  // The "Advanced" button's dialog over the working copy, and its OK.
  CAdvancedSettingsDlg Advanced() const {
    return CAdvancedSettingsDlg(m_values.m_convertDotsToSlashes);
  }
  void AdvancedOk(const CAdvancedSettingsDlg& advanced) {
    m_values.m_convertDotsToSlashes = advanced.m_convertDotsToSlashes;
  }

  // By the current values; the rules are re-read after every change.
  bool IsEnabled(SettingsControl control) const;
  static bool IsHidden(SettingsControl control);

  // OK's checks: the message of the first that fails, "" when the dialog may close.
  std::string CheckOk() const;
  // Writes the values into settings (OK after CheckOk passed): numbers parsed as decimal,
  // text that is no number giving 0; the detect method stored as 0 or 1.
  void ApplyTo(COpenNVInternalSettings& settings) const;

 private:
  bool Disconnected(int method) const {
    return m_disconnected && m_values.m_uploadMethod == method;
  }
  void SetSerialNumber();

  Values m_values;
  bool m_disconnected;
  std::string m_registrySerialNumber;
};

}  // namespace trqx
