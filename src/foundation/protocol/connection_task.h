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

// The client's end of the connection to the server: a CClientLink over a socket the owner
// has connected, or begun to connect. Posts the owner task_message::kClientLoggedIn once
// logged in, and client_task::kFileAcknowledged, kCancelAcknowledged and kDeliveryReport
// (the upload number; the outcome character as text) and kServerStatusText (the text a
// StatusReply asks to show). Logs with category server in the client's wording.
class CConnectionTask : public CLinkTask<CClientLink, CClientEvent> {
 public:
  CConnectionTask(std::mutex& lock, std::unique_ptr<CUploadSource> source);
  ~CConnectionTask() override;

  // Before Start (and after SetClock): takes socket over and starts the link with the login
  // it sends once the server's Greeting has come. connecting: the socket's connect is still
  // under way (Connect gave kWouldBlock); the loop then waits for it to finish and logs a
  // failed connect as an "FD_CONNECT" event error.
  void Adopt(CSysSocket socket, bool connecting, const std::string& login,
             const std::string& password);
  // Asks the link to send the file at path under fileName: false, nothing queued, when the
  // link is not logged in and idle or the file cannot be opened (error says why).
  bool SendFile(std::string_view fileName, const std::string& path, std::uint32_t uploadNumber,
                CFileError& error);

 protected:
  void OnLoopStart(std::time_t now) override;
  bool React(const CClientEvent& event, LoopAction& action) override;
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override;
  bool ExpectsData() override;
  std::optional<std::time_t> IdleDeadline() override;

 private:
  bool m_connecting = false;  // set by Adopt, read by the loop once it starts
};

}  // namespace trqx
