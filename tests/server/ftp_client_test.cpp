#include "server/ftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/ftp_server.h"
#include "support/scratch_folder.h"

namespace trqx {
namespace {

TEST(FtpHostTest, HostTextsNameAHostAndPort) {
  const struct {
    const char* text;
    bool valid;
    const char* host = "";
    int port = 0;
  } rows[] = {
      {.text = "ftp.vendor.com", .valid = true, .host = "ftp.vendor.com", .port = 21},
      {.text = "h:2121", .valid = true, .host = "h", .port = 2121},
      {.text = "192.168.10.4", .valid = true, .host = "192.168.10.4", .port = 21},
      {.text = "10.0.0.2:65535", .valid = true, .host = "10.0.0.2", .port = 65535},
      {.text = "h:", .valid = false},
      {.text = "h:x", .valid = false},
      {.text = "h:70000", .valid = false},
      {.text = "h:0", .valid = false},
      {.text = "h:+21", .valid = false},
      {.text = ":21", .valid = false},
      {.text = "", .valid = false},
      {.text = "user@h", .valid = false},
      {.text = "h/../x", .valid = false},
  };
  for (const auto& row : rows) {
    FtpHostPort parsed;
    EXPECT_EQ(ParseFtpHost(row.text, parsed), row.valid) << row.text;
    if (row.valid) {
      EXPECT_EQ(parsed.m_host, row.host) << row.text;
      EXPECT_EQ(parsed.m_port, row.port) << row.text;
    }
  }
}

// Sets (or with nullptr removes) proxy variables for one test and puts them back after.
class ScopedProxyEnvironment {
 public:
  explicit ScopedProxyEnvironment(const char* ftpProxy) {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
    if (ftpProxy != nullptr) {
      ::setenv("ftp_proxy", ftpProxy, 1);
    }
  }
  ~ScopedProxyEnvironment() {
    for (const auto& [name, value] : m_saved) {
      value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
  }

 private:
  static constexpr const char* kNames[] = {"ftp_proxy", "FTP_PROXY", "all_proxy",
                                           "ALL_PROXY", "no_proxy",  "NO_PROXY"};
  std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

// A writable pyftpdlib on loopback for each test, and the real client.
class CurlFtpClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_curl.emplace(); }
  static void TearDownTestSuite() { s_curl.reset(); }

  void SetUp() override {
    ASSERT_TRUE(s_curl->Ok());
    std::filesystem::create_directories(m_scratch.File("in"));
    ASSERT_TRUE(m_server.Start({m_scratch.File("in"), "trqx", "s3cret"})) << m_server.Log();
  }
  void TearDown() override { m_server.Stop(); }

  // Writes content to a local file and puts it as remoteName to host (default: the server).
  FtpResult PutText(const std::string& content, const std::string& remoteName,
                    const FtpSessionParams& session, std::string host = {}) {
    WriteWholeFile(m_scratch.File("local.inc"), content);
    return m_client.Put(session, {.m_host = host.empty() ? m_server.Address() : host,
                                  .m_localPath = m_scratch.File("local.inc"),
                                  .m_remoteName = remoteName});
  }

  static inline std::optional<CurlGlobal> s_curl;
  ScratchFolder m_scratch;
  test::FtpServer m_server;
  CurlFtpClient m_client;
  const FtpSessionParams m_login{
      .m_user = "trqx", .m_password = "s3cret", .m_sessionType = kSessionDirect};
};

TEST_F(CurlFtpClientTest, PutFilesArriveByteExactUnderTheirRemoteNames) {
  const struct {
    const char* what;
    const char* remoteName;
    std::string content;
  } rows[] = {
      {.what = "an upload file keeps its LF line ends after the ASCII transfer",
       .remoteName = "TRQX001.inc",
       .content = "START-OF-FILE\nSN=Server   \nBASKET=4711\n\nEND-OF-FILE\n"},
      {.what = "a remote name with spaces",
       .remoteName = "Remote0000003 basket 2.inc",
       .content = "START-OF-FILE\nEND-OF-FILE\n"},
      {.what = "a remote name with URL characters",
       .remoteName = "a%20b#c?d;e.inc",
       .content = "x\n"},
      {.what = "an empty file", .remoteName = "empty.inc", .content = ""},
  };
  for (const auto& row : rows) {
    const FtpResult result = PutText(row.content, row.remoteName, m_login);
    EXPECT_TRUE(result.Ok()) << row.what << ": " << result.m_detail;
    EXPECT_EQ(ReadWholeFile(m_scratch.File("in/") + row.remoteName), row.content) << row.what;
  }
  // ASCII mode sent each LF as CR LF: the server counts those bytes in its log.
  for (const auto& row : rows) {
    const std::size_t sent = row.content.size() + std::ranges::count(row.content, '\n');
    const std::string line = "STOR " + m_scratch.File("in/") + row.remoteName +
                             " completed=1 bytes=" + std::to_string(sent) + " ";
    EXPECT_TRUE(m_server.WaitForLog(line)) << row.what << "\n" << m_server.Log();
  }
}

TEST_F(CurlFtpClientTest, FailuresTellAFailedConnectFromARefusedPut) {
  std::filesystem::create_directories(m_scratch.File("readonly"));
  test::FtpServer readOnly;
  ASSERT_TRUE(readOnly.Start({m_scratch.File("readonly"), "trqx", "s3cret", false}));
  WriteWholeFile(m_scratch.File("local.inc"), "START-OF-FILE\n");
  const std::string nobody = "127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
  constexpr std::uint32_t kContext = 9;
  const struct {
    const char* what;
    std::string host;
    const char* password = "s3cret";
    const char* localName = "local.inc";
    std::int32_t sessionType = kSessionDirect;
    FtpFailure failure;
    std::uint32_t error;
    std::uint32_t context = kContext;
  } rows[] = {
      {.what = "a wrong password fails the login",
       .host = m_server.Address(),
       .password = "wrong",
       .failure = FtpFailure::kConnect,
       .error = 12015},
      {.what = "nothing listening fails the connect",
       .host = nobody,
       .failure = FtpFailure::kConnect,
       .error = 12029},
      {.what = "a host text with a bad port fails before connecting",
       .host = "127.0.0.1:x",
       .failure = FtpFailure::kConnect,
       .error = 12005},
      {.what = "an unknown access type fails the session, context 0",
       .host = m_server.Address(),
       .sessionType = 3,
       .failure = FtpFailure::kConnect,
       .error = 12009,
       .context = 0},
      {.what = "a user without write permission has the put refused",
       .host = readOnly.Address(),
       .failure = FtpFailure::kPut,
       .error = 12003},
      {.what = "a missing local file fails the put with its errno",
       .host = m_server.Address(),
       .localName = "missing.inc",
       .failure = FtpFailure::kPut,
       .error = ENOENT},
  };
  for (const auto& row : rows) {
    FtpSessionParams session = m_login;
    session.m_password = row.password;
    session.m_sessionType = row.sessionType;
    const FtpResult result = m_client.Put(session, {.m_host = row.host,
                                                    .m_localPath = m_scratch.File(row.localName),
                                                    .m_remoteName = "TRQX002.inc",
                                                    .m_connectContext = kContext});
    EXPECT_EQ(result.m_failure, row.failure) << row.what << ": " << result.m_detail;
    EXPECT_EQ(result.m_error, row.error) << row.what << ": " << result.m_detail;
    if (row.failure == FtpFailure::kConnect) {
      EXPECT_EQ(result.m_context, row.context) << row.what;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(m_scratch.File("readonly/TRQX002.inc")));
  // Failures leave nothing behind in the reused handle.
  EXPECT_TRUE(PutText("after\n", "TRQX003.inc", m_login).Ok());
  EXPECT_EQ(ReadWholeFile(m_scratch.File("in/TRQX003.inc")), "after\n");
}

TEST_F(CurlFtpClientTest, PutsToOneHostShareOneLogin) {
  ASSERT_TRUE(PutText("one\n", "one.inc", m_login).Ok());
  ASSERT_TRUE(PutText("two\n", "two.inc", m_login).Ok());
  m_server.Stop();
  const std::string log = m_server.Log();
  std::size_t logins = 0;
  for (std::size_t at = log.find("logged in"); at != std::string::npos;
       at = log.find("logged in", at + 1)) {
    ++logins;
  }
  EXPECT_EQ(logins, 1u) << log;
}

TEST_F(CurlFtpClientTest, AccessTypeDecidesWhetherTheProxyIsUsed) {
  const std::string deadProxy = "127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
  // libcurl itself resolves *.localhost to loopback, so the host can have a domain.
  const std::string host = "ftp.localhost:" + std::to_string(m_server.Port());
  const struct {
    const char* what;
    std::int32_t sessionType;
    const char* environmentProxy = nullptr;
    const char* bypassList = "";
    bool delivered;
  } rows[] = {
      {.what = "Preconfig without a proxy in the environment goes direct",
       .sessionType = kSessionPreconfig,
       .delivered = true},
      {.what = "Preconfig takes the environment's proxy",
       .sessionType = kSessionPreconfig,
       .environmentProxy = deadProxy.c_str(),
       .delivered = false},
      {.what = "Direct ignores the environment's proxy",
       .sessionType = kSessionDirect,
       .environmentProxy = deadProxy.c_str(),
       .delivered = true},
      {.what = "Proxy goes through ProxyAddress", .sessionType = kSessionProxy, .delivered = false},
      {.what = "Proxy skips a host in BypassList",
       .sessionType = kSessionProxy,
       .bypassList = "*.vendor.com;*.localhost",
       .delivered = true},
  };
  for (const auto& row : rows) {
    const ScopedProxyEnvironment environment(row.environmentProxy);
    FtpSessionParams session = m_login;
    session.m_sessionType = row.sessionType;
    session.m_proxyAddress = deadProxy;
    session.m_bypassList = row.bypassList;
    const FtpResult result = PutText("proxy\n", "proxy.inc", session, host);
    EXPECT_EQ(result.Ok(), row.delivered) << row.what << ": " << result.m_detail;
    if (!row.delivered) {
      EXPECT_EQ(result.m_failure, FtpFailure::kConnect) << row.what;
      EXPECT_EQ(result.m_error, 12029u) << row.what;
    }
  }
}

}  // namespace
}  // namespace trqx
