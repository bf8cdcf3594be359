#include "console/send/send_run.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "console/send/send_tally.h"
#include "foundation/client_strings.h"
#include "foundation/log_entry.h"
#include "foundation/paths.h"
#include "foundation/protocol/connection_task.h"
#include "foundation/sys/event_loop.h"

namespace trqx {

namespace {

// The owner of the connection task, in the place of the client's main window.
class CSendRun {
 public:
  CSendRun(const SendOptions& options, std::ostream& out)
      : m_options(options),
        m_out(out),
        m_waitedFor(options.m_cancelAfter != 0 ? options.m_cancelAfter : options.m_files.size()),
        m_task(m_lock, std::make_unique<CDiskUploadSource>()),
        m_tally(m_waitedFor) {}

  int Run();

 private:
  // Creates the socket, begins the connect and starts the task; false (logged) on failure.
  bool Start();
  void OnNotice(const CTaskNotice& notice);
  void OnAcknowledged();
  // Sends the next file, if one is left to send; a file that cannot be sent fails the run.
  void SendNext();
  bool Done() const { return m_failed || m_ended || m_tally.AllReported(); }
  void Print(const std::string& line) { m_out << line << std::endl; }
  // An event-log line, worded from the client's string table.
  void PrintLog(const CTaskLog& log);
  void PrintSystemError(const CSysErrorInfo& error) {
    PrintLog({kLogError,
              kCategoryServer,
              client_strings::kMsgSystemError,
              {std::to_string(error.m_code), error.m_function}});
  }

  const SendOptions& m_options;
  std::ostream& m_out;
  const std::size_t m_waitedFor;  // the files sent and waited for
  std::mutex m_lock;
  ManualEventLoop m_loop;  // outlives the task, which reports through it
  CConnectionTask m_task;
  CSendTally m_tally;
  std::size_t m_sent = 0;  // files sent so far; the last one is in flight until acknowledged
  bool m_loggedIn = false;
  bool m_ended = false;
  bool m_failed = false;
};

int CSendRun::Run() {
  const auto timeout = std::chrono::seconds(m_options.m_timeoutSeconds);
  if (!Start()) {
    return kSendFailed;
  }
  if (!m_loop.RunUntil([this] { return Done(); }, timeout)) {
    Print("timeout");
  }
  // The connection is lost when the task ended by itself with reports missing; ended by
  // the stop below, it is not.
  const bool lost = m_ended && !m_tally.AllReported();
  CSysErrorInfo error;
  if (!m_task.Stop(CWorkerTask::kInfinite, error)) {
    PrintSystemError(error);
  }
  m_loop.RunPending();  // what the task posted before it ended
  return m_tally.ExitCode(m_loggedIn, m_failed || lost);
}

bool CSendRun::Start() {
  sockaddr_in address{};
  CSysSocket socket;
  CSysErrorInfo error;
  SocketIo connect = SocketIo::kFailed;
  if (!MakeClientAddress(m_options.m_host, m_options.m_port, address)) {
    error.Set(EINVAL, sys_call::kConnect);  // no dotted address: the connect fails
  } else if (socket.Create(error)) {
    connect = socket.Connect(address, error);
  }
  if (connect != SocketIo::kFailed) {
    m_task.SetOwner(&m_loop, task_message::kClientConnection,
                    [this](const CTaskNotice& notice) { OnNotice(notice); });
    m_task.Adopt(std::move(socket), connect == SocketIo::kWouldBlock, m_options.m_login,
                 m_options.m_password);
    if (m_task.Start(error)) {
      return true;
    }
  }
  PrintSystemError(error);
  return false;
}

void CSendRun::OnNotice(const CTaskNotice& notice) {
  if (notice.m_messageId == task_message::kClientLoggedIn) {
    m_loggedIn = true;
    Print("logged in");
    SendNext();
    return;
  }
  switch (notice.m_code) {
    case client_task::kLogEntry:
      PrintLog(notice.m_log);
      break;
    case client_task::kFileAcknowledged:
      OnAcknowledged();
      break;
    case client_task::kDeliveryReport: {
      // The outcome is one byte from the server; a byte that cannot be shown is a '?'.
      const unsigned char outcome = notice.m_text.empty() ? 0 : notice.m_text[0];
      Print("report " + std::to_string(notice.m_number) + " " +
            static_cast<char>(std::isgraph(outcome) ? outcome : '?'));
      m_tally.Report(notice.m_number, static_cast<char>(outcome));
      break;
    }
    case client_task::kEndedGood:
    case client_task::kEndedBad:
      m_ended = true;
      PrintLog({notice.m_code == client_task::kEndedGood ? kLogInfo : kLogError,
                kCategorySystem,
                client_strings::kMsgClientTaskEnded,
                {}});
      break;
    default:
      break;
  }
}

void CSendRun::OnAcknowledged() {
  Print("acknowledged " + std::to_string(m_sent));
  if (m_sent == m_options.m_cancelAfter) {
    CSysErrorInfo error;
    if (m_task.Request([](CClientLink& link) { return link.Cancel(); }, error)) {
      Print("cancel requested");
    } else if (error.m_code != 0) {
      PrintSystemError(error);
    }
  }
  SendNext();
}

void CSendRun::SendNext() {
  if (m_sent >= m_waitedFor) {
    return;
  }
  const std::string& path = m_options.m_files[m_sent];
  const std::string name = FileNamePart(path);
  const auto number = static_cast<std::uint32_t>(m_sent + 1);
  CFileError error;
  if (!m_task.SendFile(name, path, number, error)) {
    if (error.m_cause != FileErrorCause::kNone) {
      PrintLog({kLogError,
                kCategoryServer,
                client_strings::kMsgFileError,
                {error.m_fileName, std::to_string(error.m_osError)}});
    }
    Print("cannot send " + std::to_string(number) + " " + name);
    m_failed = true;
    return;
  }
  m_sent = number;
  Print("sent " + std::to_string(number) + " " + name);
}

void CSendRun::PrintLog(const CTaskLog& log) {
  const CLogEntry entry(std::time(nullptr), log.m_level, log.m_category, log.m_number, log.m_args,
                        ClientStrings());
  std::string line = EventLogDisplayLine(entry, LogFlavour::kClient);
  line.erase(line.find_last_not_of(' ') + 1);
  Print("log " + line);
}

}  // namespace

int RunSend(const SendOptions& options, std::ostream& out) {
  CSendRun run(options, out);
  return run.Run();
}

}  // namespace trqx
