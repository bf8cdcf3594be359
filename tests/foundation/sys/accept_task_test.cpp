#include "foundation/sys/accept_task.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

constexpr TaskMessages kMessages{kCategoryServer, 113};
constexpr AcceptLoopMessages kAcceptMessages{147, 148};

struct AcceptOwner {
  AcceptOwner() {
    task.SetOwner(&loop, task_message::kServerAccept, [this](const CTaskNotice& notice) {
      if (notice.m_code == accept_task::kClientAccepted) {
        accepted.push_back(std::move(*notice.m_socket));
      }
      recorder(notice);
    });
  }
  ~AcceptOwner() {
    CSysErrorInfo error;
    task.Stop(CWorkerTask::kInfinite, error);
  }
  bool RunUntilCode(int code) {
    return loop.RunUntil([&] { return notices.Has(code); }, 10s);
  }

  ManualEventLoop loop;
  test::NoticeLog notices;
  NoticeHandler recorder = notices.Handler();
  std::mutex lock;
  CAcceptTask task{lock, kMessages, kAcceptMessages};
  std::vector<CSysSocket> accepted;
};

TEST(AcceptTaskTest, HandsEveryAcceptedClientToTheOwnerAndEndsWellOnStop) {
  AcceptOwner owner;
  owner.task.Configure(0, 5);
  CSysErrorInfo error;
  ASSERT_TRUE(owner.task.Start(error));
  ASSERT_TRUE(owner.loop.RunUntil([&] { return owner.task.ListeningPort() != 0; }, 10s));
  sockaddr_in address{};
  ASSERT_TRUE(MakeLocalHostAddress(owner.task.ListeningPort(), address, error));

  CSysSocket clients[2];
  for (CSysSocket& client : clients) {
    ASSERT_TRUE(client.Create(error));
    ASSERT_NE(client.Connect(address, error), SocketIo::kFailed);
  }
  ASSERT_TRUE(owner.loop.RunUntil([&] { return owner.accepted.size() == 2; }, 10s));
  std::vector<std::string> peers;
  for (const CTaskNotice& notice : owner.notices.m_notices) {
    if (notice.m_code == accept_task::kClientAccepted) {
      peers.push_back(notice.m_text);
    }
  }
  EXPECT_EQ(peers, (std::vector<std::string>{DottedAddress(address), DottedAddress(address)}));
  // The sockets the owner took are live connections to the clients.
  for (std::size_t i = 0; i < 2; ++i) {
    ASSERT_TRUE(test::SendAll(owner.accepted[i], "k"));
  }
  for (CSysSocket& client : clients) {
    EXPECT_EQ(test::ReadBytes(client, 1), "k");
  }

  ASSERT_TRUE(owner.task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_FALSE(owner.task.IsRunning());
  owner.loop.RunPending();
  EXPECT_EQ(owner.notices.Codes(),
            (std::vector<int>{accept_task::kStarted, accept_task::kClientAccepted,
                              accept_task::kClientAccepted, accept_task::kEndedGood}));
}

TEST(AcceptTaskTest, APortInUseEndsBadlyWithTheBindError) {
  CSysErrorInfo error;
  sockaddr_in address{};
  ASSERT_TRUE(MakeLocalHostAddress(0, address, error));
  CSysSocket holder;
  ASSERT_TRUE(holder.Create(error));
  ASSERT_TRUE(holder.Bind(address, error));
  ASSERT_TRUE(holder.Listen(1, error));
  ASSERT_TRUE(holder.LocalAddress(address));

  AcceptOwner owner;
  owner.task.Configure(ntohs(address.sin_port), 5);
  ASSERT_TRUE(owner.task.Start(error));
  ASSERT_TRUE(owner.RunUntilCode(accept_task::kEndedBad));
  auto logs = owner.notices.Logs(accept_task::kLogEntry);
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].m_number, kMessages.m_systemError);
  EXPECT_EQ(logs[0].m_category, kCategoryServer);
  EXPECT_EQ(logs[0].m_args,
            (std::vector<std::string>{std::to_string(EADDRINUSE),
                                      "int bind(SOCKET, const struct sockaddress *, int)"}));
}

TEST(AcceptTaskTest, AStopRequestedBeforeItListensEndsItWellAtOnce) {
  AcceptOwner owner;
  owner.task.Configure(0, 5);
  CSysErrorInfo error;
  ASSERT_TRUE(owner.task.Start(error));
  ASSERT_TRUE(owner.task.Stop(CWorkerTask::kInfinite, error));
  EXPECT_EQ(owner.task.ExitCode(), 0u);
}

}  // namespace
}  // namespace trqx
