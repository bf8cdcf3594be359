#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/protocol/session_task.h"
#include "foundation/sys/sys_error.h"

namespace trqx {

// One admitted client as the main window keeps it: its id, where its files go, its address
// and its session task. The main window's thread alone creates, uses and deletes it.
class CServerSession {
 public:
  // The ids that fit the seven digits of a session name.
  static constexpr unsigned kMaxClientId = 9999999;

  CServerSession(unsigned clientId, std::string peerAddress, std::unique_ptr<CSessionTask> task);

  unsigned ClientId() const { return m_clientId; }
  // "Remote%07u" of the client id.
  const std::string& Name() const { return m_name; }
  // The folder of its spool files, relative to the working folder: "Remote/" and the name.
  std::string Directory() const;
  const std::string& PeerAddress() const { return m_peerAddress; }
  CSessionTask& Task() { return *m_task; }

  // The task has ended while an upload of the session was being forwarded: the session is
  // deleted once that forwarding is over.
  bool Ended() const { return m_ended; }
  void MarkEnded() { m_ended = true; }
  // A stop has been asked of the task.
  bool StopAsked() const { return m_stopAsked; }
  void MarkStopAsked() { m_stopAsked = true; }

  // Queues a DeliveryReport and wakes the task. False when the link refuses it (10 pending,
  // or not logged in: error.m_code stays 0) or the wake fails (error filled).
  bool QueueDeliveryReport(std::uint32_t uploadNumber, char outcome, CSysErrorInfo& error);

 private:
  unsigned m_clientId;
  std::string m_name;
  std::string m_peerAddress;
  std::unique_ptr<CSessionTask> m_task;
  bool m_ended = false;
  bool m_stopAsked = false;
};

// The live sessions in the order of admission; removing one closes the gap.
class CSessionList {
 public:
  // The smallest id no session in the list uses; false when all are taken.
  bool FreeId(unsigned& id) const;
  CServerSession& Add(std::unique_ptr<CServerSession> session);
  // Deletes the session; a session not in the list is ignored.
  void Remove(const CServerSession* session);
  bool Contains(const CServerSession* session) const;
  std::size_t Size() const { return m_sessions.size(); }
  bool AnyRunning() const;

  auto begin() const { return m_sessions.begin(); }
  auto end() const { return m_sessions.end(); }

 private:
  std::vector<std::unique_ptr<CServerSession>> m_sessions;
};

}  // namespace trqx
