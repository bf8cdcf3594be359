#include "foundation/sys/accept_task.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "sys_test_support.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

// The task listens on every interface: a client of the loopback address reaches it, and so
// does one of another local address (127.0.0.2, which Linux routes to lo as well).
struct ClientRow {
  const char* m_connectTo;
};
constexpr ClientRow kClients[] = {
    {.m_connectTo = "127.0.0.1"},
    {.m_connectTo = "127.0.0.2"},
};

TEST(AcceptTaskTest, HandsClientsOfEveryLocalAddressToTheOwnerAndEndsWellOnStop) {
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
  CSysSocket clients[std::size(kClients)];
  for (std::size_t i = 0; i < std::size(kClients); ++i) {
    SCOPED_TRACE(kClients[i].m_connectTo);
    sockaddr_in address{};
    ASSERT_TRUE(MakeClientAddress(kClients[i].m_connectTo, task.ListeningPort(), address));
    ASSERT_TRUE(clients[i].Create(error));
    ASSERT_NE(clients[i].Connect(address, error), SocketIo::kFailed);
    ASSERT_TRUE(owner.m_owner.RunUntil([&] { return accepted.size() == i + 1; }, 10s));
    sockaddr_in reached{}, client{};
    ASSERT_TRUE(accepted[i].LocalAddress(reached));
    ASSERT_TRUE(clients[i].LocalAddress(client));
    EXPECT_EQ(DottedAddress(reached), kClients[i].m_connectTo);
    EXPECT_EQ(owner.m_notices.m_notices[1 + i].m_text, DottedAddress(client));
    ASSERT_TRUE(test::SendSome(accepted[i], "k"));  // the socket taken is a live connection
    EXPECT_EQ(test::ReadBytes(clients[i], 1), "k");
  }
  ASSERT_TRUE(task.Stop(CWorkerTask::kInfinite, error));
  owner.m_owner.RunPending();
  EXPECT_EQ(owner.m_notices.Codes(),
            (std::vector<int>{accept_task::kStarted, accept_task::kClientAccepted,
                              accept_task::kClientAccepted, accept_task::kEndedGood}));
}

}  // namespace
}  // namespace trqx
