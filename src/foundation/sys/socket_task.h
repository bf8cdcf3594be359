#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/sys/sys_socket.h"
#include "foundation/sys/worker_task.h"

namespace trqx {

// The program's wording of what the socket loop reports by itself.
struct SocketLoopMessages {
  std::uint32_t m_socketEventError = 0;  // %1 the code, %2 the event name
  std::uint32_t m_unexpectedClose = 0;   // the peer closed and the local side did not ask
  std::uint32_t m_noDataTimeout = 0;
  std::uint32_t m_sendTimeout = 0;
  std::uint32_t m_hardClose = 0;
  LogLevel m_hardCloseLevel = kLogError;  // the client logs its hard close as a warning
};

// What a side's hook tells the loop.
enum class LoopAction {
  kContinue,
  kPeerDone,  // the peer's Close arrived: end in good state once nothing is in flight
  kEndGood,   // end now, in good state
  kEndBad,    // end now, in bad state (the hook has logged why)
};

// A worker task that runs a protocol over one connected, non-blocking socket (the client's
// connection, a server session). The loop (RunSocketLoop):
//  - receives up to kReadSize bytes at a time and hands them to OnData;
//  - sends one message at a time, taken from TakeNextMessage when none is in flight, and
//    waits for writability only while a message is partly unsent;
//  - times the side: no data for more than kNoDataSeconds while ExpectsData (bad end),
//    a message in flight for more than kSendSeconds (bad end), the close grace of
//    kCloseGraceSeconds once closing began (hard close, good end), and wakes for the
//    side's own IdleDeadline;
//  - waits with poll() on the wake event and the socket for the earliest deadline, resets
//    the wake event, calls OnStopRequest once when the stop flag is seen, and turns the
//    socket's events into the Windows events: connect and write errors are logged and the
//    loop goes on; read and close errors end it badly; the peer's close ends it well when
//    the local side is closing or the peer's Close arrived, else "unexpected close" (bad).
// The hooks run on the task's thread WITHOUT the lock held: a hook takes Lock() around the
// protocol state it shares with the owner and logs (Log, NotifySend) only after letting
// go of it. Time is whole seconds of the injectable clock, passed to the hooks as now.
class CSocketTask : public CWorkerTask {
 public:
  // TCP keeps no message boundaries, so the read size carries no behaviour; 4096 bytes a
  // read (where the Windows loop read 250) lets a file transfer run at about three times
  // the speed on loopback, and larger reads gain nothing more.
  static constexpr std::size_t kReadSize = 4096;
  static constexpr std::time_t kNoDataSeconds = 40;
  static constexpr std::time_t kSendSeconds = 20;
  static constexpr std::time_t kCloseGraceSeconds = 30;

  // mask: kMaskSession or kMaskClient. The wake event starts set.
  CSocketTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
              const SocketLoopMessages& loopMessages, unsigned mask);
  ~CSocketTask() override;

  // Takes over a connected socket (the server's accepted one) before Start.
  void AdoptSocket(CSysSocket socket) { m_socket = std::move(socket); }
  // The clock of every timer; set before Start. The default is the system clock.
  void SetClock(WallClock clock) { m_clock = std::move(clock); }

 protected:
  // The task's body: RunSocketLoop. A client overrides it to connect first.
  bool Run() override { return RunSocketLoop(); }
  // The loop over Socket(); the socket is closed when it ends, whatever the result.
  bool RunSocketLoop();

  // Hooks of the side; the loop begins on the connected socket.
  // Bytes received: feed them to the protocol and act on each outcome.
  virtual LoopAction OnData(std::string_view bytes, std::time_t now) = 0;
  // The next message by the side's priorities, when none is in flight; message stays
  // empty when nothing waits. kEndBad ends the loop (a file the side could not read).
  virtual LoopAction TakeNextMessage(std::time_t now, std::string& message) = 0;
  // The owner asked the task to stop: begin the orderly close (the final Close). True when
  // closing began now (the close grace starts), false when the side was closing already.
  virtual bool OnStopRequest(std::time_t now) = 0;
  // Whether the no-data timer runs in the side's present state.
  virtual bool ExpectsData() = 0;
  // The first second at which TakeNextMessage will have something of its own to send
  // (the client's idle poll); none by default.
  virtual std::optional<std::time_t> IdleDeadline() { return std::nullopt; }

  // Starts the close grace counted from since (a server after a bad login counts from the
  // session's start: LoopStartTime()); no change once it runs.
  void BeginCloseGrace(std::time_t since);
  std::time_t LoopStartTime() const { return m_loopStart; }
  std::time_t Now() const { return m_clock(); }
  CSysSocket& Socket() { return m_socket; }
  CSocketEvents& SocketEvents() { return m_events; }
  // Logs "Socket error code ..." / "Socket event error ..." for an event.
  void LogEventError(int code, std::string_view eventName);

 private:
  bool Loop();
  // One receive; false ends the loop with result.
  bool ReceiveStep(char* buffer, bool& result);
  // Takes and sends; false ends the loop with result.
  bool SendStep(std::time_t now, bool& sentSome, bool& result);
  // The poll timeout in milliseconds for the deadlines pending at now, -1 for none.
  int WaitTime(std::time_t now);
  // Reacts to the events of the last wait; false ends the loop with result.
  bool EventStep(bool& result);

  const SocketLoopMessages m_loopMessages;
  const unsigned m_mask;
  WallClock m_clock;
  CSysSocket m_socket;
  CSocketEvents m_events;
  std::string m_outgoing;  // the message in flight
  std::size_t m_sentCount = 0;
  std::time_t m_loopStart = 0;
  std::time_t m_lastReceived = 0;
  std::time_t m_sendStart = 0;
  std::optional<std::time_t> m_closeStart;
  bool m_stopSeen = false;
  bool m_peerDone = false;
};

}  // namespace trqx
