#include "console/send/send_tally.h"

#include <algorithm>

#include "foundation/protocol/protocol_message.h"

namespace trqx {

void CSendTally::Report(std::uint32_t uploadNumber, char outcome) {
  if (uploadNumber == 0) {
    std::replace(m_outcomes.begin(), m_outcomes.end(), kNoReport, outcome);
  } else if (uploadNumber <= m_outcomes.size() && m_outcomes[uploadNumber - 1] == kNoReport) {
    m_outcomes[uploadNumber - 1] = outcome;
  }
}

bool CSendTally::AllReported() const {
  return std::find(m_outcomes.begin(), m_outcomes.end(), kNoReport) == m_outcomes.end();
}

int CSendTally::ExitCode(bool loggedIn, bool failed) const {
  if (!loggedIn || failed) {
    return kSendFailed;
  }
  if (!AllReported()) {
    return kSendTimedOut;
  }
  const bool allForwarded = std::all_of(m_outcomes.begin(), m_outcomes.end(), [](char outcome) {
    return outcome == wire::kDeliveryForwarded;
  });
  return allForwarded ? kSendAllForwarded : kSendSomeNotForwarded;
}

}  // namespace trqx
