#include "server/server_session.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "foundation/protocol/server_link.h"

namespace trqx {

namespace {

std::string SessionName(unsigned clientId) {
  char name[32];
  std::snprintf(name, sizeof name, "Remote%07u", clientId);
  return name;
}

}  // namespace

CServerSession::CServerSession(unsigned clientId, std::string peerAddress,
                               std::unique_ptr<CSessionTask> task)
    : m_clientId(clientId),
      m_name(SessionName(clientId)),
      m_peerAddress(std::move(peerAddress)),
      m_task(std::move(task)) {}

std::string CServerSession::Directory() const {
  return "Remote/" + m_name;
}

bool CServerSession::QueueDeliveryReport(std::uint32_t uploadNumber, char outcome,
                                         CSysErrorInfo& error) {
  error = {};
  return m_task->Request(
      [&](CServerLink& link) { return link.QueueDeliveryReport(uploadNumber, outcome); }, error);
}

bool CSessionList::FreeId(unsigned& id) const {
  std::vector<bool> used(m_sessions.size() + 1, false);
  for (const auto& session : m_sessions) {
    if (session->ClientId() < used.size()) {
      used[session->ClientId()] = true;
    }
  }
  const auto free = std::find(used.begin(), used.end(), false);
  id = static_cast<unsigned>(free - used.begin());
  return id <= CServerSession::kMaxClientId;
}

CServerSession& CSessionList::Add(std::unique_ptr<CServerSession> session) {
  m_sessions.push_back(std::move(session));
  return *m_sessions.back();
}

void CSessionList::Remove(const CServerSession* session) {
  std::erase_if(m_sessions, [&](const auto& held) { return held.get() == session; });
}

bool CSessionList::Contains(const CServerSession* session) const {
  return std::any_of(m_sessions.begin(), m_sessions.end(),
                     [&](const auto& held) { return held.get() == session; });
}

bool CSessionList::AnyRunning() const {
  return std::any_of(m_sessions.begin(), m_sessions.end(),
                     [](const auto& held) { return held->Task().IsRunning(); });
}

}  // namespace trqx
