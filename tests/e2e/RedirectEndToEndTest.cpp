#include <gtest/gtest.h>

#include <vector>

#include "session/AgentHost.h"
#include "session/SessionMessages.h"
#include "tests/e2e/ClientSide.h"
#include "tests/server/ServerHarness.h"

// Login's redirect between agent servers on different loopback addresses
// (127.0.13.N) that share one directory.

namespace nimbo::e2e {
namespace {

using server::test::ServerHarness;

TEST(EndToEndRedirect, LoginFollowsOneRedirectAndTheSessionStaysOnTheSecondServer) {
    ServerHarness first("127.0.13.8");
    first.AddUser("alice", "alice", "pw-a");
    first.AddUser("bob", "bob", "pw-b");
    first.Config().redirectHost = "127.0.13.9";
    ServerHarness second("127.0.13.9", first);
    first.Start();
    second.Start();
    ClientSide client("127.0.13.8");
    auto alice = client.SignIn(u"alice", u"pw-a");
    ASSERT_TRUE(alice);
    EXPECT_EQ(g_strAgentHost.Get(), u"127.0.13.9");
    // bob signs in where alice is now; her listener hears from the second
    // server's notification port.
    auto bob = client.SignIn(u"bob", u"pw-b");
    ASSERT_TRUE(bob);
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"두 번째 서버에서"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 1));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice),
              (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"두 번째 서버에서"}}));
}

TEST(EndToEndRedirect, SecondRedirectEndsTheLoginEvenWhenItNamesAWillingServer) {
    ServerHarness first("127.0.13.10");
    first.Config().redirectHost = "127.0.13.11";
    ServerHarness second("127.0.13.11");
    second.Config().redirectHost = "127.0.13.12";
    ServerHarness third("127.0.13.12");
    third.AddUser("alice", "alice", "pw-a");
    first.Start();
    second.Start();
    third.Start();
    ClientSide client("127.0.13.10");
    AgentSession alice;
    EXPECT_FALSE(alice.Login(u"alice", u"pw-a"));
    EXPECT_FALSE(alice.IsLoggedIn());
    // Each redirect moved the host; the next login starts where the last
    // one pointed.
    EXPECT_EQ(g_strAgentHost.Get(), u"127.0.13.12");
    EXPECT_TRUE(alice.Login(u"alice", u"pw-a"));
}

}  // namespace
}  // namespace nimbo::e2e
