#include <gtest/gtest.h>

#include "ServerHarness.h"
#include "net/LineReader.h"
#include "server/Connection.h"
#include "server/ServerConfig.h"

namespace nimbo::server::test {
namespace {

TEST(BadInput, OverlongLineIsAnsweredThenClosedWhileOthersAreServed) {
    ServerHarness server("127.0.4.17");
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto bystander = server.SignedIn("bob", "pw-b");
    const std::string tooLong = "ERR 414\r\nmessage=line too long\r\n\r\n";
    // Before sign-in a line, CR LF included, is at most a few KiB.
    const std::size_t early = Connection::MAX_LINE_BEFORE_AUTH;
    auto longestEarly = server.Connect();
    EXPECT_EQ(longestEarly->Command(std::string(early - 2, 'x')), "ERR 500\r\nmessage=unknown command\r\n\r\n");
    longestEarly->Send(std::string(early - 1, 'x') + "\r\n");
    EXPECT_EQ(longestEarly->ReadUntilClosed(), tooLong);
    // After it, the longest line a client reader accepts is the bound.
    const std::size_t bound = LineReader::MAX_LINE_LENGTH;
    auto longest = server.SignedIn("alice", "pw-a");
    EXPECT_EQ(longest->Command(std::string(bound - 2, 'x')), "ERR 500\r\nmessage=unknown command\r\n\r\n");
    EXPECT_EQ(longest->Command("getgroup"), "OK\r\n\r\n");
    auto flooder = server.SignedIn("alice", "pw-a");
    flooder->Send(std::string(bound - 1, 'x') + "\r\n");
    EXPECT_EQ(flooder->ReadUntilClosed(), tooLong);
    auto endless = server.SignedIn("alice", "pw-a");
    endless->Send(std::string(2 * bound, 'y'));
    EXPECT_EQ(endless->ReadUntilClosed(), tooLong);
    EXPECT_EQ(bystander->Command("getgroup"), "OK\r\n\r\n");
}

TEST(BadInput, GarbageLinesAreRefusedAndAZeroByteEndsTheConnection) {
    ServerHarness server("127.0.4.18");
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto client = server.Connect();
    EXPECT_EQ(client->Command("\x01\xFF\xFE\x80 \x1B[2J"), "ERR 500\r\nmessage=unknown command\r\n\r\n");
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("alice", "pw-a")), "OK\r\n\r\n");
    const std::string badStatus = "ERR 400\r\nmessage=unknown status word or bad status text\r\n\r\n";
    EXPECT_EQ(client->Command("setlogonstat online \xB0\xA1"), badStatus);
    EXPECT_EQ(client->Command("setlogonstat Online "), badStatus);
    EXPECT_EQ(client->Command("setlogonstat away "), badStatus);
    // Every watcher's status list repeats the message: it is bounded.
    EXPECT_EQ(client->Command("setlogonstat online " + std::string(4100, 'A')), badStatus);
    EXPECT_EQ(client->Command("setlogonstat online " + std::string(4096, 'A')), "OK\r\n\r\n");
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("alice", std::string(300, 'p'))),
              "ERR 401\r\nmessage=wrong user ID or password\r\n\r\n");
    client->Send(std::string("getgroup\0\r\n", 11));
    EXPECT_EQ(client->ReadUntilClosed(), "ERR 400\r\nmessage=zero byte in line\r\n\r\n");
    EXPECT_EQ(server.SignedIn("bob", "pw-b")->Command("getgroup"), "OK\r\n\r\n");
}

TEST(BadInput, SilentClientsAreClosedAfterTheIdleBoundButAListenerStays) {
    ServerHarness server("127.0.4.19");
    server.Config().idleTimeout = std::chrono::milliseconds(200);
    server.Config().firstLineTimeout = std::chrono::milliseconds(200);
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto listener = server.Listener("bob", "pw-b");
    auto silentCommand = server.Connect();
    auto silentNotify = server.Connect(server.Config().notifyPort);
    auto halfCommand = server.Connect();
    halfCommand->Send("getgr");
    EXPECT_EQ(silentCommand->ReadUntilClosed(), "");
    EXPECT_EQ(silentNotify->ReadUntilClosed(), "");
    EXPECT_EQ(halfCommand->ReadUntilClosed(), "");
    // The identified notification connection outlived the bound.
    EXPECT_EQ(server.SendNote("alice", "pw-a", "bob", "SGk="), "OK\r\n\r\n");
    EXPECT_EQ(listener->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");
}

TEST(BadInput, ClientsThatDisappearMidCommandOrMidAuthLeaveNoTrace) {
    ServerHarness server("127.0.4.20");
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto listener = server.Listener("bob", "pw-b");
    {
        auto midCommand = server.SignedIn("alice", "pw-a");
        midCommand->Send("peercall bob instmsg R09ORQ==");
    }
    // Fewer than the failures that lock a user out from an address: a check
    // that ends before the server sees its client gone counts as a failure.
    for (int i = 0; i < SignInLimits{}.failures - 1; ++i) {
        auto midAuth = server.Connect();
        midAuth->Send(ServerHarness::AuthLine("alice", "not-cached-" + std::to_string(i)) + "\r\ngetgroup\r\n");
    }
    EXPECT_EQ(server.SendNote("alice", "pw-a", "bob", "SGk="), "OK\r\n\r\n");
    EXPECT_EQ(listener->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");
}

TEST(BadInput, ClientsThatDisappearWithAReplyUnreadLeaveOthersServed) {
    ServerHarness server("127.0.14.20");
    server.AddUsers({"alice", "bob"});
    const std::string member(32, 'm');
    server.AddUser(member, "member", "pw-m");
    // A group reply of some 900 KB: far more than the socket buffers hold.
    server.AddGroup("alice", "friends", 0, std::vector<std::string>(20000, member));
    server.Start();
    auto listener = server.Listener("bob", "pw-b");
    for (int i = 0; i < 3; ++i) {
        auto vanishing = PeerConnection::Dial(server.Address(), AGENT_PORT, 4096);
        vanishing->Send(ServerHarness::AuthLine("alice", "pw-a") + "\r\ngetgroup\r\ngetgroup\r\n");
        EXPECT_EQ(vanishing->ReadBlock(), "OK\r\n\r\n");
    }
    EXPECT_EQ(server.SendNote("alice", "pw-a", "bob", "SGk="), "OK\r\n\r\n");
    EXPECT_EQ(listener->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");
    std::string document = "<group name=\"friends\" type=\"0\" expand=\"1\">\n";
    for (int i = 0; i < 20000; ++i)
        document += member + "\n";
    document += "</group>\n";
    EXPECT_EQ(server.SignedIn("alice", "pw-a")->Command("getgroup"),
              "OK\r\n" + ServerHarness::Base64(document) + "\r\n\r\n");
}

TEST(BadInput, ConnectionsBeyondTheBoundAreRefused) {
    ServerHarness server("127.0.4.21");
    server.Config().maxConnections = 2;
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto first = server.SignedIn("alice", "pw-a");
    auto second = server.Listener("bob", "pw-b");
    EXPECT_EQ(server.Connect()->ReadUntilClosed(), "ERR 503\r\nmessage=too many connections\r\n\r\n");
    EXPECT_EQ(first->Command("getgroup"), "OK\r\n\r\n");
}

TEST(BadInput, NotificationPortAcceptsOnlyAuthFirst) {
    ServerHarness server("127.0.4.22");
    server.AddUsers({"alice", "bob"});
    server.Start();
    auto early = server.Connect(server.Config().notifyPort);
    early->Send("getgroup\r\n");
    EXPECT_EQ(early->ReadUntilClosed(), "ERR 401\r\nmessage=auth required\r\n\r\n");
    auto wrong = server.Connect(server.Config().notifyPort);
    wrong->Send(ServerHarness::AuthLine("bob", "pw-a") + "\r\n");
    EXPECT_EQ(wrong->ReadUntilClosed(), "ERR 401\r\nmessage=wrong user ID or password\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
