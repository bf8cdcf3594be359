#include "foundation/sys/accept_task.h"

#include <gtest/gtest.h>

#include <vector>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

TEST(AcceptTaskTest, HandsTwoClientsToTheOwnerAndEndsWellOnStop) {
  test::Owner owner;
  std::vector<CSysSocket> accepted;
  CAcceptTask task(owner.m_ownerLock, {kCategoryServer, 113}, {147, 148});
  task.SetOwner(&owner.m_owner, task_message::kServerAccept,
                [&, record = owner.m_notices.Handler()](const CTaskNotice& notice) {
                  if (notice.m_code == accept_task::kClientAccepted) {
                    accepted.push_back(std::move(*notice.m_socket));
                  }
                  record(notice);
                });
  task.Configure(0, 5);
  CSysErrorInfo error;
  ASSERT_TRUE(task.Start(error));
  ASSERT_TRUE(owner.m_owner.RunUntil([&] { return task.ListeningPort() != 0; }, 10s));
  sockaddr_in address{};
  ASSERT_TRUE(MakeLocalHostAddress(task.ListeningPort(), address, error));
  CSysSocket clients[2];
  for (CSysSocket& client : clients) {
    ASSERT_TRUE(client.Create(error));
    ASSERT_NE(client.Connect(address, error), SocketIo::kFailed);
  }
  ASSERT_TRUE(owner.m_owner.RunUntil([&] { return accepted.size() == 2; }, 10s));
  for (int i = 0; i < 2; ++i) {  // the sockets taken are live connections to the clients
    EXPECT_EQ(owner.m_notices.m_notices[1 + i].m_text, DottedAddress(address));
    ASSERT_TRUE(test::SendSome(accepted[i], "k"));
  }
  EXPECT_EQ(test::ReadBytes(clients[0], 1) + test::ReadBytes(clients[1], 1), "kk");
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  owner.m_owner.RunPending();
  EXPECT_EQ(owner.m_notices.Codes(),
            (std::vector<int>{accept_task::kStarted, accept_task::kClientAccepted,
                              accept_task::kClientAccepted, accept_task::kEndedGood}));
}

}  // namespace
}  // namespace trqx
