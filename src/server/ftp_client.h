#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace trqx {

// The function text a refused put is logged with as a system error.
inline constexpr std::string_view kPutFileCall = "CFtpConnection::PutFile(...)";

// The internet session's access type (the settings dialog's "Access Type" index).
enum FtpSessionType : std::int32_t {
  kSessionPreconfig = 0,  // the machine's proxy configuration: libcurl's proxy environment
  kSessionDirect = 1,     // never a proxy
  kSessionProxy = 2,      // ProxyAddress, except for the hosts in BypassList
};

// What the internet session and the login need besides the host. (Every member has an
// initializer so that callers may name only some: g++ 12 warns otherwise.)
struct FtpSessionParams {
  std::string m_user{};  // empty: anonymous login
  std::string m_password{};
  std::int32_t m_sessionType = kSessionPreconfig;  // any other value fails as the session
  std::string m_proxyAddress{};                    // kSessionProxy only
  std::string m_bypassList{};  // kSessionProxy only; hosts separated by ';', ',' or blanks
};

// One file to store: connect to m_host, log in, put, close.
struct FtpPut {
  std::string m_host{};  // "name" or "name:port"; port 21 unless given
  std::string m_localPath{};
  std::string m_remoteName{};          // the name on the host, in the login folder
  std::uint32_t m_connectContext = 0;  // reported with a failed connect
};

enum class FtpFailure { kNone, kConnect, kPut };

// The outcome of one put. kConnect: the session, the connection or the login failed
// ("Internet exception, error m_error, context m_context."). kPut: the host refused or broke
// off the put (a system error of kPutFileCall with m_error).
struct FtpResult {
  static FtpResult Success() { return {}; }
  static FtpResult ConnectFailed(std::uint32_t error, std::uint32_t context,
                                 std::string detail = {}) {
    return {FtpFailure::kConnect, error, context, std::move(detail)};
  }
  static FtpResult PutFailed(std::uint32_t error, std::string detail = {}) {
    return {FtpFailure::kPut, error, 0, std::move(detail)};
  }
  bool Ok() const { return m_failure == FtpFailure::kNone; }

  FtpFailure m_failure = FtpFailure::kNone;
  std::uint32_t m_error = 0;
  std::uint32_t m_context = 0;  // kConnect: the put's m_connectContext, or 0 for the session
  std::string m_detail{};       // the FTP library's own words, for diagnosis only
};

// What the forwarding needs of FTP. One thread uses an instance at a time.
class FtpClient {
 public:
  virtual ~FtpClient() = default;
  // Stores put.m_localPath on put.m_host as put.m_remoteName in ASCII mode, active mode.
  // The host's connection is closed (or kept for the next put) when it returns.
  virtual FtpResult Put(const FtpSessionParams& session, const FtpPut& put) = 0;
};

// The host and port of a host text: "name" is port 21, "name:port" the given port.
struct FtpHostPort {
  std::string m_host{};
  std::uint16_t m_port = 21;
};
// False for an empty name, a name with other characters than letters, digits, '.', '-' and
// '_' (so no text can change the URL built from it), or a port outside 1..65535.
bool ParseFtpHost(std::string_view text, FtpHostPort& out);

// Error numbers of a failed put or connect: the WinInet number for the libcurl results
// that have one, so the log reads as it did; any other CURLcode as its own number (all
// below 100).
//   CURLE_UNSUPPORTED_PROTOCOL         12006 ERROR_INTERNET_UNRECOGNIZED_SCHEME
//   CURLE_URL_MALFORMAT                12005 ERROR_INTERNET_INVALID_URL (also a bad host text)
//   CURLE_COULDNT_RESOLVE_PROXY, _HOST 12007 ERROR_INTERNET_NAME_NOT_RESOLVED
//   CURLE_COULDNT_CONNECT, CURLE_FTP_ACCEPT_FAILED
//                                      12029 ERROR_INTERNET_CANNOT_CONNECT
//   CURLE_OPERATION_TIMEDOUT, CURLE_FTP_ACCEPT_TIMEOUT
//                                      12002 ERROR_INTERNET_TIMEOUT
//   CURLE_LOGIN_DENIED                 12015 ERROR_INTERNET_LOGIN_FAILURE
//   CURLE_SEND_ERROR, _RECV_ERROR, CURLE_GOT_NOTHING
//                                      12030 ERROR_INTERNET_CONNECTION_ABORTED
//   CURLE_WEIRD_SERVER_REPLY, CURLE_FTP_WEIRD_PASS_REPLY, CURLE_REMOTE_ACCESS_DENIED,
//   CURLE_FTP_PORT_FAILED, CURLE_UPLOAD_FAILED (the host refused a command, e.g. STOR)
//                                      12003 ERROR_INTERNET_EXTENDED_ERROR
// Two more come from here, not from libcurl: 12001 ERROR_INTERNET_OUT_OF_HANDLES (no
// handle) and 12009 ERROR_INTERNET_INVALID_OPTION (an unknown session type); both fail as
// the session, context 0. A local file that cannot be opened fails the put with its errno.
std::uint32_t FtpErrorNumber(CURLcode code);

inline constexpr std::uint32_t kFtpErrorOutOfHandles = 12001;
inline constexpr std::uint32_t kFtpErrorInvalidOption = 12009;

// Holds libcurl's global state for the program: made once in main before any thread uses
// libcurl, destroyed after the last one has stopped.
class CurlGlobal {
 public:
  CurlGlobal() : m_code(curl_global_init(CURL_GLOBAL_DEFAULT)) {}
  ~CurlGlobal() {
    if (m_code == CURLE_OK) {
      curl_global_cleanup();
    }
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  bool Ok() const { return m_code == CURLE_OK; }

 private:
  CURLcode m_code;
};

// FtpClient over one libcurl easy handle, made at the first put and kept: the handle's
// connection cache keeps a host's logged-in control connection open between puts (it is
// reused while the login and proxy stay the same), so a put after the first costs no new
// login. Each put first logs in (a transfer without data, so a failure there is kConnect),
// then stores the file (a failure there is kPut).
// Limits, so that a dead host cannot hold the FTP task: 30 s to connect (a host that does
// not answer at all), 60 s for any reply of the host, 30 s for the host to open the
// active-mode data connection, and a transfer slower than 1 byte/s for 60 s is dropped.
// Upload files are small, so each limit lets a working host through with room to spare
// while a dead one costs about a minute before the other host is tried; there is no limit
// on a whole transfer, since a large file on a slow but working line must get through.
// Through a proxy libcurl sends the file as the proxy's own request, without active mode.
class CurlFtpClient final : public FtpClient {
 public:
  CurlFtpClient() = default;
  ~CurlFtpClient() override;
  CurlFtpClient(const CurlFtpClient&) = delete;
  CurlFtpClient& operator=(const CurlFtpClient&) = delete;

  FtpResult Put(const FtpSessionParams& session, const FtpPut& put) override;

 private:
  CURLcode Configure(const FtpSessionParams& session, const FtpHostPort& target);
  FtpResult Upload(const FtpHostPort& target, const FtpPut& put);
  std::string ErrorText(CURLcode code) const;

  CURL* m_curl = nullptr;
  char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

}  // namespace trqx
