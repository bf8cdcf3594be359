#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "server/server_settings.h"

namespace trqx {

// The rules of the server's settings dialogs; the front-ends draw the controls, write the
// user's edits into the working copy and ask which controls are enabled. Each dialog holds
// the live settings and the settings file's path, which must outlive it, and changes them
// only on OK (or "Apply").

// "User Setup" ("Users" of the "S&etup" menu): a working copy of CUserSettings. Its
// "Auto-(Re)Start" and "Restart Interval" are not shown and go back as they came.
class CUserSetupDlg {
 public:
  static constexpr const char* kCaption = "User Setup";
  static constexpr const char* kQueryCaption = "Query IP Address";  // the dialog "Add" opens

  enum class Field {
    kPort,
    kMaxUsers,
    kLogin,
    kPassword,  // shown with "*" for each character
    kAcceptUnAuthorizedClients,
    kAuthorizedClients,  // the list with "Add" and "Delete"
  };

  // taskRunning: a server task runs as the dialog opens.
  CUserSetupDlg(CServerSettings& settings, std::string path, bool taskRunning);

  // "Port", "Login" and "Password" are disabled while a server task runs.
  bool Enabled(Field field) const;
  // OK of "Query IP Address": the typed text trimmed of leading and trailing white space is
  // appended (an address already listed is listed again). False when it trims to nothing.
  bool AddAddress(std::string_view typed);
  // "Delete": removes the selected address. False, nothing removed, when out of range.
  bool DeleteAddress(std::size_t selected);
  // OK: copies every field into the live CUserSettings and saves the file. False with error
  // filled when the save failed; the fields are copied either way.
  bool OnOK(CFileError& error);

  CUserSettings m_working;

 private:
  CServerSettings& m_settings;
  std::string m_path;
  bool m_taskRunning;
};

// "Upload FTP Settings" ("FTP" of the "S&etup" menu): a working copy of FTPPutSettings. Its
// "Start on application restart" (ResetQOnStart) is not shown and goes back as it came.
class CFTPSettingsDlg {
 public:
  static constexpr const char* kCaption = "Upload FTP Settings";
  // The "Access Type" list; SessionType is the index.
  static constexpr const char* kAccessTypes[] = {"Preconfig", "Direct", "Proxy"};

  enum class Field {
    kUsername,
    kPassword,
    kPrimaryAddress,  // "IP Address(Primary)"
    kBackupAddress,   // "IP Address(Backup)"
    kAccessType,
    kProxyName,
    kBypassList,  // "Server List To Bypass Proxy"
    kInfiniteRetry,
    kRetryLimit,
    kRetryInterval,  // "Retry Interval(MilliSeconds)"
    kSourceDirectory,
    kDestinationDirectory,
  };

  // taskRunning: any server task runs as the dialog opens.
  CFTPSettingsDlg(CServerSettings& settings, std::string path, bool taskRunning);

  // While a task runs only "Infinite Retry" and "Source Directory" stay enabled.
  bool Enabled(Field field) const;
  // "Source Directory" is always read-only.
  static bool ReadOnly(Field field) { return field == Field::kSourceDirectory; }
  // OK: trims the two addresses, the destination directory and the proxy name of leading and
  // trailing white space (user name and password stay as typed), copies every field but
  // PrimaryIsActive into the live FTPPutSettings and saves the file. False with error filled
  // when the save failed; the fields are copied either way. The caller then shows the new
  // addresses in the main window's counter rows.
  bool OnOK(CFileError& error);

  FTPPutSettings m_working;

 private:
  CServerSettings& m_settings;
  std::string m_path;
  bool m_taskRunning;
};

// The main window's "Behavior" box: "Auto-(Re)Start", "Interval(Sec)" and "Apply".
class CBehaviorBox {
 public:
  // What "Apply" leaves for the caller.
  struct Applied {
    bool m_restartTimer = false;  // set the restart timer (202); otherwise kill it
    bool m_saved = false;         // otherwise m_error holds the file error to log
    CFileError m_error;
  };

  // Shows the live AutoRestart and RestartInterval with "Apply" disabled.
  CBehaviorBox(CServerSettings& settings, std::string path);

  // The check box or the edit changed: "Apply" becomes enabled.
  void OnAutoRestartChanged(bool on);
  void OnIntervalChanged(std::uint32_t seconds);
  bool ApplyEnabled() const { return m_applyEnabled; }
  bool AutoRestart() const { return m_autoRestart; }
  std::uint32_t RestartInterval() const { return m_restartInterval; }

  // "Apply": copies both fields into the live CUserSettings, saves the file and disables
  // "Apply" again.
  Applied OnApply();

 private:
  CServerSettings& m_settings;
  std::string m_path;
  bool m_autoRestart;
  std::uint32_t m_restartInterval;
  bool m_applyEnabled = false;
};

}  // namespace trqx
