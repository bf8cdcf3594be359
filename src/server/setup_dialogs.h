#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "server/server_settings.h"

namespace trqx {

// The rules of the server's settings dialogs; the front-ends draw the controls, hand the
// user's texts to the working copy and ask which controls are enabled. Each dialog holds the
// live settings, which must outlive it, and changes them only on OK; the window's logic then
// saves the file (CVEXOServerDlg::OnUserSettingsChanged, OnFtpSettingsChanged).

// Why OK (or an "Add") left the settings alone: the message to show and the control to
// return to.
template <class Field>
struct CRefusal {
  Field m_field;
  std::string m_message;
};

// VEXOSvr.cfg keeps each value on one record line: the reader ends a record at a bare line
// feed, fails on a quoted one and drops every carriage return, so a value holding either
// could not come back as typed. Commas and quotes are quoted by the writer and come back.
bool StorableInSettingsFile(std::string_view value);
// "%s cannot hold a line break." with the control's label.
std::string LineBreakMessage(std::string_view label);

// "User Setup" ("Users" of the "S&etup" menu): a working copy of CUserSettings. Its
// "Auto-(Re)Start" and "Restart Interval" are not shown and go back as they came.
class CUserSetupDlg {
 public:
  static constexpr const char* kCaption = "User Setup";
  static constexpr const char* kQueryCaption = "Query IP Address";  // the dialog "Add" opens
  static constexpr const char* kQueryLabel = "IP Address";

  enum class Field {
    kPort,
    kMaxUsers,
    kLogin,
    kPassword,  // shown with "*" for each character
    kAcceptUnAuthorizedClients,
    kAuthorizedClients,  // the list with "Add" and "Delete"
  };
  using Refusal = CRefusal<Field>;
  static const char* Label(Field field);

  // taskRunning: a server task runs as the dialog opens.
  CUserSetupDlg(CUserSettings& settings, bool taskRunning);

  // "Port", "Login" and "Password" are disabled while a server task runs.
  bool Enabled(Field field) const;

  // The edits' texts ("Port", "Max Users", "Login", "Password"; "" for the other fields).
  // A number field takes the leading digits of what was typed, as the C library's
  // conversion does: "12ab" is 12, text that is no number is 0.
  std::string Text(Field field) const;
  void SetText(Field field, std::string_view typed);

  // OK of "Query IP Address": the typed text trimmed of leading and trailing white space is
  // appended (an address already listed is listed again) and true returned. False, nothing
  // added, when it trims to nothing (refusal empty: ignored) or cannot be stored (refusal
  // says why).
  bool AddAddress(std::string_view typed, std::optional<Refusal>& refusal);
  // "Delete": removes the selected address. False, nothing removed, when out of range.
  bool DeleteAddress(std::size_t selected);
  // OK: copies every field into the live CUserSettings, or refuses, changing nothing, when a
  // field could not be stored (the first such field in the dialog's order).
  std::optional<Refusal> OnOK();

  CUserSettings m_working;

 private:
  CUserSettings& m_settings;
  bool m_taskRunning;
};

// "Upload FTP Settings" ("FTP" of the "S&etup" menu): a working copy of FTPPutSettings. Its
// "Start on application restart" (ResetQOnStart) is not shown and goes back as it came.
class CFTPSettingsDlg {
 public:
  static constexpr const char* kCaption = "Upload FTP Settings";
  // The "Access Type" list; SessionType is the index.
  static constexpr const char* kAccessTypes[] = {"Preconfig", "Direct", "Proxy"};

  // In the dialog's order.
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
  static constexpr Field kFields[] = {
      Field::kUsername,      Field::kPassword,        Field::kPrimaryAddress,
      Field::kBackupAddress, Field::kAccessType,      Field::kProxyName,
      Field::kBypassList,    Field::kInfiniteRetry,   Field::kRetryLimit,
      Field::kRetryInterval, Field::kSourceDirectory, Field::kDestinationDirectory,
  };
  using Refusal = CRefusal<Field>;
  static const char* Label(Field field);
  // Whether the field is an edit (text), rather than the list or the check box.
  static bool IsEdit(Field field);

  // taskRunning: any server task runs as the dialog opens.
  CFTPSettingsDlg(FTPPutSettings& settings, bool taskRunning);

  // While a task runs only "Infinite Retry" and "Source Directory" stay enabled.
  bool Enabled(Field field) const;
  // "Source Directory" is always read-only.
  static bool ReadOnly(Field field) { return field == Field::kSourceDirectory; }

  // The edits' texts ("" for the list and the check box). "Retry Limit" and "Retry
  // Interval(MilliSeconds)" take the leading digits of what was typed, as the C library's
  // conversion does ("12ab" is 12, text that is no number is 0); the read-only "Source
  // Directory" ignores SetText.
  std::string Text(Field field) const;
  void SetText(Field field, std::string_view typed);

  // OK: trims the two addresses, the destination directory and the proxy name of leading
  // and trailing white space (user name and password stay as typed) and copies every field
  // but PrimaryIsActive into the live FTPPutSettings. Refuses, changing nothing, when a field
  // could not be stored (the first such field in the dialog's order). The caller then shows
  // the new addresses in the main window's counter rows and saves.
  std::optional<Refusal> OnOK();

  FTPPutSettings m_working;

 private:
  FTPPutSettings& m_settings;
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
