#include "foundation/sys/sys_socket.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "sys_test_support.h"

namespace trqx {
namespace {

// Real failures carry the errno and the text of the failing call.
TEST(SysSocketTest, FailingCallsReportTheirErrorAndCallText) {
  CSysSocket listener, second, unconnected, client;
  sockaddr_in address{};
  ASSERT_TRUE(test::Listen(listener, address));
  CSysErrorInfo error;
  ASSERT_TRUE(second.Create(error));
  ASSERT_TRUE(second.AllowAddressReuse(error));
  EXPECT_FALSE(second.Bind(address, error));  // reuse never shares it
  EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(EADDRINUSE));
  EXPECT_EQ(error.m_function, "int bind(SOCKET, const struct sockaddress *, int)");
  ASSERT_TRUE(unconnected.Create(error));
  char buffer[8];
  std::size_t count = 0;
  EXPECT_EQ(unconnected.Receive(buffer, sizeof buffer, count, error), SocketIo::kFailed);
  EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(ENOTCONN));
  EXPECT_EQ(error.m_function, "int recv(SOCKET, char *, int, int)");
  EXPECT_EQ(unconnected.Send("x", 1, count, error), SocketIo::kFailed);  // and no SIGPIPE
  EXPECT_EQ(error.m_function, "int send(SOCKET, const char *, int, int)");
  // A connect to a port nobody listens on is refused at once or as the connect event's error.
  ASSERT_TRUE(listener.Close(error));
  ASSERT_TRUE(client.Create(error));
  SocketIo io = client.Connect(address, error);
  if (io == SocketIo::kFailed) {
    EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(ECONNREFUSED));
    EXPECT_EQ(error.m_function, "int connect(SOCKET, const struct sockaddr *, int)");
    return;
  }
  CSocketEvents events;
  CNetworkEvents occurred;
  bool woken = true;
  ASSERT_EQ(io, SocketIo::kWouldBlock);
  ASSERT_TRUE(events.Select(client, kMaskClient, error));
  events.SetConnecting(true);
  ASSERT_TRUE(events.Wait(nullptr, 5000, sys_call::kWaitSocketLoop, woken, error));
  ASSERT_TRUE(events.Enumerate(occurred, error));
  ASSERT_TRUE(occurred.Has(kFdConnect));
  EXPECT_EQ(occurred.Error(kFdConnect), ECONNREFUSED);
}

}  // namespace
}  // namespace trqx
