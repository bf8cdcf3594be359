#include "client/trqx_client_dlg.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <utility>

#include "client/spreadsheet.h"
#include "client/upload_convert.h"
#include "client/user_info.h"
#include "download/active_mapping_file.h"
#include "foundation/client_strings.h"
#include "foundation/field_format.h"
#include "foundation/paths.h"
#include "foundation/protocol/upload_source.h"
#include "foundation/text.h"

namespace trqx {

using namespace client_strings;

namespace {

constexpr unsigned kBeepHz = 300;
constexpr unsigned kCancelBeepHz = 600;
constexpr unsigned kBeepMs = 100;
constexpr const char* kExitingText = "Exiting application";

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

std::string FormatLocal(std::time_t time, const char* format) {
  const std::tm local = LocalTime(time);
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

bool SameDay(const std::tm& a, const std::tm& b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday;
}

// A delivery report's outcome character: the upload status window's line and the history
// state it gives (a cancellation to every pending row).
struct CDeliveryOutcome {
  char m_outcome;
  const char* m_statusLine;
  HistoryState m_state;
};
constexpr CDeliveryOutcome kDeliveryOutcomes[] = {
    {'1', "File was uploaded", HistoryState::kSent},
    {'2', "File was abandoned", HistoryState::kFailed},
    {'3', "File upload was cancelled", HistoryState::kCancelled},
    {'4', "File may have been uploaded", HistoryState::kFailed},
    {'6', "File upload was cancelled", HistoryState::kCancelled},
};

}  // namespace

void CleanCacheFolder(const std::string& cacheFolder, std::time_t now) {
  const std::string today = FormatLocal(now, "%m-%d-%y");
  DIR* folder = ::opendir(cacheFolder.c_str());
  if (folder == nullptr) {
    return;
  }
  while (const dirent* entry = ::readdir(folder)) {
    const std::string path = JoinPath(cacheFolder, entry->d_name);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode) ||
        std::string_view(entry->d_name).starts_with(today)) {
      continue;
    }
    ::unlink(path.c_str());
  }
  ::closedir(folder);
}

CTRQXClientDlg::CTRQXClientDlg(ClientView& view, EventLoop& loop, Registry& registry,
                               ProcessRunner& processes, std::string workingFolder, WallClock clock)
    : m_view(view),
      m_loop(loop),
      m_registry(registry),
      m_workingFolder(std::move(workingFolder)),
      m_startup(registry, m_workingFolder, nullptr, std::move(clock)),
      m_viewSink(view),
      m_history(view),
      m_connection(m_lock, std::make_unique<CDiskUploadSource>()),
      m_poller(m_startup.Logger(), loop, *this),
      m_terminal(processes, loop, m_startup.Logger(),
                 [this](TerminalResult result) { OnTerminalEnded(result); }) {
  m_connection.SetOwner(&loop, task_message::kClientConnection,
                        [self = std::weak_ptr<CTRQXClientDlg*>(m_self)](const CTaskNotice& notice) {
                          if (auto dialog = self.lock()) {
                            (*dialog)->OnConnectionNotice(notice);
                          }
                        });
}

CTRQXClientDlg::~CTRQXClientDlg() {
  CSysErrorInfo ignored;
  m_connection.Stop(CWorkerTask::kInfinite, ignored);
  m_loop.KillTimer(kRestartTimer);
  m_loop.KillTimer(kDailyTimer);
  m_startup.SetLogDisplay(nullptr);
}

// ---- Start-up and shut-down ----

CTRQXClientDlg::Startup CTRQXClientDlg::OnInitDialog() {
  if (!m_startup.OpenLog()) {
    m_view.ShowMessageBox(m_startup.FailureMessage());
    m_view.CloseWindow();
    return Startup::kClosed;
  }
  m_startup.LogStartup();
  m_view.ShowLoadedLog(m_startup.LoadedLog());
  m_startup.LoadedLog().clear();
  m_startup.SetLogDisplay(&m_viewSink);
  if (!m_startup.ReadFieldFormat()) {
    m_view.ShowMessageBox(m_startup.FailureMessage());
    return Startup::kAborted;
  }
  m_startup.LoadSettings();
  m_startup.ReadSerialNumber();
  m_startup.LoadProfile();
  LoadDownLoadProfile();
  // The folders come before the poller, whose watch needs the poll folder to exist.
  m_startup.CreateWorkFolders();
  const COpenNVInternalSettings& settings = Settings();
  if (settings.m_usePoll) {
    m_poller.StartPolling(settings);
  }
  CleanCacheFolder(settings.m_cacheDirectory, m_startup.Clock()());
  m_loop.SetTimer(kDailyTimer, kDailyInterval, [this] { OnDailyTimer(); });
  m_startDate = Today();
  ShowConnected(false);
  if (settings.IsClientServerUpload() && settings.m_clientAutoRestart) {
    OnConnect();
  }
  return ReadValueLists() ? Startup::kRunning : Startup::kAborted;
}

bool CTRQXClientDlg::ReadValueLists() {
  const std::pair<const char*, std::vector<std::string>*> lists[] = {
      {kExchangeListFileName, &m_exchanges},
      {kOrderTypeListFileName, &m_orderTypes},
      {kReasonListFileName, &m_reasons},
  };
  for (const auto& [name, values] : lists) {
    CFileError error;
    if (!ReadValueList(JoinPath(m_workingFolder, name), *values, error)) {
      Logger().Log(kLogError, kCategorySystem, kMsgFileError,
                   {error.m_fileName, std::to_string(error.m_osError)});
      return false;
    }
  }
  return true;
}

void CTRQXClientDlg::LoadDownLoadProfile() {
  CFileError ignored;
  m_downloadProfile.LoadFile(JoinPath(m_workingFolder, CDownLoadProfile::kFileName),
                             DownLoadFields(), ignored);
}

void CTRQXClientDlg::OnDestroy() {
  m_closing = true;
  CSysErrorInfo error;
  if (m_connection.IsRunning() && !m_connection.Stop(CWorkerTask::kInfinite, error)) {
    LogSystemError(error);
  }
  if (m_poller.TaskRunning() || m_poller.TimerRunning()) {
    m_poller.StopPolling();
  }
  m_startup.SetLogDisplay(nullptr);  // the window is gone
  Logger().Log(kLogInfo, kCategorySystem, kMsgFreeText, {kExitingText});
  m_loop.KillTimer(kDailyTimer);
  StopRestartTimer();
}

// ---- Menu commands ----

const std::vector<OstraneField>& CTRQXClientDlg::DownLoadFields() const {
  return m_startup.FieldFormat().DownloadFields();
}

bool CTRQXClientDlg::OnDownloadSettingsChanged(const std::string& destDir) {
  Settings().m_downLoadDestDir = destDir;
  return SaveSettingsAt(m_startup.SettingsFile(), Logger(), SettingsSavePoint::kDownloadSettings);
}

bool CTRQXClientDlg::OnDownloadProfileChanged(CDownLoadProfile profile) {
  m_downloadProfile = std::move(profile);
  const CActiveDownLoadMappingFile activeFile(m_workingFolder, DownLoadFields());
  CFileError error;
  const CDownLoadMapping* active = m_downloadProfile.Active();
  // An ActiveMapping beyond the list names no mapping: as none active.
  const bool activeWritten =
      active != nullptr ? activeFile.Save(*active, error) : activeFile.Remove(error);
  const bool profileSaved =
      m_downloadProfile.SaveFile(JoinPath(m_workingFolder, CDownLoadProfile::kFileName), error);
  return activeWritten && profileSaved;
}

void CTRQXClientDlg::OnEventLog() {
  if (!m_view.ShowEventLog()) {
    m_view.Beep(kBeepHz, kBeepMs);
  }
}

void CTRQXClientDlg::OnExit() {
  if (m_view.Confirm(kConfirmExitText, kConfirmExitCaption)) {
    m_view.CloseWindow();
  }
}

UploadResult CTRQXClientDlg::OnFileSend(const FilePicker& pick) {
  COpenNVInternalSettings& settings = Settings();
  if (UploadInProgress()) {
    m_view.Beep(kBeepHz, kBeepMs);
    return UploadResult::kBusy;
  }
  if (settings.IsClientServerUpload() && !Connected()) {
    m_view.ShowMessageBox(kNotReadyText);
    return UploadResult::kNotConnected;
  }
  ReadUserUuid();
  const std::optional<std::string> path = pick(kPickerTitle, settings.m_fileDlgDir);
  if (!path) {
    return UploadResult::kFailed;
  }
  if (path->empty()) {
    m_view.Beep(kBeepHz, kBeepMs);
    return UploadResult::kFailed;
  }
  const std::size_t slash = path->find_last_of('/');
  if (slash != std::string::npos) {
    settings.m_fileDlgDir = path->substr(0, slash);
  }
  return Upload(*path, true);
}

void CTRQXClientDlg::OnConnect() {
  if (Connected()) {
    return;
  }
  StopRestartTimer();
  const COpenNVInternalSettings& settings = Settings();
  if (!settings.IsClientServerUpload()) {
    return;
  }
  CSysErrorInfo error;
  const bool portFits = settings.m_serverPort > 0 && settings.m_serverPort <= 0xFFFF;
  if (!portFits) {
    error.Set(EINVAL, sys_call::kConnect);
  }
  const CConnectionSettings server{settings.m_serverAddress,
                                   static_cast<std::uint16_t>(portFits ? settings.m_serverPort : 0),
                                   settings.m_clientLogin, settings.m_clientPassword};
  if (!portFits || !m_connection.Start(server, error)) {
    LogSystemError(error);
    SetRestartTimer();
    return;
  }
  m_loggedIn = false;
  ShowConnected(true);
}

void CTRQXClientDlg::OnDisconnect() {
  if (!Connected()) {
    return;
  }
  StopRestartTimer();
  CSysErrorInfo error;
  if (!m_connection.Stop(std::chrono::milliseconds(0), error)) {
    LogSystemError(error);
  }
}

void CTRQXClientDlg::OnCancelAllPending() {
  CSysErrorInfo error;
  if (Connected() && !m_connection.Cancel(error) && error.m_code != 0) {
    LogSystemError(error);
  }
}

void CTRQXClientDlg::OnUploadProfile(const ProfileEditor& edit) {
  UploadEditorOptions options;
  options.m_useUuid = Settings().m_useUuid;
  options.m_lists = {&m_exchanges, &m_orderTypes, &m_reasons};
  CFileError error;
  if (!edit(m_startup.Profile(), JoinPath(m_workingFolder, UserProfile::kFileName), options,
            error)) {
    Logger().Log(kLogError, kCategorySystem, kMsgFileError,
                 {error.m_fileName, std::to_string(error.m_osError)});
  }
}

void CTRQXClientDlg::OnResetSendLog() {
  m_history.Clear();
}

// ---- Settings dialog ----

void CTRQXClientDlg::OnSettings(const SettingsDialogRunner& run) {
  CInternalSettingsDlg dialog = SettingsDialog();
  if (run(dialog)) {
    OnSettingsChanged(dialog);
  }
}

CInternalSettingsDlg CTRQXClientDlg::SettingsDialog() const {
  return CInternalSettingsDlg(Settings(), !Connected(), m_startup.RegistrySerialNumber());
}

void CTRQXClientDlg::OnSettingsChanged(const CInternalSettingsDlg& dialog) {
  COpenNVInternalSettings& settings = Settings();
  const COpenNVInternalSettings old = settings;
  dialog.ApplyTo(settings);
  ApplyRestartTimer();
  // Portfolio strings and the UUID are read from the settings at each upload; mappings made
  // from now on take the convert-dots flag (loaded ones keep theirs until a restart).
  m_startup.Profile().m_convertDots = settings.m_convertDotsToSlashes;
  for (const std::string* folder : {&settings.m_cacheDirectory, &settings.m_tempDirectory}) {
    std::error_code ec;
    if (!folder->empty()) {
      std::filesystem::create_directories(*folder, ec);
    }
  }
  if (settings.m_uploadMethod != old.m_uploadMethod) {
    m_view.EnableCommand(ClientCommand::kConnect, settings.IsClientServerUpload());
    m_view.EnableCommand(ClientCommand::kCancelAll, false);
    m_view.EnableCommand(ClientCommand::kDisconnect, Connected());
  }
  if (SaveSettingsAt(m_startup.SettingsFile(), Logger(), SettingsSavePoint::kInternalSettings)) {
    // Other programs find the poll folder here; a registry that cannot be written is no
    // reason to refuse the settings.
    m_registry.WriteString(RegistryHive::kLocalMachine, kPollingDirKey, kPollingDirValue,
                           settings.m_pollDirectory);
  }
  const bool pollingChanged = settings.m_usePoll != old.m_usePoll ||
                              settings.m_pollDirectory != old.m_pollDirectory ||
                              settings.m_timerInterval != old.m_timerInterval ||
                              settings.m_detectMethod != old.m_detectMethod;
  if (pollingChanged) {
    if (settings.m_usePoll) {
      m_poller.StartPolling(settings);
    } else {
      m_poller.StopPolling();
    }
  }
}

void CTRQXClientDlg::ApplyRestartTimer() {
  const COpenNVInternalSettings& settings = Settings();
  if (settings.IsClientServerUpload() && settings.m_clientAutoRestart) {
    if (m_restartInterval != RestartInterval()) {
      SetRestartTimer();
    }
  } else if (m_restartInterval) {
    StopRestartTimer();
  }
}

// ---- Upload flow ----

bool CTRQXClientDlg::UploadInProgress() const {
  return Settings().IsClientServerUpload() ? m_transferInProgress : m_terminal.Running();
}

UploadResult CTRQXClientDlg::UploadPolledFile(const std::string& path) {
  if (UploadInProgress()) {
    return UploadResult::kBusy;
  }
  if (Settings().IsClientServerUpload() && !IsConnected()) {
    Logger().Log(kLogError, kCategorySystem, kMsgFreeText, {poller_text::kNotConnected});
    return UploadResult::kNotConnected;
  }
  // An unattended upload reads the terminal user's UUID as File Send does, so that its
  // "ADMIN=" value does not depend on an earlier File Send.
  ReadUserUuid();
  return Upload(path, false);
}

UploadResult CTRQXClientDlg::Upload(const std::string& path, bool fileSend) {
  COpenNVInternalSettings& settings = Settings();
  CLogger& logger = Logger();
  logger.Log(kLogInfo, kCategoryFtp, kMsgAttemptingUpload, {path});
  const std::uint32_t number = m_uploadNumber;
  std::string deskPath = path;
  if (IsSpreadsheetPath(deskPath)) {
    m_view.ShowStatusText(SpreadsheetStatusText(settings.m_excelFileFormat));
  }
  const SpreadsheetResult sheet =
      ConvertSpreadsheet(deskPath, settings.m_tempDirectory, settings.m_excelFileFormat, logger);
  if (sheet != SpreadsheetResult::kNotSpreadsheet) {
    m_view.ShowStatusText("");
  }
  if (sheet == SpreadsheetResult::kFailed) {
    ++m_uploadNumber;
    return FailUpload(deskPath, number);
  }
  std::string uploadPath;
  if (!ConvertDeskFile(deskPath, m_startup.SettingsFile(), m_startup.Profile(), m_terminalUserUuid,
                       logger, m_startup.Clock(), m_uploadNumber, uploadPath)) {
    return FailUpload(deskPath, number);
  }
  logger.Log(kLogInfo, kCategorySystem, kMsgUploadingFile,
             {deskPath + " (bid=" + settings.m_currentBasketId + ")"});
  m_current = {number, deskPath, fileSend, false};
  if (!settings.IsClientServerUpload()) {
    if (!m_terminal.Start(settings, uploadPath)) {
      return FailHandOver(deskPath, number);
    }
    return UploadResult::kHandedOver;
  }
  return HandOver(uploadPath);
}

UploadResult CTRQXClientDlg::HandOver(const std::string& uploadPath) {
  const std::string name(TrimBlanks(FileNamePart(uploadPath)));
  CFileError error;
  if (!Connected() || !m_connection.SendFile(name, uploadPath, m_current.m_number, error)) {
    if (error.m_cause != FileErrorCause::kNone) {
      Logger().Log(kLogInfo, kCategorySystem, kMsgFileError,
                   {error.m_fileName, std::to_string(error.m_osError)});
    }
    m_view.ShowMessageBox(kCannotUploadText);
    return FailHandOver(m_current.m_path, m_current.m_number);
  }
  m_transferInProgress = true;
  m_view.ShowUploadProgress(ProgressState::kInProgress);
  return UploadResult::kHandedOver;
}

UploadResult CTRQXClientDlg::FailUpload(const std::string& path, std::uint32_t number) {
  m_history.Add(path, HistoryTime(), HistoryState::kFailed, number, Settings().m_currentBasketId);
  return UploadResult::kFailed;
}

UploadResult CTRQXClientDlg::FailHandOver(const std::string& path, std::uint32_t number) {
  const UploadResult failed = FailUpload(path, number);
  // The file was converted but never went out: a polled file stays for a later scan, as
  // the poll folder keeps every file whose upload did not succeed.
  return m_current.m_fileSend ? failed : UploadResult::kBusy;
}

void CTRQXClientDlg::OnTerminalEnded(TerminalResult result) {
  const bool sent = result == TerminalResult::kSent;
  if (!m_current.m_fileSend) {
    m_poller.UploadEnded(sent);
  }
  if (sent) {
    m_history.Add(m_current.m_path, HistoryTime(), HistoryState::kSent, m_current.m_number,
                  Settings().m_currentBasketId);
  }
  // The next polled file goes now rather than at the folder's next change.
  if (Settings().m_usePoll) {
    PostToSelf([](CTRQXClientDlg& dialog) { dialog.m_poller.Scan(); });
  }
  EndUpload(sent);
}

void CTRQXClientDlg::EndUpload(bool sent) {
  if (m_observer != nullptr) {
    m_observer->UploadEnded(m_current.m_number, sent);
  }
}

void CTRQXClientDlg::PostToSelf(std::function<void(CTRQXClientDlg&)> step) {
  m_loop.Post([self = std::weak_ptr<CTRQXClientDlg*>(m_self), step = std::move(step)] {
    if (auto dialog = self.lock()) {
      step(**dialog);
    }
  });
}

void CTRQXClientDlg::ReadUserUuid() {
  ReadTerminalUserUuid(m_registry, Settings(), Logger(), m_terminalUserUuid);
}

// ---- Connection task ----

void CTRQXClientDlg::OnConnectionNotice(const CTaskNotice& notice) {
  if (notice.m_messageId == task_message::kClientLoggedIn) {
    // The flag stays: a File Send may have begun a transfer between the login and this
    // notice, and clearing the flag then would let a second upload overtake it.
    m_loggedIn = true;
    if (Settings().m_usePoll) {
      m_poller.Scan();
    }
    if (m_observer != nullptr) {
      m_observer->LoggedIn();
    }
    return;
  }
  switch (notice.m_code) {
    case client_task::kLogEntry:
      Logger().Log(notice.m_log.m_level, notice.m_log.m_category, notice.m_log.m_number,
                   notice.m_log.m_args);
      break;
    case client_task::kDeliveryReport:
      OnDeliveryReport(notice);
      break;
    case client_task::kFileAcknowledged:
      OnTransferClosed(HistoryState::kPending);
      break;
    case client_task::kCancelAcknowledged:
      OnTransferClosed(HistoryState::kCancelled);
      break;
    case client_task::kServerStatusText:
      m_view.Beep(kBeepHz, kBeepMs);
      m_view.ShowStatusText(notice.m_text);
      break;
    case client_task::kEndedGood:
    case client_task::kEndedBad:
      OnConnectionEnded(notice.m_code == client_task::kEndedGood);
      break;
    default:
      break;
  }
}

void CTRQXClientDlg::OnDeliveryReport(const CTaskNotice& notice) {
  const char outcome = notice.m_text.empty() ? '\0' : notice.m_text[0];
  HistoryState state = HistoryState::kFailed;
  for (const CDeliveryOutcome& row : kDeliveryOutcomes) {
    if (row.m_outcome == outcome) {
      m_view.AddUploadStatusLine(row.m_statusLine);
      state = row.m_state;
    }
  }
  if (state == HistoryState::kCancelled) {
    // A cancellation's number is 0: it stands for every upload the server still held.
    m_history.CancelPending(HistoryTime());
  } else {
    m_history.Update(notice.m_number, state, HistoryTime());
  }
  PostToSelf([](CTRQXClientDlg& dialog) { dialog.OnTransferEnded(); });
  const bool ours = m_transferInProgress &&
                    (state == HistoryState::kCancelled || notice.m_number == m_current.m_number);
  if (ours && m_observer != nullptr) {
    m_observer->UploadEnded(notice.m_number, state == HistoryState::kSent);
  }
}

void CTRQXClientDlg::OnTransferClosed(HistoryState state) {
  if (!m_transferInProgress || m_current.m_acknowledged) {
    return;
  }
  m_current.m_acknowledged = true;
  m_history.Add(m_current.m_path, HistoryTime(), state, m_current.m_number,
                Settings().m_currentBasketId);
  if (!m_current.m_fileSend) {
    m_poller.UploadEnded(state == HistoryState::kPending);
  }
  m_view.ShowUploadProgress(ProgressState::kClosed);
  if (state == HistoryState::kCancelled) {
    // No delivery report follows an aborted transfer: without this the client would wait
    // for one for ever and take no further upload.
    m_transferInProgress = false;
    EndUpload(false);
  }
}

void CTRQXClientDlg::OnTransferEnded() {
  m_transferInProgress = false;
  if (Settings().m_usePoll) {
    m_poller.Scan();
  }
}

void CTRQXClientDlg::OnConnectionEnded(bool good) {
  m_loggedIn = false;
  CSysErrorInfo error;
  if (!m_connection.Stop(CWorkerTask::kInfinite, error)) {
    LogSystemError(error);
  }
  Logger().Log(good ? kLogInfo : kLogError, kCategorySystem, kMsgClientTaskEnded);
  m_loggedIn = false;
  if (m_closing) {
    return;
  }
  if (m_transferInProgress) {
    m_transferInProgress = false;
    if (m_current.m_acknowledged) {
      m_history.Update(m_current.m_number, HistoryState::kFailed, HistoryTime());
    } else {
      if (!m_current.m_fileSend) {
        m_poller.UploadEnded(false);
      }
      m_history.Add(m_current.m_path, HistoryTime(), HistoryState::kFailed, m_current.m_number,
                    Settings().m_currentBasketId);
    }
    EndUpload(false);
  }
  m_view.ShowUploadProgress(ProgressState::kClosed);
  m_view.ShowStatusText(kConnectionDownText);
  ShowConnected(false);
  SetRestartTimer();
  if (m_observer != nullptr) {
    m_observer->ConnectionEnded();
  }
}

void CTRQXClientDlg::OnUploadProgressCancel() {
  m_view.Beep(kCancelBeepHz, kBeepMs);
  m_view.ShowUploadProgress(ProgressState::kClosed);
  CSysErrorInfo error;
  if (Connected() && !m_connection.AbortTransfer(error)) {
    m_view.Beep(kCancelBeepHz, kBeepMs);
    if (error.m_code != 0) {
      LogSystemError(error);
    }
  }
}

void CTRQXClientDlg::ShowConnected(bool connected) {
  m_view.EnableCommand(ClientCommand::kConnect, !connected && Settings().IsClientServerUpload());
  m_view.EnableCommand(ClientCommand::kDisconnect, connected);
  m_view.EnableCommand(ClientCommand::kCancelAll, connected);
}

void CTRQXClientDlg::SetRestartTimer() {
  const COpenNVInternalSettings& settings = Settings();
  if (settings.IsClientServerUpload() && settings.m_clientAutoRestart) {
    m_restartInterval = RestartInterval();
    m_loop.SetTimer(kRestartTimer, *m_restartInterval, [this] { OnConnect(); });
  }
}

void CTRQXClientDlg::StopRestartTimer() {
  m_loop.KillTimer(kRestartTimer);
  m_restartInterval.reset();
}

std::chrono::milliseconds CTRQXClientDlg::RestartInterval() const {
  return std::chrono::seconds(std::max(Settings().m_clientAutoRestartInterval, 1));
}

// ---- Housekeeping ----

void CTRQXClientDlg::OnDailyTimer() {
  const std::tm today = Today();
  if (SameDay(today, m_startDate)) {
    return;
  }
  CleanCacheFolder(Settings().m_cacheDirectory, m_startup.Clock()());
  m_history.Clear();
  m_startDate = today;
}

std::tm CTRQXClientDlg::Today() const {
  return LocalTime(m_startup.Clock()());
}

std::string CTRQXClientDlg::HistoryTime() const {
  return FormatLocal(m_startup.Clock()(), "%H:%M:%S %m/%d/%y");
}

void CTRQXClientDlg::LogSystemError(const CSysErrorInfo& error) {
  Logger().Log(kLogError, kCategorySystem, kMsgSystemError,
               {std::to_string(error.m_code), error.m_function});
}

std::optional<int> StartupExitCode(CTRQXClientDlg::Startup startup) {
  switch (startup) {
    case CTRQXClientDlg::Startup::kRunning:
      return std::nullopt;
    case CTRQXClientDlg::Startup::kClosed:
      return kClientExitNotSent;
    case CTRQXClientDlg::Startup::kAborted:
      break;
  }
  return kClientExitAborted;
}

}  // namespace trqx
