#include "foundation/sys/sys_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include "foundation/sys/sys_event.h"
#include "sys_test_support.h"

namespace trqx {
namespace {

TEST(SysErrorInfoTest, SetOverwritesBothFieldsAndCutsTheTextAt100) {
  CSysErrorInfo error;
  error.Set(10054, std::string(150, 'x'));
  EXPECT_EQ(error.m_code, 10054u);
  EXPECT_EQ(error.m_function, std::string(100, 'x'));
  error.Set(2, sys_call::kSetEvent);
  EXPECT_EQ(error.m_code, 2u);
  EXPECT_EQ(error.m_function, "SetEvent(...)");
}

TEST(SysSocketTest, ConnectToAClosedLoopbackPortIsRefused) {
  CSysSocket listener;
  std::uint16_t port = 0;
  ASSERT_TRUE(test::Listen(listener, port));
  CSysErrorInfo error;
  ASSERT_TRUE(listener.Close(error));  // nobody listens on port now

  CSysSocket client;
  ASSERT_TRUE(client.Create(error));
  SocketIo io = client.Connect(test::LoopbackAddress(port), error);
  if (io == SocketIo::kFailed) {
    EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(ECONNREFUSED));
    EXPECT_EQ(error.m_function, "int connect(SOCKET, const struct sockaddr *, int)");
    return;
  }
  // Under way: the refusal comes as the connect event's error.
  ASSERT_EQ(io, SocketIo::kWouldBlock);
  CSocketEvents events;
  ASSERT_TRUE(events.Select(client, kMaskClient, error));
  events.SetConnecting(true);
  bool woken = true;
  ASSERT_TRUE(events.Wait(nullptr, 5000, sys_call::kWaitSocketLoop, woken, error));
  EXPECT_FALSE(woken);
  CNetworkEvents occurred;
  ASSERT_TRUE(events.Enumerate(occurred, error));
  ASSERT_TRUE(occurred.Has(kFdConnect));
  EXPECT_EQ(occurred.Error(kFdConnect), ECONNREFUSED);
}

TEST(SysSocketTest, BindToAPortInUseFailsWithTheBindText) {
  CSysSocket listener;
  std::uint16_t port = 0;
  ASSERT_TRUE(test::Listen(listener, port));
  CSysSocket second;
  CSysErrorInfo error;
  ASSERT_TRUE(second.Create(error));
  ASSERT_TRUE(second.AllowAddressReuse(error));  // reuse never shares a listened-on port
  EXPECT_FALSE(second.Bind(test::LoopbackAddress(port), error));
  EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(EADDRINUSE));
  EXPECT_EQ(error.m_function, "int bind(SOCKET, const struct sockaddress *, int)");
}

TEST(SysSocketTest, CallsOnAnUnconnectedSocketFailWithTheirTexts) {
  CSysSocket socket;
  CSysErrorInfo error;
  ASSERT_TRUE(socket.Create(error));
  char buffer[8];
  std::size_t count = 0;
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, count, error), SocketIo::kFailed);
  EXPECT_EQ(error.m_code, static_cast<std::uint32_t>(ENOTCONN));
  EXPECT_EQ(error.m_function, "int recv(SOCKET, char *, int, int)");
  // Not SIGPIPE: the send fails like any other.
  EXPECT_EQ(socket.Send("x", 1, count, error), SocketIo::kFailed);
  EXPECT_EQ(error.m_function, "int send(SOCKET, const char *, int, int)");
  CSysSocket accepted;
  sockaddr_in peer{};
  EXPECT_EQ(socket.Accept(accepted, peer, error), SocketIo::kFailed);
  EXPECT_EQ(error.m_function, "SOCKET accept(SOCKET, struct sockaddr *, int *)");
  EXPECT_FALSE(accepted.IsValid());
}

TEST(SysSocketTest, MovingHandsTheHandleOverAndClosingTwiceIsHarmless) {
  CSysSocket first;
  CSysErrorInfo error;
  ASSERT_TRUE(first.Create(error));
  int handle = first.Handle();
  CSysSocket second(std::move(first));
  EXPECT_FALSE(first.IsValid());
  EXPECT_EQ(second.Handle(), handle);
  EXPECT_TRUE(second.Close(error));
  EXPECT_FALSE(second.IsValid());
  EXPECT_TRUE(second.Close(error));
}

TEST(SysAddressTest, ClientAddressTakesDottedTextOnly) {
  sockaddr_in address{};
  ASSERT_TRUE(MakeClientAddress("127.0.0.1", 21020, address));
  EXPECT_EQ(address.sin_family, AF_INET);
  EXPECT_EQ(ntohs(address.sin_port), 21020);
  EXPECT_EQ(DottedAddress(address), "127.0.0.1");
  for (const char* bad : {"localhost", "", "256.1.1.1", "1.2.3", "10.0.0.1 ", "a.b.c.d"}) {
    EXPECT_FALSE(MakeClientAddress(bad, 1, address)) << bad;
  }
}

TEST(SysAddressTest, LocalHostAddressIsThisHostsFirstIpv4AndCanBeListenedOn) {
  sockaddr_in address{};
  CSysErrorInfo error;
  ASSERT_TRUE(MakeLocalHostAddress(0, address, error)) << error.m_function;
  EXPECT_EQ(address.sin_family, AF_INET);
  CSysSocket listener;
  ASSERT_TRUE(listener.Create(error));
  EXPECT_TRUE(listener.Bind(address, error)) << error.m_code;
  EXPECT_TRUE(listener.Listen(1, error));
}

TEST(SysLibraryTest, StartReportsVersionTwoAndEndSucceeds) {
  std::uint16_t version = 0;
  CSysErrorInfo error;
  EXPECT_TRUE(SocketLibraryStart(version, error));
  EXPECT_EQ(version, 0x0002);
  EXPECT_TRUE(SocketLibraryEnd(error));
}

TEST(SysEventTest, ManualResetStaysSetUntilResetWhateverTheNumberOfSets) {
  CSysEvent event;
  CSysErrorInfo error;
  ASSERT_TRUE(event.Create(false, error));
  EXPECT_FALSE(event.IsSet());
  ASSERT_TRUE(event.Set(error));
  ASSERT_TRUE(event.Set(error));
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.IsSet());  // looking does not clear it
  ASSERT_TRUE(event.Reset(error));
  EXPECT_FALSE(event.IsSet());
  ASSERT_TRUE(event.Reset(error));  // resetting a clear event is no change
  ASSERT_TRUE(event.Create(true, error));
  EXPECT_TRUE(event.IsSet());
  ASSERT_TRUE(event.Close(error));
  EXPECT_FALSE(event.Set(error));
  EXPECT_EQ(error.m_function, "SetEvent(...)");
  EXPECT_FALSE(event.Reset(error));
  EXPECT_EQ(error.m_function, "ResetEvent(...)");
}

TEST(SysEventTest, SetFromAnotherThreadWakesAWaitOnEventAndSocket) {
  CSysSocket first;
  CSysSocket second;
  ASSERT_TRUE(test::ConnectedPair(first, second));
  CSysEvent wake;
  CSysErrorInfo error;
  ASSERT_TRUE(wake.Create(false, error));
  CSocketEvents events;
  ASSERT_TRUE(events.Select(first, kMaskSession, error));
  std::thread setter([&wake] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    CSysErrorInfo setError;
    wake.Set(setError);
  });
  bool woken = false;
  auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(events.Wait(&wake, 10000, sys_call::kWaitSocketLoop, woken, error));
  setter.join();
  EXPECT_TRUE(woken);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
  CNetworkEvents occurred;
  ASSERT_TRUE(events.Enumerate(occurred, error));
  EXPECT_EQ(occurred.m_occurred, 0u);  // no socket event, and no FD_WRITE without a blocked send
}

}  // namespace
}  // namespace trqx
