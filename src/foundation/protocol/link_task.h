#pragma once

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/sys/socket_task.h"

namespace trqx {

// What both ends of a connection share: a socket task carrying a link (CServerLink or
// CClientLink) that turns received bytes into events of type Event. The link is used only
// under the task's lock; the owner reaches it through Request, the task's hooks through
// Locked. A derived task says what each event means in React.
// The row of rules whose m_outcome is outcome; null when none is (the outcome needs nothing).
template <typename Rules, typename Outcome>
const typename Rules::value_type* FindOutcomeRule(const Rules& rules, Outcome outcome) {
  for (const auto& rule : rules) {
    if (rule.m_outcome == outcome) {
      return &rule;
    }
  }
  return nullptr;
}

template <typename Link, typename Event>
class CLinkTask : public CSocketTask {
 public:
  template <typename... LinkArgs>
  CLinkTask(std::mutex& lock, const TaskCodes& codes, const TaskMessages& messages,
            const SocketLoopMessages& loopMessages, unsigned mask, LinkArgs&&... linkArgs)
      : CSocketTask(lock, codes, messages, loopMessages, mask),
        m_link(std::forward<LinkArgs>(linkArgs)...) {}

  // The owner's request: change(link) runs under the lock, then the task wakes. False when
  // the change refused (no wake, error.m_code 0) or the wake failed (error says why: the
  // owner logs that as a system error, while a refusal is the link's own answer).
  template <typename Change>
  bool Request(Change change, CSysErrorInfo& error) {
    error = CSysErrorInfo{};
    return Locked(change) && Wake(error);
  }
  // The same, for an owner that treats a failing wake like a refusal.
  template <typename Change>
  bool Request(Change change) {
    CSysErrorInfo error;
    return Request(change, error);
  }

 protected:
  // use(link) under the lock; its result.
  template <typename Use>
  auto Locked(Use use) {
    std::lock_guard<std::mutex> guard(Lock());
    return use(m_link);
  }
  // Acts on one event, without the lock; false ends the loop in bad state. action may be
  // set to what the loop does after the bytes' last event.
  virtual bool React(const Event& event, LoopAction& action) = 0;

  // A notification of code for the owner; messageId 0 is the task's own id.
  static CTaskNotice Notice(int code, std::string text = {}, std::uint32_t number = 0,
                            std::uint32_t messageId = 0) {
    return {messageId, code, {}, nullptr, std::move(text), number};
  }

  LoopAction OnData(std::string_view bytes, std::time_t) override {
    std::vector<Event> events;
    Locked([&](Link& link) { link.Receive(bytes, events); });
    LoopAction action = LoopAction::kContinue;
    for (const Event& event : events) {
      if (!React(event, action)) {
        return LoopAction::kEndBad;
      }
    }
    return action;
  }
  bool OnStopRequest(std::time_t) override {
    return Locked([](Link& link) { return link.BeginClose(); });
  }

 private:
  Link m_link;
};

}  // namespace trqx
