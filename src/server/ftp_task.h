#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "foundation/registry.h"
#include "foundation/sys/worker_task.h"
#include "server/forwarding_queue.h"
#include "server/ftp_client.h"
#include "server/server_settings.h"

namespace trqx {

namespace ftp_task {
inline constexpr int kStarted = 0;          // sent
inline constexpr int kPutSucceeded = 1;     // sent: upload number, local path
inline constexpr int kPutFailed = 2;        // sent: the same
inline constexpr int kServersSwitched = 3;  // sent: the new PrimaryIsActive (0 or 1)
inline constexpr int kLogEntry = 4;         // sent
inline constexpr int kEndedGood = 5;        // posted
inline constexpr int kEndedBad = 6;         // posted
// sent: a message box text. The terminal user's UUID could not be read; the window shows
// it without holding the task up.
inline constexpr int kShowMessage = 7;
inline constexpr TaskCodes kCodes{kStarted, kLogEntry, kEndedGood, kEndedBad};
}  // namespace ftp_task

enum class FtpHost { kPrimary = 0, kBackup = 1 };

// Puts of one host since the window last took them.
struct CHostCounters {
  int m_goodPuts = 0;
  int m_badPuts = 0;
  int m_retries = 0;
};

// The FTP task: takes each queued upload, adds the "ADMIN=" line where the server's serial
// number stood in for the desk's, and puts it on the active host, then on the other, pass
// after pass, until one takes it, the passes run out or the task is asked to stop. Each
// outcome goes to the owner (sent) together with the upload's number; a put file is
// deleted, a failed one stays. The task never touches sessions: the owner finds the
// upload's session through the queue.
class CFtpTask : public CWorkerTask {
 public:
  // queue, ftp and registry must outlive the task; lock is the one all server tasks share.
  CFtpTask(std::mutex& lock, CForwardingQueue& queue, FtpClient& ftp, const Registry& registry);
  ~CFtpTask() override;

  // Copies the settings and the counter rows' names (the host addresses the window shows),
  // zeroes the increments, then starts (CWorkerTask::Start).
  bool Start(const FTPPutSettings& settings, const std::string& primaryRow,
             const std::string& backupRow, CSysErrorInfo& error);

  // The increments of a host and its row's name as the task started with it. Only with the
  // shared lock held.
  CHostCounters& Increments(FtpHost host) { return m_counters[Index(host)]; }
  const std::string& RowName(FtpHost host) const { return m_rowNames[Index(host)]; }

 protected:
  bool Run() override;

 private:
  static int Index(FtpHost host) { return static_cast<int>(host); }
  // Adds "ADMIN=" after the first line when the terminal user's UUID on this machine is
  // not the file's.
  void AddAdministratorLine(const CQueueEntry& entry);
  std::string ReadTerminalUserUuid();
  bool PutWithRetries(const CQueueEntry& entry);
  bool PutOn(FtpHost host, const CQueueEntry& entry);
  void Count(FtpHost host, int CHostCounters::*counter);
  void ReportOutcome(bool sent, const CQueueEntry& entry);

  CForwardingQueue& m_queue;
  FtpClient& m_ftp;
  const Registry& m_registry;
  FTPPutSettings m_settings;  // the copy of this run; PrimaryIsActive follows each switch
  FtpSessionParams m_session;
  std::string m_rowNames[2];
  CHostCounters m_counters[2];  // guarded by the shared lock
};

}  // namespace trqx
