#include "server/vexo_server_dlg.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "foundation/server_strings.h"
#include "foundation/sys/task_codes.h"
#include "foundation/user_info.h"
#include "server/setup_dialogs.h"
#include "server/spool_preparation.h"

namespace trqx {

namespace {

using namespace server_strings;

constexpr std::chrono::milliseconds kCounterInterval{1000};
// How often a stop looks whether the sessions' last reports have gone out.
constexpr std::chrono::milliseconds kSessionStopInterval{50};
constexpr std::size_t kSerialNumberLength = 30;
constexpr const char* kConfirmExitText = "Press OK if you really want to Exit";
constexpr const char* kConfirmExitCaption = "Confirm Exit";
constexpr unsigned kBeepHz = 300;
constexpr unsigned kBeepMs = 100;
constexpr char kTimeFormat[] = "%m/%d/%Y %H:%M:%S";

HostRow RowOf(FtpHost host) {
  return static_cast<HostRow>(host);
}

// Each component of a relative path in turn, as far as it can be made.
void CreateFolders(const std::string& path) {
  for (std::size_t slash = path.find('/');; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    ::mkdir(part.c_str(), 0777);
    if (slash == std::string::npos) {
      return;
    }
  }
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void CVEXOServerDlg::WindowLogSink::Log(const CLogEntry& entry) {
  m_view.AddLogLine(entry);
  m_file.Write(entry);
}

CVEXOServerDlg::CVEXOServerDlg(ServerView& view, EventLoop& loop, const Registry& registry,
                               FtpClient& ftp, WallClock clock)
    : m_view(view),
      m_loop(loop),
      m_registry(registry),
      m_clock(std::move(clock)),
      m_logFile(kLogFileName, LogFlavour::kServer),
      m_logSink(m_logFile, view),
      m_logger(m_logSink, ServerStrings(), m_clock),
      m_acceptTask(m_sharedLock, {kCategoryServer, kMsgSystemError},
                   {kMsgSocketError, kMsgUnexpectedSocketClose}),
      m_ftpTask(m_sharedLock, m_queue, ftp, registry) {
  m_acceptTask.SetOwner(&m_loop, task_message::kServerAccept,
                        [this](const CTaskNotice& notice) { OnAcceptNotice(notice); });
  m_ftpTask.SetOwner(&m_loop, task_message::kServerFtp,
                     [this](const CTaskNotice& notice) { OnFtpNotice(notice); });
}

CVEXOServerDlg::~CVEXOServerDlg() {
  CSysErrorInfo ignored;
  m_acceptTask.Stop(CWorkerTask::kInfinite, ignored);
  m_ftpTask.Stop(CWorkerTask::kInfinite, ignored);
  for (const auto& session : m_sessions) {
    session->Task().Stop(CWorkerTask::kInfinite, ignored);
  }
}

bool CVEXOServerDlg::OnInitDialog() {
  m_exiting = false;
  CFileError settingsError;
  m_settings.LoadFile(kSettingsFileName, settingsError);  // a failure leaves the defaults

  std::vector<CLogEntry> entries;
  CFileError logError;
  if (!m_logFile.Open(entries, logError)) {
    m_view.ShowMessageBox(
        SubstituteArguments(ServerStrings().Text(kMsgFileError),
                            {std::to_string(logError.m_osError), logError.m_fileName}));
    return false;
  }
  m_view.ShowLoadedLog(entries);

  CSysErrorInfo error;
  if (!m_queue.Create(error)) {
    LogSystemError(error);
    return false;
  }

  ShowStatus(StatusBox::kFtp, TaskState::kInitial);
  ShowStatus(StatusBox::kAccept, TaskState::kInitial);
  ShowActiveHost();
  m_view.EnableCommand(ServerCommand::kStop, false);
  m_rowNames[0] = FtpSettings().m_primaryAddress;
  m_rowNames[1] = FtpSettings().m_backupAddress;
  for (HostRow row : {HostRow::kPrimary, HostRow::kBackup}) {
    m_view.ShowHostAddress(row, m_rowNames[static_cast<int>(row)]);
    m_view.ShowCounters(row, "0", "0", "0");
  }

  m_view.ShowBehavior(UserSettings().m_autoRestart, UserSettings().m_restartInterval);
  Log(kLogInfo, kCategorySystem, kMsgSystemStarting);
  SetRestartTimer();
  m_loop.SetTimer(kCounterTimer, kCounterInterval, [this] { RefreshCounters(); });
  ReadSerialNumber();
  return true;
}

void CVEXOServerDlg::OnDestroy() {
  CSysErrorInfo error;
  if (!m_ftpTask.IsRunning() && !m_queue.Close(error)) {
    LogSystemError(error);
  }
  Log(kLogInfo, kCategorySystem, kMsgSystemEnding);
}

void CVEXOServerDlg::ReadSerialNumber() {
  std::string serial;
  const CUserInfoRead read =
      ReadUserInfoValue(m_registry, kUserInfoSerialNumber, kSerialNumberLength, serial);
  if (read.m_code != Registry::kSuccess) {
    Log(kLogWarning, kCategorySystem, kMsgRegistryReadFailed,
        {kUserInfoKeyText, std::to_string(read.m_code)});
    return;
  }
  m_serialNumber = serial;
  m_view.ShowSerialNumber(serial);
}

// ---- Commands ----

void CVEXOServerDlg::OnStart() {
  if (m_exiting) {
    return;
  }
  m_view.EnableCommand(ServerCommand::kStart, false);
  m_view.EnableCommand(ServerCommand::kStop, true);
  CSysErrorInfo error;
  bool started = true;
  if (!m_ftpTask.IsRunning()) {
    // Only a queue no task takes from is cleared: a restart that finds the FTP task running
    // must not drop the uploads waiting for it.
    m_queue.Clear();
    started = m_ftpTask.Start(FtpSettings(), m_rowNames[0], m_rowNames[1], error);
    if (!started) {
      LogSystemError(error);
    }
  }
  if (started && !m_acceptTask.IsRunning()) {
    StartAcceptTask();
  }
  RefreshMenus();
}

void CVEXOServerDlg::StartAcceptTask() {
  const CUserSettings& users = UserSettings();
  CSysErrorInfo error;
  // The file may hold any number; one that is no port fails as binding it would.
  if (users.m_port < 0 || users.m_port > 65535) {
    error.Set(EINVAL, sys_call::kBind);
    LogSystemError(error);
    return;
  }
  m_acceptTask.Configure(static_cast<std::uint16_t>(users.m_port), users.m_maxClients);
  if (!m_acceptTask.Start(error)) {
    LogSystemError(error);
  }
}

void CVEXOServerDlg::OnStop() {
  StopEveryTask();
}

void CVEXOServerDlg::StopEveryTask() {
  CSysErrorInfo error;
  for (CWorkerTask* task : std::initializer_list<CWorkerTask*>{&m_acceptTask, &m_ftpTask}) {
    if (task->IsRunning() && !task->Stop(std::chrono::milliseconds(0), error)) {
      LogSystemError(error);
    }
  }
  // The FTP task's end reports each queued upload to its client; the sessions close once
  // those reports have gone out, since a closing session drops what it has not sent.
  if (m_ftpTask.IsRunning()) {
    m_stopSessionsAfterFtp = true;
  } else {
    StopSessions();
  }
}

void CVEXOServerDlg::StopSessions() {
  bool waiting = false;
  CSysErrorInfo error;
  for (const auto& session : m_sessions) {
    if (!session->Task().IsRunning() || session->StopAsked()) {
      continue;
    }
    if (session->Task().PendingReports() > 0) {
      waiting = true;
      continue;
    }
    session->MarkStopAsked();
    if (!session->Task().Stop(std::chrono::milliseconds(0), error)) {
      LogSystemError(error);
    }
  }
  if (waiting) {
    m_loop.SetTimer(kSessionStopTimer, kSessionStopInterval, [this] { StopSessions(); });
  } else {
    m_loop.KillTimer(kSessionStopTimer);
  }
}

void CVEXOServerDlg::OnEventLog() {
  if (!m_view.ShowEventLog()) {
    m_view.Beep(kBeepHz, kBeepMs);
  }
}

void CVEXOServerDlg::OnExit() {
  if (!m_view.Confirm(kConfirmExitText, kConfirmExitCaption)) {
    return;
  }
  m_exiting = true;
  m_view.DisableWindow();
  if (!AnyTaskRunning()) {
    m_view.CloseWindow();
    return;
  }
  StopEveryTask();
}

void CVEXOServerDlg::OnBehaviorEdited() {
  m_view.EnableApply(true);
}

void CVEXOServerDlg::OnApplyBehavior(bool autoRestart, std::uint32_t intervalSeconds) {
  CBehaviorBox box(m_settings, kSettingsFileName);
  box.OnAutoRestartChanged(autoRestart);
  box.OnIntervalChanged(intervalSeconds);
  const CBehaviorBox::Applied applied = box.OnApply();
  if (!applied.m_saved) {
    LogFileError(applied.m_error);
  }
  SetRestartTimer();
  m_view.EnableApply(box.ApplyEnabled());
}

void CVEXOServerDlg::OnFtpSettingsChanged() {
  m_rowNames[0] = FtpSettings().m_primaryAddress;
  m_rowNames[1] = FtpSettings().m_backupAddress;
  m_view.ShowHostAddress(HostRow::kPrimary, m_rowNames[0]);
  m_view.ShowHostAddress(HostRow::kBackup, m_rowNames[1]);
  SaveSettings();
}

void CVEXOServerDlg::OnUserSettingsChanged() {
  SaveSettings();
}

void CVEXOServerDlg::SaveSettings() {
  CFileError error;
  if (!m_settings.SaveFile(kSettingsFileName, error)) {
    LogFileError(error);
  }
}

void CVEXOServerDlg::LogFileError(const CFileError& error) {
  Log(kLogError, kCategorySystem, kMsgFileError,
      {std::to_string(error.m_osError), error.m_fileName});
}

bool CVEXOServerDlg::AnyTaskRunning() const {
  return m_acceptTask.IsRunning() || m_ftpTask.IsRunning() || m_sessions.AnyRunning();
}

// ---- Accept task ----

void CVEXOServerDlg::OnAcceptNotice(const CTaskNotice& notice) {
  switch (notice.m_code) {
    case accept_task::kStarted:
      ShowStatus(StatusBox::kAccept, TaskState::kUp);
      Log(kLogInfo, kCategoryServer, kMsgAcceptTaskStarted);
      break;
    case accept_task::kClientAccepted:
      Admit(notice);
      break;
    case accept_task::kLogEntry:
      Log(notice.m_log.m_level, notice.m_log.m_category, notice.m_log.m_number,
          notice.m_log.m_args);
      break;
    case accept_task::kEndedGood:
    case accept_task::kEndedBad: {
      const bool good = notice.m_code == accept_task::kEndedGood;
      CSysErrorInfo error;
      m_acceptTask.Stop(CWorkerTask::kInfinite, error);
      m_acceptTask.Reap();
      Log(good ? kLogInfo : kLogError, kCategoryServer,
          good ? kMsgAcceptTaskEndedGood : kMsgAcceptTaskEndedBad);
      OnTaskEnded(StatusBox::kAccept, good);
      break;
    }
  }
}

void CVEXOServerDlg::Admit(const CTaskNotice& notice) {
  const std::string& address = notice.m_text;
  if (m_exiting || notice.m_socket == nullptr) {
    return;  // the accepted socket closes when the task goes on
  }
  const CUserSettings& users = UserSettings();
  if (static_cast<long long>(m_sessions.Size()) >= users.m_maxClients) {
    AddHistory(address, kHistTooManyClients);
    Log(kLogWarning, kCategoryServer, kMsgTooManyClients, {address});
    return;
  }
  if (!users.m_acceptUnAuthorizedClients &&
      std::find(users.m_clientList.begin(), users.m_clientList.end(), address) ==
          users.m_clientList.end()) {
    AddHistory(address, kHistInvalidClient);
    Log(kLogWarning, kCategoryServer, kMsgInvalidClient, {address});
    return;
  }
  unsigned clientId = 0;
  if (!m_sessions.FreeId(clientId)) {
    AddHistory(address, kHistNoFreeResources);
    Log(kLogWarning, kCategoryServer, kMsgNoAvailableId);
    return;
  }
  auto task = std::make_unique<CSessionTask>(m_sharedLock, std::make_unique<CDiskSpoolFile>(),
                                             ProcessSpoolCounter());
  CServerSession& session =
      m_sessions.Add(std::make_unique<CServerSession>(clientId, address, std::move(task)));
  CreateFolders(session.Directory());
  if (!StartSession(session, std::move(*notice.m_socket))) {
    m_sessions.Remove(&session);
    return;
  }
  AddHistory(address, kHistAccepted);
  Log(kLogInfo, kCategoryServer, kMsgAcceptedRemoteHost, {address});
  RefreshMenus();
}

bool CVEXOServerDlg::StartSession(CServerSession& session, CSysSocket socket) {
  CSessionTask& task = session.Task();
  CServerSession* key = &session;
  task.SetOwner(&m_loop, task_message::kServerSession,
                [this, key](const CTaskNotice& notice) { OnSessionNotice(key, notice); });
  task.Adopt(std::move(socket), UserSettings().m_login, UserSettings().m_password,
             session.Directory(), FtpSettings().m_username);
  CSysErrorInfo error;
  if (!task.Start(error)) {
    LogSystemError(error);
    return false;
  }
  return true;
}

// ---- Sessions ----

void CVEXOServerDlg::OnSessionNotice(CServerSession* session, const CTaskNotice& notice) {
  if (!m_sessions.Contains(session)) {
    return;
  }
  switch (notice.m_code) {
    case session_task::kLogEntry:
      Log(notice.m_log.m_level, notice.m_log.m_category, notice.m_log.m_number,
          notice.m_log.m_args);
      break;
    case session_task::kFileReceived:
      PrepareReceivedFile(*session, notice.m_text, notice.m_number);
      break;
    case session_task::kCancelRequest: {
      std::size_t withdrawn = 0;
      Withdraw(session, withdrawn);
      if (withdrawn > 0) {
        ReportDelivery(*session, 0, wire::kDeliveryCancelled);
      }
      AddHistory(session->PeerAddress(), kHistCancelRequest);
      break;
    }
    case session_task::kEndedGood:
    case session_task::kEndedBad:
      OnSessionEnded(session, notice.m_code == session_task::kEndedGood);
      break;
  }
}

void CVEXOServerDlg::PrepareReceivedFile(CServerSession& session, const std::string& path,
                                         std::uint32_t uploadNumber) {
  CSpoolHeader header;
  CFileError fileError;
  if (!ScanSpoolFile(path, header, fileError) ||
      !ReplaceServerSerialNumber(path, header, m_serialNumber, fileError)) {
    Log(kLogError, kCategoryFtp, kMsgFileError,
        {std::to_string(fileError.m_osError), fileError.m_fileName});
    ReportDelivery(session, uploadNumber, wire::kDeliveryFailed);
    return;
  }
  CQueueEntry entry;
  entry.m_localPath = path;
  entry.m_remoteName = BaseName(path);
  entry.m_session = &session;
  entry.m_uploadNumber = uploadNumber;
  entry.m_headerUuid = header.m_headerUuid;
  entry.m_serverMarker = header.m_serverMarker;
  Forward(session, entry);
  AddHistory(session.PeerAddress(), kHistFileReceived, {entry.m_remoteName});
}

void CVEXOServerDlg::Forward(CServerSession& session, const CQueueEntry& entry) {
  CSysErrorInfo error;
  // Behind uploads already waiting, an upload waits too, so they go out in order.
  const CForwardingQueue::Enqueued enqueued =
      m_waiting.empty() ? m_queue.Enqueue(entry, error) : CForwardingQueue::Enqueued::kFull;
  if (enqueued == CForwardingQueue::Enqueued::kEventFailed) {
    LogSystemError(error);
  } else if (enqueued == CForwardingQueue::Enqueued::kFull) {
    if (m_waiting.size() < kMaxWaiting) {
      m_waiting.push_back(entry);
      return;
    }
    Log(kLogError, kCategoryFtp, kMsgQueueFull);
    ReportDelivery(session, entry.m_uploadNumber, wire::kDeliveryFailed);
  }
}

void CVEXOServerDlg::RefillQueue() {
  CSysErrorInfo error;
  while (!m_waiting.empty()) {
    switch (m_queue.Enqueue(m_waiting.front(), error)) {
      case CForwardingQueue::Enqueued::kQueued:
        m_waiting.pop_front();
        break;
      case CForwardingQueue::Enqueued::kFull:
        return;
      case CForwardingQueue::Enqueued::kEventFailed:
        LogSystemError(error);
        return;
    }
  }
}

bool CVEXOServerDlg::Withdraw(const CServerSession* session, std::size_t& count) {
  const bool notForwarding = m_queue.Withdraw(session, count);
  count += std::erase_if(m_waiting,
                         [&](const CQueueEntry& entry) { return entry.m_session == session; });
  return notForwarding;
}

void CVEXOServerDlg::OnSessionEnded(CServerSession* session, bool good) {
  CSysErrorInfo error;
  session->Task().Stop(CWorkerTask::kInfinite, error);
  session->Task().Reap();
  std::size_t withdrawn = 0;
  const std::string address = session->PeerAddress();
  if (Withdraw(session, withdrawn)) {
    m_sessions.Remove(session);
  } else {
    session->MarkEnded();
  }
  AddHistory(address, good ? kHistOffline : kHistOfflineError);
  RefreshMenus();
}

void CVEXOServerDlg::ReportDelivery(CServerSession& session, std::uint32_t uploadNumber,
                                    char outcome) {
  CSysErrorInfo error;
  if (!session.QueueDeliveryReport(uploadNumber, outcome, error) && error.m_code != 0) {
    LogSystemError(error);
  }
}

// ---- FTP task ----

void CVEXOServerDlg::OnFtpNotice(const CTaskNotice& notice) {
  switch (notice.m_code) {
    case ftp_task::kStarted:
      ShowStatus(StatusBox::kFtp, TaskState::kUp);
      Log(kLogInfo, kCategoryFtp, kMsgFtpTaskStarted);
      break;
    case ftp_task::kPutSucceeded:
    case ftp_task::kPutFailed:
      OnPutOutcome(notice, notice.m_code == ftp_task::kPutSucceeded);
      break;
    case ftp_task::kServersSwitched:
      FtpSettings().m_primaryIsActive = !FtpSettings().m_primaryIsActive;
      ShowActiveHost();
      Log(kLogWarning, kCategoryFtp, kMsgSwitchingServers);
      break;
    case ftp_task::kLogEntry:
      Log(notice.m_log.m_level, notice.m_log.m_category, notice.m_log.m_number,
          notice.m_log.m_args);
      break;
    case ftp_task::kShowMessage:
      m_view.ShowMessageBox(notice.m_text);
      break;
    case ftp_task::kEndedGood:
    case ftp_task::kEndedBad:
      OnFtpTaskEnded(notice.m_code == ftp_task::kEndedGood);
      break;
  }
}

void CVEXOServerDlg::OnPutOutcome(const CTaskNotice& notice, bool sent) {
  // The put's entry is the one being forwarded until Done.
  auto* session = const_cast<CServerSession*>(m_queue.ForwardingSession());
  m_queue.Done();
  RefillQueue();
  Log(kLogInfo, kCategoryFtp, kMsgPutOutcome,
      {notice.m_text,
       std::string(ServerStrings().Text(sent ? kMsgSuccessfullySent : kMsgFailedOnSend))});
  if (session == nullptr || !m_sessions.Contains(session)) {
    return;
  }
  if (session->Ended()) {
    m_sessions.Remove(session);
    return;
  }
  ReportDelivery(*session, notice.m_number,
                 sent ? wire::kDeliveryForwarded : wire::kDeliveryFailed);
}

void CVEXOServerDlg::OnFtpTaskEnded(bool good) {
  CSysErrorInfo error;
  m_ftpTask.Stop(CWorkerTask::kInfinite, error);
  m_ftpTask.Reap();
  m_queue.Done();
  std::vector<CServerSession*> ended;
  for (const auto& session : m_sessions) {
    if (session->Ended()) {
      ended.push_back(session.get());
      continue;
    }
    std::size_t withdrawn = 0;
    Withdraw(session.get(), withdrawn);
    for (std::size_t i = 0; i < withdrawn; ++i) {
      ReportDelivery(*session, 0, wire::kDeliveryTaskEnded);
    }
  }
  for (CServerSession* session : ended) {
    m_sessions.Remove(session);
  }
  Log(kLogInfo, kCategoryFtp, good ? kMsgFtpTaskEndedGood : kMsgFtpTaskEndedBad);
  OnTaskEnded(StatusBox::kFtp, good);
  if (m_stopSessionsAfterFtp) {
    m_stopSessionsAfterFtp = false;
    StopSessions();
  }
}

// ---- Window state ----

void CVEXOServerDlg::OnTaskEnded(StatusBox box, bool good) {
  ShowStatus(box, good ? TaskState::kStopped : TaskState::kDown);
  SetRestartTimer();
  RefreshMenus();
}

void CVEXOServerDlg::RefreshMenus() {
  const bool running = AnyTaskRunning();
  m_view.EnableCommand(ServerCommand::kStart, !running);
  m_view.EnableCommand(ServerCommand::kStop, running);
  if (m_exiting && !running) {
    m_view.CloseWindow();
  }
}

void CVEXOServerDlg::SetRestartTimer() {
  const CUserSettings& users = UserSettings();
  if (users.m_autoRestart && users.m_restartInterval != 0) {
    m_loop.SetTimer(kRestartTimer, std::chrono::seconds(users.m_restartInterval),
                    [this] { OnStart(); });
  } else {
    m_loop.KillTimer(kRestartTimer);
  }
}

void CVEXOServerDlg::RefreshCounters() {
  std::unique_lock<std::mutex> guard(m_sharedLock, std::try_to_lock);
  if (!guard.owns_lock()) {
    return;  // a task holds it: the next tick shows the counts
  }
  for (FtpHost host : {FtpHost::kPrimary, FtpHost::kBackup}) {
    CHostCounters& increments = m_ftpTask.Increments(host);
    CHostCounters& totals = m_totals[static_cast<int>(host)];
    if (m_ftpTask.RowName(host) == m_rowNames[static_cast<int>(host)]) {
      totals.m_goodPuts += increments.m_goodPuts;
      totals.m_badPuts += increments.m_badPuts;
      totals.m_retries += increments.m_retries;
    }
    increments = {};
  }
  guard.unlock();
  for (FtpHost host : {FtpHost::kPrimary, FtpHost::kBackup}) {
    const CHostCounters& totals = m_totals[static_cast<int>(host)];
    m_view.ShowCounters(RowOf(host), std::to_string(totals.m_goodPuts),
                        std::to_string(totals.m_badPuts), std::to_string(totals.m_retries));
  }
}

void CVEXOServerDlg::ShowStatus(StatusBox box, TaskState state) {
  const char* word = StatusLook(state).m_word;
  m_view.ShowStatus(
      box, state,
      state == TaskState::kInitial ? word : std::string(word) + " at " + LocalTimeText());
}

void CVEXOServerDlg::ShowActiveHost() {
  m_view.ShowActiveHost(FtpSettings().m_primaryIsActive ? HostRow::kPrimary : HostRow::kBackup);
}

void CVEXOServerDlg::AddHistory(const std::string& address, std::uint32_t event,
                                const std::vector<std::string>& args) {
  if (m_historyRows >= kMaxHistoryRows) {
    m_view.DeleteOldestHistoryRow();
    --m_historyRows;
  }
  m_view.AddHistoryRow(
      {LocalTimeText(), address, SubstituteArguments(ServerStrings().Text(event), args)});
  ++m_historyRows;
}

void CVEXOServerDlg::Log(LogLevel level, LogCategory category, std::uint32_t number,
                         const std::vector<std::string>& args) {
  m_logger.Log(level, category, number, args);
}

void CVEXOServerDlg::LogSystemError(const CSysErrorInfo& error) {
  Log(kLogError, kCategorySystem, kMsgSystemError,
      {std::to_string(error.m_code), error.m_function});
}

std::string CVEXOServerDlg::LocalTimeText() const {
  const std::time_t now = m_clock();
  std::tm local{};
  char text[32] = {};
  if (::localtime_r(&now, &local) != nullptr) {
    std::strftime(text, sizeof text, kTimeFormat, &local);
  }
  return text;
}

const CStatusLook& StatusLook(TaskState state) {
  static constexpr CStatusLook kLooks[] = {
      {"  INITIAL   ", 0, 128, 128},
      {"     UP     ", 0, 255, 0},
      {"  STOPPED   ", 0, 0, 0},
      {"    DOWN    ", 255, 0, 0},
  };
  return kLooks[static_cast<int>(state)];
}

}  // namespace trqx
