#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trqx {

// Exit codes of TRQXSend.
inline constexpr int kSendAllForwarded = 0;
inline constexpr int kSendFailed = 1;  // usage, connect, login, a file, a lost connection
inline constexpr int kSendTimedOut = 2;
inline constexpr int kSendSomeNotForwarded = 3;

// The delivery reports of the files a run waits for (upload numbers 1 to the count).
class CSendTally {
 public:
  explicit CSendTally(std::size_t fileCount) : m_outcomes(fileCount, kNoReport) {}

  // A report from the server. Upload number 0 (a cancel's or a task end's report, which
  // names no file) gives its outcome to every file still without one; a number outside
  // the files, or a file's second report, changes nothing.
  void Report(std::uint32_t uploadNumber, char outcome);
  bool AllReported() const;

  // The exit code: kSendFailed when the run never logged in or failed (a file could not be
  // sent, or the connection ended with reports missing); else kSendTimedOut while a file
  // lacks its report; else kSendAllForwarded when every outcome is '1' (forwarded), else
  // kSendSomeNotForwarded.
  int ExitCode(bool loggedIn, bool failed) const;

 private:
  static constexpr char kNoReport = '\0';
  std::vector<char> m_outcomes;  // by upload number - 1
};

}  // namespace trqx
