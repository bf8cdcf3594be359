#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "foundation/registry.h"
#include "foundation/sys/accept_task.h"
#include "foundation/sys/event_loop.h"
#include "server/forwarding_queue.h"
#include "server/ftp_client.h"
#include "server/ftp_task.h"
#include "server/server_session.h"
#include "server/server_settings.h"
#include "server/server_view.h"

namespace trqx {

// The logic of the server's window: starts and stops the accept task, the FTP task and the
// client sessions, admits clients, hands received files to the forwarding queue, turns
// forwarding outcomes into delivery reports and shows it all through the view. Lives on the
// window's thread, whose event loop carries every task notification.
class CVEXOServerDlg {
 public:
  static constexpr EventLoop::TimerId kCounterTimer = 201;
  static constexpr EventLoop::TimerId kRestartTimer = 202;
  // While a stop waits for sessions to send their last delivery reports.
  static constexpr EventLoop::TimerId kSessionStopTimer = 203;
  static constexpr std::size_t kMaxHistoryRows = 500;
  // Received uploads that may wait for room in the forwarding queue; beyond them an upload
  // fails at once.
  static constexpr std::size_t kMaxWaiting = 10000;
  static constexpr const char* kCaption = "Quorvel Upload Server 2.2f";
  static constexpr const char* kSettingsFileName = "VEXOSvr.cfg";
  static constexpr const char* kLogFileName = "qxu.log";

  // Everything must outlive the dialog. The working folder is the current one.
  CVEXOServerDlg(ServerView& view, EventLoop& loop, const Registry& registry, FtpClient& ftp,
                 WallClock clock = SystemTime);
  ~CVEXOServerDlg();
  CVEXOServerDlg(const CVEXOServerDlg&) = delete;
  CVEXOServerDlg& operator=(const CVEXOServerDlg&) = delete;

  // Start-up: settings, log file, queue, window set-up, timers, serial number. False when
  // the program ends (the view has shown or logged why).
  bool OnInitDialog();
  // Shut-down when the window is destroyed: closes what no task uses any more, logs the
  // end.
  void OnDestroy();

  // Menu commands.
  void OnStart();
  void OnStop();
  void OnEventLog();
  // Asks "Confirm Exit"; on OK stops everything and closes once nothing runs.
  void OnExit();
  // The "Behavior" box: a field changed (enables "Apply"), "Apply" pressed.
  void OnBehaviorEdited();
  void OnApplyBehavior(bool autoRestart, std::uint32_t intervalSeconds);
  // After OK in "Upload FTP Settings" or "User Setup" (the dialog changed the settings in
  // place): saves them; the FTP dialog's new addresses go to the counter rows.
  void OnFtpSettingsChanged();
  void OnUserSettingsChanged();

  bool AnyTaskRunning() const;
  bool Exiting() const { return m_exiting; }
  CUserSettings& UserSettings() { return m_settings.m_user; }
  FTPPutSettings& FtpSettings() { return m_settings.m_ftp; }
  const CSessionList& Sessions() const { return m_sessions; }
  const CForwardingQueue& Queue() const { return m_queue; }
  std::size_t WaitingCount() const { return m_waiting.size(); }
  // The lock every task shares; the window only tries it for the counters.
  std::mutex& SharedLock() { return m_sharedLock; }
  // The port the accept task listens on (0 while it does not).
  std::uint16_t ListeningPort() const { return m_acceptTask.ListeningPort(); }

 private:
  class WindowLogSink : public LogSink {
   public:
    WindowLogSink(CLogFile& file, ServerView& view) : m_file(file), m_view(view) {}
    void Log(const CLogEntry& entry) override;

   private:
    CLogFile& m_file;
    ServerView& m_view;
  };

  void StartAcceptTask();
  void OnAcceptNotice(const CTaskNotice& notice);
  void OnFtpNotice(const CTaskNotice& notice);
  void OnSessionNotice(CServerSession* session, const CTaskNotice& notice);
  void Admit(const CTaskNotice& notice);
  bool StartSession(CServerSession& session, CSysSocket socket);
  void PrepareReceivedFile(CServerSession& session, const std::string& path,
                           std::uint32_t uploadNumber);
  // Hands the entry to the queue or, while the queue is full, to the waiting list.
  void Forward(CServerSession& session, const CQueueEntry& entry);
  // Moves waiting entries into the queue while it has room.
  void RefillQueue();
  // Removes the session's queued and waiting uploads (count: how many); false when one of
  // its uploads is being forwarded.
  bool Withdraw(const CServerSession* session, std::size_t& count);
  void OnSessionEnded(CServerSession* session, bool good);
  void OnPutOutcome(const CTaskNotice& notice, bool sent);
  void OnFtpTaskEnded(bool good);
  void OnTaskEnded(StatusBox box, bool good);
  void ReportDelivery(CServerSession& session, std::uint32_t uploadNumber, char outcome);
  void RefreshCounters();
  void RefreshMenus();
  void ShowStatus(StatusBox box, TaskState state);
  void ShowActiveHost();
  void SetRestartTimer();
  void StopEveryTask();
  // Stops every running session without unsent delivery reports; looks again later for the
  // others.
  void StopSessions();
  void SaveSettings();
  void LogFileError(const CFileError& error);
  void ReadSerialNumber();
  void AddHistory(const std::string& address, std::uint32_t event,
                  const std::vector<std::string>& args = {});
  void Log(LogLevel level, LogCategory category, std::uint32_t number,
           const std::vector<std::string>& args = {});
  void LogSystemError(const CSysErrorInfo& error);
  std::string LocalTimeText() const;

  ServerView& m_view;
  EventLoop& m_loop;
  const Registry& m_registry;
  WallClock m_clock;

  CServerSettings m_settings;
  CLogFile m_logFile;
  WindowLogSink m_logSink;
  CLogger m_logger;

  std::mutex m_sharedLock;  // shared by every task of the server
  CForwardingQueue m_queue;
  CAcceptTask m_acceptTask;
  CFtpTask m_ftpTask;
  CSessionList m_sessions;
  // Uploads that found the queue full, oldest first: a burst larger than the queue waits
  // here rather than being dropped, and moves in as the FTP task frees slots.
  std::deque<CQueueEntry> m_waiting;

  bool m_exiting = false;
  bool m_stopSessionsAfterFtp = false;
  std::string m_serialNumber;
  std::string m_rowNames[2];  // the addresses the counter rows show
  CHostCounters m_totals[2];
  std::size_t m_historyRows = 0;
};

}  // namespace trqx
