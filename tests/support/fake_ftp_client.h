#pragma once

#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "server/ftp_client.h"

namespace trqx::test {

// An FtpClient that plays scripted outcomes per host and records every put, at once and
// without a network. Thread-safe: the FTP task puts while the test scripts and reads.
class FakeFtpClient final : public FtpClient {
 public:
  // One recorded put, with the local file's content at the time of the put ("" if none).
  struct Call {
    FtpSessionParams m_session;
    FtpPut m_put;
    std::string m_content;
  };

  // The next puts to host get these outcomes, one each, in order; after them the host's
  // lasting outcome.
  void Script(const std::string& host, std::vector<FtpResult> outcomes) {
    std::lock_guard lock(m_lock);
    auto& queued = m_hosts[host].m_queued;
    queued.insert(queued.end(), outcomes.begin(), outcomes.end());
  }
  // Every put to host beyond the scripted ones gets outcome (at first: success).
  void SetLasting(const std::string& host, FtpResult outcome) {
    std::lock_guard lock(m_lock);
    m_hosts[host].m_lasting = std::move(outcome);
  }

  FtpResult Put(const FtpSessionParams& session, const FtpPut& put) override {
    std::ifstream in(put.m_localPath, std::ios::binary);
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::lock_guard lock(m_lock);
    m_calls.push_back({session, put, std::move(content)});
    Host& host = m_hosts[put.m_host];
    if (host.m_queued.empty()) {
      return host.m_lasting;
    }
    FtpResult outcome = std::move(host.m_queued.front());
    host.m_queued.pop_front();
    return outcome;
  }

  std::vector<Call> Calls() const {
    std::lock_guard lock(m_lock);
    return m_calls;
  }
  // The hosts put to, in order.
  std::vector<std::string> Hosts() const {
    std::lock_guard lock(m_lock);
    std::vector<std::string> hosts;
    for (const Call& call : m_calls) {
      hosts.push_back(call.m_put.m_host);
    }
    return hosts;
  }

 private:
  struct Host {
    std::deque<FtpResult> m_queued;
    FtpResult m_lasting;
  };

  mutable std::mutex m_lock;
  std::map<std::string, Host> m_hosts;
  std::vector<Call> m_calls;
};

}  // namespace trqx::test
