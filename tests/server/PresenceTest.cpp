#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

// alice watches bob; carol watches only alice.
void AddTrio(ServerHarness& server) {
    server.AddUser("alice", "alice", "pw-a");
    server.AddUser("bob", "bob", "pw-b");
    server.AddUser("carol", "carol", "pw-c");
    server.AddGroup("alice", "friends", 0, {"bob"});
    server.AddGroup("carol", "friends", 0, {"alice"});
}

std::string BobStatusSeenBy(const ServerHarness& server, const std::string& watcher, const std::string& password) {
    std::string list = server.SignedIn(watcher, password)->Command("getlogonstatall");
    std::size_t entry = list.find("<b>bob\r\n");
    if (entry == std::string::npos)
        return list;
    std::size_t start = entry + 8;
    return list.substr(start, list.find("\r\n", start) - start);
}

TEST(Presence, ChangeIsAnnouncedToWatchersOnly) {
    ServerHarness server("127.0.4.7");
    AddTrio(server);
    server.Start();
    auto alice = server.Listener("alice", "pw-a");
    auto carol = server.Listener("carol", "pw-c");
    EXPECT_EQ(server.SignedIn("bob", "pw-b")->Command("setlogonstat busy " + ServerHarness::Base64("meeting")),
              "OK\r\n\r\n");
    EXPECT_EQ(alice->ReadBlock(), "notify logon bob\r\n\r\n");
    EXPECT_EQ(BobStatusSeenBy(server, "alice", "pw-a"), "busy");
    // carol does not watch bob: the first block she gets is the note sent after the change.
    EXPECT_EQ(server.SignedIn("bob", "pw-b")->Command("peercall carol instmsg SGk="), "OK\r\n\r\n");
    EXPECT_EQ(carol->ReadBlock(), "peercall bob instmsg SGk= carol\r\n\r\n");
}

TEST(Presence, LogoutClosesTheNotificationConnectionAndAnnouncesOffline) {
    ServerHarness server("127.0.4.8");
    AddTrio(server);
    server.Start();
    auto alice = server.Listener("alice", "pw-a");
    auto bobListener = server.Listener("bob", "pw-b");
    auto bob = server.SignedIn("bob", "pw-b");
    EXPECT_EQ(bob->Command("setlogonstat online " + ServerHarness::Base64("PocketPC")), "OK\r\n\r\n");
    EXPECT_EQ(alice->ReadBlock(), "notify logon bob\r\n\r\n");
    EXPECT_EQ(bob->Command("logout"), "OK\r\n\r\n");
    EXPECT_EQ(bobListener->ReadUntilClosed(), "");
    EXPECT_EQ(alice->ReadBlock(), "notify logon bob\r\n\r\n");
    EXPECT_EQ(BobStatusSeenBy(server, "alice", "pw-a"), "offline");
}

TEST(Presence, LostNotificationConnectionMakesTheUserOffline) {
    ServerHarness server("127.0.4.9");
    AddTrio(server);
    server.Start();
    auto alice = server.Listener("alice", "pw-a");
    auto bobListener = server.Listener("bob", "pw-b");
    EXPECT_EQ(server.SignedIn("bob", "pw-b")->Command("setlogonstat food "), "OK\r\n\r\n");
    EXPECT_EQ(alice->ReadBlock(), "notify logon bob\r\n\r\n");
    bobListener->Close();
    EXPECT_EQ(alice->ReadBlock(), "notify logon bob\r\n\r\n");
    EXPECT_EQ(BobStatusSeenBy(server, "alice", "pw-a"), "offline");
}

TEST(Presence, NewerNotificationConnectionReplacesTheOlder) {
    ServerHarness server("127.0.4.10");
    AddTrio(server);
    server.Start();
    auto older = server.Listener("bob", "pw-b");
    auto newer = server.Listener("bob", "pw-b");
    EXPECT_EQ(older->ReadUntilClosed(), "");
    EXPECT_EQ(server.SignedIn("alice", "pw-a")->Command("peercall bob instmsg SGk="), "OK\r\n\r\n");
    EXPECT_EQ(newer->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
