#include "server/ftp_task.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <string_view>
#include <utility>

#include "foundation/server_strings.h"
#include "foundation/user_info.h"
#include "server/spool_preparation.h"

namespace trqx {

namespace {

constexpr std::size_t kUserUuidLength = 30;
constexpr const char* kOpenKeyFailed =
    "Error Opening 'HKEY_???\\Software\\Norvane L.P.\\User Info' Registry Key...Error code:";
constexpr const char* kReadValueFailed =
    "Error reading Registry information (USERUUID) ...Error code:";
// The session of a put is no host's; only a failed login or put names the connection.
constexpr std::uint32_t kSessionContext = 0;

FtpHost Other(FtpHost host) {
  return host == FtpHost::kPrimary ? FtpHost::kBackup : FtpHost::kPrimary;
}

}  // namespace

CFtpTask::CFtpTask(std::mutex& lock, CForwardingQueue& queue, FtpClient& ftp,
                   const Registry& registry)
    : CWorkerTask(lock, ftp_task::kCodes, {kCategoryFtp, server_strings::kMsgSystemError}, false),
      m_queue(queue),
      m_ftp(ftp),
      m_registry(registry) {}

CFtpTask::~CFtpTask() {
  StopAndJoin();
}

bool CFtpTask::Start(const FTPPutSettings& settings, const std::string& primaryRow,
                     const std::string& backupRow, CSysErrorInfo& error) {
  if (IsRunning()) {
    return CWorkerTask::Start(error);  // fails: one run at a time
  }
  m_settings = settings;
  m_session = {.m_user = settings.m_username,
               .m_password = settings.m_password,
               .m_sessionType = settings.m_sessionType,
               .m_proxyAddress = settings.m_proxyAddress,
               .m_bypassList = settings.m_bypassList};
  m_rowNames[0] = primaryRow;
  m_rowNames[1] = backupRow;
  {
    std::lock_guard<std::mutex> guard(Lock());
    m_counters[0] = m_counters[1] = {};
  }
  return CWorkerTask::Start(error);
}

bool CFtpTask::Run() {
  while (!StopRequested()) {
    CQueueEntry entry;
    CSysErrorInfo error;
    switch (m_queue.Take(-1, &WakeEvent(), entry, error)) {
      case CForwardingQueue::Taken::kWaitFailed:
        LogSystemError(error);
        return false;
      case CForwardingQueue::Taken::kEmpty:
        break;
      case CForwardingQueue::Taken::kEntry:
        if (entry.m_serverMarker) {
          AddAdministratorLine(entry);
        }
        ReportOutcome(PutWithRetries(entry), entry);
        break;
    }
  }
  return true;
}

void CFtpTask::AddAdministratorLine(const CQueueEntry& entry) {
  const std::string uuid = ReadTerminalUserUuid();
  if (uuid == entry.m_headerUuid) {
    return;
  }
  CFileError error;
  if (!InsertLineAfterFirst(entry.m_localPath, AdministratorLine(uuid), error)) {
    Log(kLogError, server_strings::kMsgFileError,
        {std::to_string(error.m_osError), error.m_function});
  }
}

std::string CFtpTask::ReadTerminalUserUuid() {
  std::string uuid;
  CUserInfoRead read = ReadUserInfoValue(m_registry, kUserInfoUuid, kUserUuidLength, uuid);
  if (read.m_code != Registry::kSuccess) {
    CTaskNotice message;
    message.m_code = ftp_task::kShowMessage;
    message.m_text =
        (read.m_keyMissing ? kOpenKeyFailed : kReadValueFailed) + std::to_string(read.m_code);
    NotifySend(std::move(message));
    Log(kLogError, server_strings::kMsgRegistryReadFailed,
        {kUserInfoKeyText, std::to_string(read.m_code)});
  }
  return uuid;
}

bool CFtpTask::PutWithRetries(const CQueueEntry& entry) {
  for (int pass = 0;; ++pass) {
    const FtpHost active = m_settings.m_primaryIsActive ? FtpHost::kPrimary : FtpHost::kBackup;
    if (pass > 0) {
      Count(active, &CHostCounters::m_retries);
    }
    if (PutOn(active, entry)) {
      return true;
    }
    if (pass > 0) {
      Count(Other(active), &CHostCounters::m_retries);
    }
    if (PutOn(Other(active), entry)) {
      m_settings.m_primaryIsActive = !m_settings.m_primaryIsActive;
      CTaskNotice switched;
      switched.m_code = ftp_task::kServersSwitched;
      switched.m_number = m_settings.m_primaryIsActive ? 1 : 0;
      NotifySend(std::move(switched));
      return true;
    }
    bool stopped = false;
    CSysErrorInfo error;
    const int interval = static_cast<int>(
        std::min<std::uint32_t>(m_settings.m_retryInterval, static_cast<std::uint32_t>(INT_MAX)));
    if (!WakeEvent().Wait(interval, sys_call::kWaitThread, stopped, error)) {
      LogSystemError(error);
      return false;
    }
    if (StopRequested() || (!m_settings.m_infiniteRetry && pass >= m_settings.m_retryLimit)) {
      return false;
    }
  }
}

bool CFtpTask::PutOn(FtpHost host, const CQueueEntry& entry) {
  const std::string& address =
      host == FtpHost::kPrimary ? m_settings.m_primaryAddress : m_settings.m_backupAddress;
  FtpResult result = m_ftp.Put(m_session, {.m_host = address,
                                           .m_localPath = entry.m_localPath,
                                           .m_remoteName = entry.m_remoteName,
                                           .m_connectContext = kSessionContext});
  if (result.Ok()) {
    Count(host, &CHostCounters::m_goodPuts);
    return true;
  }
  if (result.m_failure == FtpFailure::kConnect) {
    Log(kLogError, server_strings::kMsgInternetException,
        {std::to_string(result.m_error), std::to_string(result.m_context)});
  } else {
    CSysErrorInfo error;
    error.Set(result.m_error, kPutFileCall);
    LogSystemError(error);
  }
  Count(host, &CHostCounters::m_badPuts);
  return false;
}

void CFtpTask::Count(FtpHost host, int CHostCounters::*counter) {
  std::lock_guard<std::mutex> guard(Lock());
  ++(m_counters[Index(host)].*counter);
}

void CFtpTask::ReportOutcome(bool sent, const CQueueEntry& entry) {
  CTaskNotice outcome;
  outcome.m_code = sent ? ftp_task::kPutSucceeded : ftp_task::kPutFailed;
  outcome.m_text = entry.m_localPath;
  outcome.m_number = entry.m_uploadNumber;
  NotifySend(std::move(outcome));
  if (sent) {
    ::unlink(entry.m_localPath.c_str());
  }
}

}  // namespace trqx
