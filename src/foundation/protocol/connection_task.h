#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/file_error.h"
#include "foundation/protocol/client_link.h"
#include "foundation/protocol/link_task.h"
#include "foundation/protocol/upload_source.h"

namespace trqx {

// What the connection task copies from the client settings when it starts.
struct CConnectionSettings {
  std::string m_serverAddress;  // dotted IPv4 text only; anything else fails the connect
  std::uint16_t m_serverPort = 0;
  std::string m_login;     // sent cut to 15 characters
  std::string m_password;  // sent cut to 15 characters
};

// The client's end of the connection to the server: a CClientLink over a socket that the
// task connects itself (Start with settings) or that the owner has connected, or begun to
// connect (Adopt). Run first finishes the connect: it waits on the socket alone (a stop
// request is seen only once the loop runs), logs a failed connect and ends in bad state, or
// logs "Connection established." and runs the socket loop. Logs have category server and
// the client's wording.
//
// What the owner (the client's main window) is told, and what it must do:
//   code / message                    how   the owner's reaction
//   client_task::kStarted             sent  nothing
//   client_task::kLogEntry            sent  add m_log to the event log
//   client_task::kDeliveryReport      post  m_number the upload number, m_text the outcome
//                                           character: '1' "File was uploaded" (history:
//                                           sent), '2' "File was abandoned" (failed), '3'
//                                           and '6' "File upload was cancelled", '4' "File
//                                           may have been uploaded" (failed); then post
//                                           itself task_message::kClientLoggedIn
//   client_task::kFileAcknowledged    post  if an upload is in progress: history
//                                           "transferred", drop the oldest poll-queue entry
//                                           and its file, close the progress window
//   client_task::kCancelAcknowledged  post  the same with an "aborted" history record; the
//                                           poll-directory file stays
//   client_task::kServerStatusText    post  m_text the server's status text: beep 300 Hz,
//                                           show it in the status display
//   client_task::kEndedGood / kEndedBad post  Stop(kInfinite), log "Client task ended."
//                                           (system; info / error); unless closing: the
//                                           upload in flight is not sent, "Connection to
//                                           server is down.", menus, restart timer
//   task_message::kClientLoggedIn     post  (its own message id, no data) clear "upload in
//                                           progress", scan the poll directory
// The data travel in each notice, so a second report cannot overwrite the first before
// the owner has read it.
class CConnectionTask : public CLinkTask<CClientLink, CClientEvent> {
 public:
  CConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source);
  ~CConnectionTask() override;

  using CWorkerTask::Start;
  // Copies settings, resets the link to state 0 with their login and starts the thread,
  // which creates the socket and connects to the server. Fails as CWorkerTask::Start
  // (nothing changes while a thread still runs).
  bool Start(const CConnectionSettings& settings, CSysErrorInfo& error);

  // Instead of Start with settings, before Start (and after SetClock): takes socket over
  // and starts the link with the login it sends once the server's Greeting has come.
  // connecting: the socket's connect is still under way (Connect gave kWouldBlock).
  void Adopt(CSysSocket socket, bool connecting, const std::string& login,
             const std::string& password);

  // The owner's requests; each wakes the task. SendFile: false, nothing queued, when the
  // link is not logged in and idle or the file cannot be opened (error says why).
  bool SendFile(std::string_view fileName, const std::string& path, std::uint32_t uploadNumber,
                CFileError& error);
  // State 3 only: the file is closed and TransferAbort goes out. error: a failing wake.
  bool AbortTransfer(CSysErrorInfo& error);
  // States 2, 3 and 4: the file is closed and CancelRequest goes out. error: a failing wake.
  bool Cancel(CSysErrorInfo& error);

 protected:
  bool Run() override;
  bool React(const CClientEvent& event, LoopAction& action) override;
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override;
  bool ExpectsData() override;
  std::optional<std::time_t> IdleDeadline() override;

 private:
  // Creates and connects the socket (or takes the adopted one) and waits for the connect
  // to finish; false, logged, when it fails.
  bool Connect();
  SocketIo ConnectToServer(CSysErrorInfo& error);
  // Waits on the socket alone for a connect under way and checks its events.
  bool AwaitConnect();

  // Set while no thread runs, read by the thread.
  std::optional<CConnectionSettings> m_server;  // none: the socket was adopted
  bool m_connecting = false;                    // the adopted socket's connect is under way
};

}  // namespace trqx
