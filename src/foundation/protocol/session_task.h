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
// received file; after a bad login it closes within the close grace counted from the
// session's start. The owner queues delivery reports through Request. Logs with category
// client in the server's wording.
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

 protected:
  bool React(const CServerEvent& event, LoopAction& action) override;
  LoopAction TakeNextMessage(std::time_t now, std::string& message) override;
  bool ExpectsData() override { return true; }
};

}  // namespace trqx
