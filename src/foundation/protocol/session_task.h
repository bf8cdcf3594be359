#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "foundation/protocol/link_task.h"
#include "foundation/protocol/protocol_message.h"
#include "foundation/protocol/server_link.h"
#include "foundation/protocol/spool_file.h"

namespace trqx {

// The server's end of one client connection: a CServerLink over an accepted socket. Sends
// the owner session_task::kFileReceived (the spool file's name, the upload number) for each
// received file and posts session_task::kCancelRequest for the client's CancelRequest;
// after a bad login it closes within the close grace counted from the session's start.
// Every other outcome but a login, a status request and a file start is logged (level
// error, category client, the server's wording): bad data ends the session in bad state,
// the client's Close in good state once nothing is in flight, a file error names the
// error's code and file. The owner queues delivery reports through Request.
class CSessionTask : public CLinkTask<CServerLink, CServerEvent> {
 public:
  // sharedLock: the lock all server tasks share, which also guards counter.
  CSessionTask(std::mutex& sharedLock, std::unique_ptr<CSpoolFile> spool, CSpoolCounter& counter);
  ~CSessionTask() override;

  // Before Start: takes the accepted socket over and starts the link (the Greeting goes out
  // first) with the login the client must give, the folder and name stem of its spool files
  // and the status pair of every StatusReply.
  void Adopt(CSysSocket socket, const std::string& login, const std::string& password,
             const std::string& directory, const std::string& stem,
             char statusFlag = wire::kStatusNormal, const std::string& statusText = "System OK");

  // Delivery reports queued and not yet taken for sending. Takes the shared lock.
  std::size_t PendingReports() {
    return Locked([](CServerLink& link) { return link.PendingReports(); });
  }

 protected:
  bool React(const CServerEvent& event, LoopAction& action) override;
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override;
  bool ExpectsData() override { return true; }
};

}  // namespace trqx
