#include "foundation/sys/socket_task.h"

#include <array>
#include <climits>
#include <utility>

namespace trqx {

CSocketTask::CSocketTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
                         const SocketLoopMessages& loopMessages, unsigned mask)
    : CWorkerTask(lock, codes, messages, true),
      m_loopMessages(loopMessages),
      m_mask(mask),
      m_clock(SystemTime) {}

CSocketTask::~CSocketTask() {
  StopAndJoin();
}

void CSocketTask::BeginCloseGrace(std::time_t since) {
  if (!m_closeStart) {
    m_closeStart = since;
  }
}

void CSocketTask::LogEventError(int code, std::string_view eventName) {
  Log(kLogError, m_loopMessages.m_socketEventError, {std::to_string(code), std::string(eventName)});
}

bool CSocketTask::RunSocketLoop() {
  bool result = Loop();
  CSysErrorInfo ignored;
  m_socket.Close(ignored);
  return result;
}

bool CSocketTask::Loop() {
  CSysErrorInfo error;
  if (!m_events.Select(m_socket, m_mask, error)) {
    LogSystemError(error);
    return false;
  }
  m_loopStart = Now();
  m_lastReceived = m_loopStart;
  m_sendStart = m_loopStart;
  m_outgoing.clear();
  m_sentCount = 0;
  m_closeStart.reset();
  m_stopSeen = false;
  m_peerDone = false;

  std::array<char, kReadSize> buffer;
  bool result = false;
  for (;;) {
    if (!ReceiveStep(buffer.data(), result)) {
      return result;
    }
    if (m_peerDone && m_outgoing.empty()) {
      return true;
    }
    bool sentSome = false;
    if (!SendStep(Now(), sentSome, result)) {
      return result;
    }
    std::time_t now = Now();
    if (m_closeStart && now - *m_closeStart > kCloseGraceSeconds) {
      Log(m_loopMessages.m_hardCloseLevel, m_loopMessages.m_hardClose);
      return true;
    }
    int waitMs = sentSome ? 0 : WaitTime(now);
    bool woken = false;
    if (!m_events.Wait(&WakeEvent(), waitMs, sys_call::kWaitSocketLoop, woken, error)) {
      LogSystemError(error);
      return false;
    }
    // Reset before looking at the shared state: an owner change made after this sets the
    // event again and wakes the next wait.
    if (woken && !WakeEvent().Reset(error)) {
      LogSystemError(error);
      return false;
    }
    if (!m_stopSeen && StopRequested()) {
      m_stopSeen = true;
      now = Now();
      if (OnStopRequest(now)) {
        BeginCloseGrace(now);
      }
    }
    if (!EventStep(result)) {
      return result;
    }
  }
}

bool CSocketTask::ReceiveStep(char* buffer, bool& result) {
  if (m_events.PeerClosed()) {
    return true;  // nothing more will come; the events step ends the loop
  }
  CSysErrorInfo error;
  std::size_t received = 0;
  switch (m_socket.Receive(buffer, kReadSize, received, error)) {
    case SocketIo::kDone: {
      std::time_t now = Now();
      m_lastReceived = now;
      switch (OnData(std::string_view(buffer, received), now)) {
        case LoopAction::kContinue:
          return true;
        case LoopAction::kPeerDone:
          m_peerDone = true;
          return true;
        case LoopAction::kEndGood:
          result = true;
          return false;
        case LoopAction::kEndBad:
          result = false;
          return false;
      }
      return true;
    }
    case SocketIo::kClosed:
      m_events.NotePeerClosed();
      return true;
    case SocketIo::kWouldBlock:
      if (ExpectsData() && Now() - m_lastReceived > kNoDataSeconds) {
        Log(kLogError, m_loopMessages.m_noDataTimeout);
        result = false;
        return false;
      }
      return true;
    case SocketIo::kFailed:
      break;
  }
  LogSystemError(error);
  result = false;
  return false;
}

bool CSocketTask::SendStep(std::time_t now, bool& sentSome, bool& result) {
  if (m_outgoing.empty()) {
    std::string next;
    switch (TakeNextMessage(now, next)) {
      case LoopAction::kContinue:
        break;
      case LoopAction::kPeerDone:
        m_peerDone = true;
        break;
      case LoopAction::kEndGood:
        result = true;
        return false;
      case LoopAction::kEndBad:
        result = false;
        return false;
    }
    if (next.empty()) {
      return true;
    }
    m_outgoing = std::move(next);
    m_sentCount = 0;
    m_sendStart = now;
  } else if (now - m_sendStart > kSendSeconds) {
    Log(kLogError, m_loopMessages.m_sendTimeout);
    result = false;
    return false;
  }
  CSysErrorInfo error;
  std::size_t sent = 0;
  const std::size_t remaining = m_outgoing.size() - m_sentCount;
  switch (m_socket.Send(m_outgoing.data() + m_sentCount, remaining, sent, error)) {
    case SocketIo::kDone:
      sentSome = true;
      m_sentCount += sent;
      // A partial send means the socket's buffer is full: the rest waits for writability.
      m_events.SetWriteBlocked(sent < remaining);
      if (m_sentCount == m_outgoing.size()) {
        m_outgoing.clear();
        m_sentCount = 0;
      }
      return true;
    case SocketIo::kWouldBlock:
      m_events.SetWriteBlocked(true);
      return true;
    case SocketIo::kClosed:
    case SocketIo::kFailed:
      break;
  }
  LogSystemError(error);
  result = false;
  return false;
}

int CSocketTask::WaitTime(std::time_t now) {
  std::optional<std::time_t> earliest;
  auto consider = [&earliest](std::time_t deadline) {
    if (!earliest || deadline < *earliest) {
      earliest = deadline;
    }
  };
  // Each timer expires once "more than" its seconds have passed: at its limit plus one.
  if (ExpectsData()) {
    consider(m_lastReceived + kNoDataSeconds + 1);
  }
  if (!m_outgoing.empty()) {
    consider(m_sendStart + kSendSeconds + 1);
  } else if (std::optional<std::time_t> idle = IdleDeadline()) {
    consider(*idle);  // only served when nothing is in flight
  }
  if (m_closeStart) {
    consider(*m_closeStart + kCloseGraceSeconds + 1);
  }
  if (!earliest) {
    return -1;
  }
  if (*earliest <= now) {
    return 0;
  }
  constexpr std::time_t kLongestSeconds = INT_MAX / 1000;
  std::time_t seconds = *earliest - now;
  return static_cast<int>(seconds > kLongestSeconds ? kLongestSeconds : seconds) * 1000;
}

bool CSocketTask::EventStep(bool& result) {
  CNetworkEvents events;
  CSysErrorInfo error;
  if (!m_events.Enumerate(events, error)) {
    LogSystemError(error);
    result = false;
    return false;
  }
  if (events.Has(kFdConnect) && events.Error(kFdConnect) != 0) {
    LogEventError(events.Error(kFdConnect), sys_event_name::kConnect);
  }
  if (events.Has(kFdRead) && events.Error(kFdRead) != 0) {
    LogEventError(events.Error(kFdRead), sys_event_name::kRead);
    result = false;
    return false;
  }
  if (events.Has(kFdWrite) && events.Error(kFdWrite) != 0) {
    LogEventError(events.Error(kFdWrite), sys_event_name::kWrite);
  }
  if (events.Has(kFdClose)) {
    if (events.Error(kFdClose) != 0) {
      LogEventError(events.Error(kFdClose), sys_event_name::kClose);
      result = false;
      return false;
    }
    // Expected when this side is closing, or when the peer said Close before it went.
    if (m_closeStart || m_peerDone) {
      result = true;
      return false;
    }
    Log(kLogError, m_loopMessages.m_unexpectedClose);
    result = false;
    return false;
  }
  return true;
}

}  // namespace trqx
