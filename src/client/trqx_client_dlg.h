#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "client/client_exit_codes.h"
#include "client/client_startup.h"
#include "client/client_view.h"
#include "client/directory_poller.h"
#include "client/process.h"
#include "client/terminal_program.h"
#include "client/upload_history.h"
#include "download/download_profile.h"
#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "foundation/protocol/connection_task.h"
#include "foundation/registry.h"
#include "foundation/sys/event_loop.h"
#include "settings/settings_dialogs.h"
#include "upload/profile_editor.h"

namespace trqx {

// Files the client reads at the end of its start-up; one that cannot be read ends it.
inline constexpr const char* kExchangeListFileName = "exchange.cfg";
inline constexpr const char* kOrderTypeListFileName = "ordertype.cfg";
inline constexpr const char* kReasonListFileName = "reason.cfg";

// Deletes every file of the cache folder whose name does not begin with the local date of
// now as "%m-%d-%y"; subfolders stay. A listing that fails simply ends the cleaning.
void CleanCacheFolder(const std::string& cacheFolder, std::time_t now);

// What a front-end that drives the window by itself (a script's console) learns of it.
// Called on the window's thread, after the window has queued its own follow-up, so a File
// Send posted from here finds the client ready for it.
class ClientObserver {
 public:
  virtual ~ClientObserver() = default;
  // An upload that was handed over has ended: sent, or not.
  virtual void UploadEnded(std::uint32_t uploadNumber, bool sent) = 0;
  // The connection task has logged in to the server.
  virtual void LoggedIn() = 0;
  // The connection task has ended (after its upload in flight, if any, has ended).
  virtual void ConnectionEnded() = 0;
};

// The logic of the client's main window: start-up, the menu commands, the window timers and
// the tasks' notifications. It owns every long-lived object of the client and shows things
// only through the view. Lives on the loop's thread, which carries every notification.
class CTRQXClientDlg : private PollerHost {
 public:
  static constexpr const char* kCaption = "Quorvel File Upload/Download - Version 2.2f";
  static constexpr const char* kPickerTitle = "Select And Open File To Upload";
  static constexpr const char* kConfirmExitText = "Press OK if you really want to Exit";
  static constexpr const char* kConfirmExitCaption = "Confirm Exit";
  static constexpr const char* kNotReadyText = "Not ready to send: Server not connected";
  static constexpr const char* kCannotUploadText = "Cannot upload file to server";
  static constexpr const char* kConnectionDownText = "Connection to server is down.";
  static constexpr EventLoop::TimerId kRestartTimer = 101;
  static constexpr EventLoop::TimerId kDailyTimer = 102;
  static constexpr std::chrono::milliseconds kDailyInterval{60000};
  // Where a confirmed "Internal Settings" dialog leaves the poll folder for other programs.
  static constexpr const char* kPollingDirKey = "SOFTWARE\\Norvane L.P.\\Quorvel";
  static constexpr const char* kPollingDirValue = "PollingDir";

  // How start-up ended: the window runs; it was closed (the program ends normally); or the
  // program aborts (exit code 3) after the message shown.
  enum class Startup { kRunning, kClosed, kAborted };
  // The "File Send" picker: given the title and the initial folder, the chosen path or none.
  using FilePicker = std::function<std::optional<std::string>(const std::string& title,
                                                              const std::string& folder)>;
  // Shows the "Internal Settings" dialog modally over its logic; true when it ended with OK.
  using SettingsDialogRunner = std::function<bool(CInternalSettingsDlg& dialog)>;
  // The program files are in workingFolder ("" the current folder). Everything must outlive
  // the dialog.
  CTRQXClientDlg(ClientView& view, EventLoop& loop, Registry& registry, ProcessRunner& processes,
                 std::string workingFolder = "", WallClock clock = SystemTime);
  ~CTRQXClientDlg() override;
  CTRQXClientDlg(const CTRQXClientDlg&) = delete;
  CTRQXClientDlg& operator=(const CTRQXClientDlg&) = delete;

  Startup OnInitDialog();
  // Shut-down when the window is destroyed: stops the tasks and logs the end to the file.
  void OnDestroy();

  // Menu commands.
  void OnEventLog();
  // Asks "Confirm Exit"; on OK the window closes.
  void OnExit();
  // "File Send" (also message 0x464). The result of the upload it began; kFailed also when
  // the picker was cancelled or gave an empty path.
  UploadResult OnFileSend(const FilePicker& pick);
  void OnConnect();
  void OnDisconnect();
  void OnCancelAllPending();
  void OnResetSendLog();
  // "Upload > Settings": runs the dialog over the settings and, on OK, applies it.
  void OnSettings(const SettingsDialogRunner& run);
  // The "Internal Settings" dialog over the current settings, the connection state and the
  // registry's serial number.
  CInternalSettingsDlg SettingsDialog() const;
  // The dialog ended with OK: its values become the settings, then the restart timer (101),
  // the folders, the connect menu (when the method changed), the save with "PollingDir" and
  // the poller (when a polling setting changed) follow them.
  void OnSettingsChanged(const CInternalSettingsDlg& dialog);
  // The upload profile editor: edits the profile and, on OK, saves it to path; false with
  // error filled when that save failed.
  using ProfileEditor = std::function<bool(UserProfile& profile, const std::string& path,
                                           const UploadEditorOptions& options, CFileError& error)>;
  // "Profile" of the "Upload" menu: runs edit on the profile, "qxu.pfl", the "Use UUID Flag"
  // and the value lists; a failed save is logged as a file error (103, ERROR), and the edited
  // profile stays in use.
  void OnUploadProfile(const ProfileEditor& edit);

  // Messages: the upload-progress window's "Cancel File Upload" (0x466 with 1), the
  // connection task's notices (0x467, and 0x468 when it has logged in), the end of a
  // transfer (0x468).
  void OnUploadProgressCancel();
  void OnConnectionNotice(const CTaskNotice& notice);
  void OnTransferEnded();
  // Timer 102.
  void OnDailyTimer();

  // Null: none. The observer must outlive the dialog or be reset first.
  void SetObserver(ClientObserver* observer) { m_observer = observer; }

  bool Connected() const { return m_connection.IsRunning(); }
  // The interval of the running restart timer (101); none while it is stopped.
  std::optional<std::chrono::milliseconds> RestartTimerInterval() const {
    return m_restartInterval;
  }
  bool UploadInProgress() const override;
  unsigned UploadNumber() const { return m_uploadNumber; }
  const CUploadHistoryList& History() const { return m_history; }
  COpenNVInternalSettings& Settings() { return m_startup.Settings(); }
  const COpenNVInternalSettings& Settings() const { return m_startup.Settings(); }
  CLogger& Logger() { return m_startup.Logger(); }
  const CDirectoryPoller& Poller() const { return m_poller; }

  // The download profile read from "qxd.pfl" at start-up and the download field list its
  // mappings are checked against; the download editors work on copies of them.
  const CDownLoadProfile& DownLoadProfile() const { return m_downloadProfile; }
  const std::vector<OstraneField>& DownLoadFields() const;
  // OK of "Download Settings": stores destDir as "DownLoad Dest Dir" and saves the settings,
  // logging the outcome. False when the save failed (the new folder stays in memory).
  bool OnDownloadSettingsChanged(const std::string& destDir);
  // OK of "Download Profile": takes the edited profile, writes its active mapping into
  // "activedw.pfl" (or deletes that file when none is active) and saves "qxd.pfl", both in
  // the working folder. Failures are not reported: the profile stays in memory and is written
  // again at the next OK. False when either file could not be written.
  bool OnDownloadProfileChanged(CDownLoadProfile profile);

 private:
  // Shows the logger's entries in the view.
  class ViewLogSink : public LogSink {
   public:
    explicit ViewLogSink(ClientView& view) : m_view(view) {}
    void Log(const CLogEntry& entry) override { m_view.AddLogLine(entry); }

   private:
    ClientView& m_view;
  };
  // The upload in flight (or the last one).
  struct CurrentUpload {
    std::uint32_t m_number = 0;
    std::string m_path;  // the converted desk file
    bool m_fileSend = false;
    bool m_acknowledged = false;  // the server has the whole file
  };

  // A polled file waits for the login: handed over earlier, it would be refused and deleted.
  bool IsConnected() const override { return Connected() && m_loggedIn; }
  UploadResult UploadPolledFile(const std::string& path) override;

  bool ReadValueLists();
  // A profile that fails to load leaves none: the editors start from an empty one.
  void LoadDownLoadProfile();
  // Steps of an upload after the busy checks and the picker.
  UploadResult Upload(const std::string& path, bool fileSend);
  UploadResult HandOver(const std::string& uploadPath);
  UploadResult FailUpload(const std::string& path, std::uint32_t number);
  // A converted file that could not be handed over: failed, and for a polled file busy.
  UploadResult FailHandOver(const std::string& path, std::uint32_t number);
  void OnTerminalEnded(TerminalResult result);
  void OnDeliveryReport(const CTaskNotice& notice);
  void OnTransferClosed(HistoryState state);
  void OnConnectionEnded(bool good);
  void EndUpload(bool sent);
  // Queues step for the loop; it is dropped if the dialog is gone by then.
  void PostToSelf(std::function<void(CTRQXClientDlg&)> step);
  void ShowConnected(bool connected);
  void SetRestartTimer();
  void StopRestartTimer();
  std::chrono::milliseconds RestartInterval() const;
  void ApplyRestartTimer();
  void ReadUserUuid();
  void LogSystemError(const CSysErrorInfo& error);
  std::string HistoryTime() const;
  std::tm Today() const;

  ClientView& m_view;
  EventLoop& m_loop;
  Registry& m_registry;
  std::string m_workingFolder;
  ClientStartup m_startup;  // the log, settings, field format and profile
  ViewLogSink m_viewSink;
  CUploadHistoryList m_history;
  std::vector<std::string> m_exchanges;
  std::vector<std::string> m_orderTypes;
  std::vector<std::string> m_reasons;
  CDownLoadProfile m_downloadProfile;

  std::mutex m_lock;  // shared with the connection task
  CConnectionTask m_connection;
  CDirectoryPoller m_poller;
  TerminalUpload m_terminal;

  unsigned m_uploadNumber = 0;
  CurrentUpload m_current;
  bool m_transferInProgress = false;
  bool m_loggedIn = false;  // the running connection task has logged in
  bool m_closing = false;
  std::optional<std::chrono::milliseconds> m_restartInterval;  // while timer 101 runs
  std::string m_terminalUserUuid;
  std::tm m_startDate{};
  ClientObserver* m_observer = nullptr;
  // Lets handlers queued on the loop (the tasks' posted notices among them) reach only a
  // living dialog: the loop may run on after the dialog has gone.
  std::shared_ptr<CTRQXClientDlg*> m_self = std::make_shared<CTRQXClientDlg*>(this);
};

// The exit code of a start-up that ended the program (closed: kClientExitNotSent; aborted:
// kClientExitAborted); none while the window runs.
std::optional<int> StartupExitCode(CTRQXClientDlg::Startup startup);

}  // namespace trqx
