#include "server/ftp_client.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>

namespace trqx {
namespace {

struct ErrorNumberRow {
  CURLcode m_code;
  std::uint32_t m_number;
};

constexpr ErrorNumberRow kErrorNumbers[] = {
    {CURLE_UNSUPPORTED_PROTOCOL, 12006},
    {CURLE_URL_MALFORMAT, 12005},
    {CURLE_COULDNT_RESOLVE_PROXY, 12007},
    {CURLE_COULDNT_RESOLVE_HOST, 12007},
    {CURLE_COULDNT_CONNECT, 12029},
    {CURLE_FTP_ACCEPT_FAILED, 12029},
    {CURLE_OPERATION_TIMEDOUT, 12002},
    {CURLE_FTP_ACCEPT_TIMEOUT, 12002},
    {CURLE_LOGIN_DENIED, 12015},
    {CURLE_SEND_ERROR, 12030},
    {CURLE_RECV_ERROR, 12030},
    {CURLE_GOT_NOTHING, 12030},
    {CURLE_WEIRD_SERVER_REPLY, 12003},
    {CURLE_FTP_WEIRD_PASS_REPLY, 12003},
    {CURLE_REMOTE_ACCESS_DENIED, 12003},
    {CURLE_FTP_PORT_FAILED, 12003},
    {CURLE_UPLOAD_FAILED, 12003},
};

// The limits the header explains.
constexpr long kConnectSeconds = 30;
constexpr long kResponseSeconds = 60;
constexpr long kAcceptMilliseconds = 30'000;
constexpr long kLowSpeedBytes = 1;
constexpr long kLowSpeedSeconds = 60;

bool IsHostNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

// WinInet separates bypass entries with ';' or blanks and writes "*.example.com" for a
// domain; libcurl wants commas and matches "example.com" with its subdomains.
std::string NoProxyList(std::string_view bypassList) {
  std::string list;
  std::size_t begin = 0;
  while (begin < bypassList.size()) {
    std::size_t end = bypassList.find_first_of("; ,\t", begin);
    end = end == std::string_view::npos ? bypassList.size() : end;
    std::string_view entry = bypassList.substr(begin, end - begin);
    if (entry.starts_with("*.")) {
      entry.remove_prefix(2);
    }
    if (!entry.empty()) {
      list += list.empty() ? "" : ",";
      list += entry;
    }
    begin = end + 1;
  }
  return list;
}

std::string ServerUrl(const FtpHostPort& target) {
  return "ftp://" + target.m_host + ":" + std::to_string(target.m_port) + "/";
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::uint32_t FtpErrorNumber(CURLcode code) {
  const auto* row = std::find_if(std::begin(kErrorNumbers), std::end(kErrorNumbers),
                                 [code](const ErrorNumberRow& r) { return r.m_code == code; });
  return row != std::end(kErrorNumbers) ? row->m_number : static_cast<std::uint32_t>(code);
}

bool ParseFtpHost(std::string_view text, FtpHostPort& out) {
  std::string_view name = text;
  std::uint32_t port = 21;
  if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    name = text.substr(0, colon);
    const std::string_view digits = text.substr(colon + 1);
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, port);
    if (digits.empty() || ptr != end || ec != std::errc() || port == 0 || port > 65535) {
      return false;
    }
  }
  if (name.empty() || !std::all_of(name.begin(), name.end(), IsHostNameChar)) {
    return false;
  }
  out.m_host.assign(name);
  out.m_port = static_cast<std::uint16_t>(port);
  return true;
}

CurlFtpClient::~CurlFtpClient() {
  if (m_curl != nullptr) {
    curl_easy_cleanup(m_curl);
  }
}

FtpResult CurlFtpClient::Put(const FtpSessionParams& session, const FtpPut& put) {
  if (m_curl == nullptr && (m_curl = curl_easy_init()) == nullptr) {
    return FtpResult::ConnectFailed(kFtpErrorOutOfHandles, 0, "curl_easy_init failed");
  }
  if (session.m_sessionType < kSessionPreconfig || session.m_sessionType > kSessionProxy) {
    return FtpResult::ConnectFailed(kFtpErrorInvalidOption, 0, "unknown session type");
  }
  FtpHostPort target;
  if (!ParseFtpHost(put.m_host, target)) {
    return FtpResult::ConnectFailed(FtpErrorNumber(CURLE_URL_MALFORMAT), put.m_connectContext,
                                    "bad host text");
  }
  CURLcode code = Configure(session, target);
  if (code != CURLE_OK) {
    return FtpResult::ConnectFailed(FtpErrorNumber(code), 0, ErrorText(code));
  }
  // Logging in without a transfer tells a failed connect from a refused put; the put
  // then reuses the logged-in connection.
  curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
  code = curl_easy_perform(m_curl);
  if (code != CURLE_OK) {
    return FtpResult::ConnectFailed(FtpErrorNumber(code), put.m_connectContext, ErrorText(code));
  }
  return Upload(target, put);
}

// Sets every option of a put afresh (the handle keeps its connections, not its options) and
// points it at the host's login folder. A failure is the session's.
CURLcode CurlFtpClient::Configure(const FtpSessionParams& session, const FtpHostPort& target) {
  curl_easy_reset(m_curl);
  m_errorBuffer[0] = '\0';
  CURLcode code = CURLE_OK;
  auto set = [&](CURLoption option, auto value) {
    if (code == CURLE_OK) {
      code = curl_easy_setopt(m_curl, option, value);
    }
  };
  set(CURLOPT_ERRORBUFFER, m_errorBuffer);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_PROTOCOLS_STR, "ftp");
  set(CURLOPT_URL, ServerUrl(target).c_str());
  if (!session.m_user.empty()) {
    set(CURLOPT_USERNAME, session.m_user.c_str());
    set(CURLOPT_PASSWORD, session.m_password.c_str());
  }
  if (session.m_sessionType == kSessionDirect) {
    set(CURLOPT_PROXY, "");
  } else if (session.m_sessionType == kSessionProxy) {
    set(CURLOPT_PROXY, session.m_proxyAddress.c_str());
    set(CURLOPT_NOPROXY, NoProxyList(session.m_bypassList).c_str());
  }
  set(CURLOPT_FTPPORT, "-");
  set(CURLOPT_TRANSFERTEXT, 1L);
  set(CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  set(CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseSeconds);
  set(CURLOPT_ACCEPTTIMEOUT_MS, kAcceptMilliseconds);
  set(CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
  set(CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  return code;
}

// Stores the local file under the remote name on the logged-in connection. A local file
// that cannot be opened fails with its errno before anything is sent.
FtpResult CurlFtpClient::Upload(const FtpHostPort& target, const FtpPut& put) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(put.m_localPath.c_str(), "rb"));
  if (!file) {
    return FtpResult::PutFailed(static_cast<std::uint32_t>(errno), put.m_localPath);
  }
  // Remote names are short; the cap only keeps the length an int.
  const int length = static_cast<int>(std::min<std::size_t>(put.m_remoteName.size(), 1 << 20));
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(m_curl, put.m_remoteName.c_str(), length), &curl_free);
  CURLcode code = escaped ? CURLE_OK : CURLE_OUT_OF_MEMORY;
  m_errorBuffer[0] = '\0';
  if (code == CURLE_OK) {
    const std::string url = ServerUrl(target) + escaped.get();
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, file.get());
    code = curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
  }
  if (code == CURLE_OK) {
    code = curl_easy_perform(m_curl);
  }
  return code == CURLE_OK ? FtpResult::Success()
                          : FtpResult::PutFailed(FtpErrorNumber(code), ErrorText(code));
}

std::string CurlFtpClient::ErrorText(CURLcode code) const {
  return m_errorBuffer[0] != '\0' ? std::string(m_errorBuffer) : curl_easy_strerror(code);
}

}  // namespace trqx
