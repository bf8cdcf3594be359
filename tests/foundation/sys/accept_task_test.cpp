#include "foundation/sys/accept_task.h"

#include <gtest/gtest.h>

#include <vector>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

TEST(AcceptTaskTest, HandsTwoClientsToTheOwnerAndEndsWellOnStop) {
  ManualEventLoop loop;
  test::NoticeLog notices;
  std::vector<CSysSocket> accepted;
  std::mutex lock;
  CAcceptTask task(lock, {kCategoryServer, 113}, {147, 148});
  task.SetOwner(&loop, task_message::kServerAccept,
                [&, record = notices.Handler()](const CTaskNotice& notice) {
                  if (notice.m_code == accept_task::kClientAccepted) {
                    accepted.push_back(std::move(*notice.m_socket));
                  }
                  record(notice);
                });
  task.Configure(0, 5);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(loop.RunUntil([&] { return task.ListeningPort() != 0; }, 10s));
  sockaddr_in address{};
  ASSERT_TRUE(MakeLocalHostAddress(task.ListeningPort(), address, error));
  CSysSocket clients[2];
  for (CSysSocket& client : clients) {
    ASSERT_TRUE(client.Create(error));
    ASSERT_NE(client.Connect(address, error), SocketIo::kFailed);
  }
  ASSERT_TRUE(loop.RunUntil([&] { return accepted.size() == 2; }, 10s));
  for (int i = 0; i < 2; ++i) {  // the sockets taken are live connections to the clients
    EXPECT_EQ(notices.m_notices[1 + i].m_text, DottedAddress(address));
    ASSERT_TRUE(test::SendAll(accepted[i], "k"));
  }
  EXPECT_EQ(test::ReadBytes(clients[0], 1) + test::ReadBytes(clients[1], 1), "kk");
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  loop.RunPending();
  EXPECT_EQ(notices.Codes(),
            (std::vector<int>{accept_task::kStarted, accept_task::kClientAccepted,
                              accept_task::kClientAccepted, accept_task::kEndedGood}));
}

}  // namespace
}  // namespace trqx
