#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "foundation/sys/worker_task.h"

namespace trqx {

// The program's wording of what the accept loop logs besides system errors.
struct AcceptLoopMessages {
  std::uint32_t m_socketError = 0;      // %1 the code, %2 "Accept(...)"
  std::uint32_t m_unexpectedClose = 0;  // the listening socket was closed under the task
};

// The server's accept task: listens on every IPv4 interface (INADDR_ANY) at the configured
// port, with SO_REUSEADDR, and hands every accepted socket to the owner
// (accept_task::kClientAccepted, sent: the owner takes notice.m_socket over by moving from
// it, or lets it be closed, and notice.m_text is the peer's dotted address). The wake event
// starts set; stopping ends the task in good state.
class CAcceptTask : public CWorkerTask {
 public:
  CAcceptTask(std::mutex& lock, const TaskMessages& messages,
              const AcceptLoopMessages& acceptMessages);
  ~CAcceptTask() override;

  // The port (0: one the system picks) and listen backlog of the next Start.
  void Configure(std::uint16_t port, int backlog);
  // The port listened on, once the task listens; 0 before. Any thread.
  std::uint16_t ListeningPort() const { return m_listeningPort.load(); }

 protected:
  bool Run() override;

 private:
  // Waits for the next connection; false ends the loop with result.
  bool WaitStep(CSocketEvents& events, bool& result);

  const AcceptLoopMessages m_acceptMessages;
  std::uint16_t m_port = 0;
  int m_backlog = 5;
  std::atomic<std::uint16_t> m_listeningPort{0};
};

}  // namespace trqx
