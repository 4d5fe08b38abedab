#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

const std::string BOB_NOTICE = "notify logon bob\r\n\r\n";

// alice watches bob; carol watches only alice.
class Presence : public ::testing::Test {
protected:
    void StartOn(const std::string& address) {
        m_server = std::make_unique<ServerHarness>(address);
        m_server->AddUsers({"alice", "bob", "carol"});
        m_server->AddGroup("alice", "friends", 0, {"bob"});
        m_server->AddGroup("carol", "friends", 0, {"alice"});
        m_server->Start();
        m_alice = m_server->Listener("alice", "pw-a");
    }
    std::string AsBob(const std::string& line) { return m_server->SignedIn("bob", "pw-b")->Command(line); }
    // bob's status word in alice's status list.
    std::string BobAsSeenByAlice() {
        std::string list = m_server->SignedIn("alice", "pw-a")->Command("getlogonstatall");
        std::size_t start = list.find("<b>bob\r\n") + 8;
        return list.substr(start, list.find("\r\n", start) - start);
    }

    std::unique_ptr<ServerHarness> m_server;
    std::unique_ptr<PeerConnection> m_alice;
};

TEST_F(Presence, ChangeIsAnnouncedToWatchersOnly) {
    StartOn("127.0.4.7");
    auto carol = m_server->Listener("carol", "pw-c");
    EXPECT_EQ(AsBob("setlogonstat busy " + ServerHarness::Base64("meeting")), "OK\r\n\r\n");
    EXPECT_EQ(m_alice->ReadBlock(), BOB_NOTICE);
    EXPECT_EQ(BobAsSeenByAlice(), "busy");
    // carol does not watch bob: the first block she gets is the note sent after the change.
    EXPECT_EQ(m_server->SendNote("bob", "pw-b", "carol", "SGk="), "OK\r\n\r\n");
    EXPECT_EQ(carol->ReadBlock(), "peercall bob instmsg SGk= carol\r\n\r\n");
}

TEST_F(Presence, LogoutClosesTheNotificationConnectionAndAnnouncesOffline) {
    StartOn("127.0.4.8");
    auto bobListener = m_server->Listener("bob", "pw-b");
    auto bob = m_server->SignedIn("bob", "pw-b");
    EXPECT_EQ(bob->Command("setlogonstat online " + ServerHarness::Base64("PocketPC")), "OK\r\n\r\n");
    EXPECT_EQ(m_alice->ReadBlock(), BOB_NOTICE);
    EXPECT_EQ(bob->Command("logout"), "OK\r\n\r\n");
    EXPECT_EQ(bobListener->ReadUntilClosed(), "");
    EXPECT_EQ(m_alice->ReadBlock(), BOB_NOTICE);
    EXPECT_EQ(BobAsSeenByAlice(), "offline");
}

TEST_F(Presence, LostNotificationConnectionMakesTheUserOffline) {
    StartOn("127.0.4.9");
    auto bobListener = m_server->Listener("bob", "pw-b");
    EXPECT_EQ(AsBob("setlogonstat food "), "OK\r\n\r\n");
    EXPECT_EQ(m_alice->ReadBlock(), BOB_NOTICE);
    bobListener->Close();
    EXPECT_EQ(m_alice->ReadBlock(), BOB_NOTICE);
    EXPECT_EQ(BobAsSeenByAlice(), "offline");
}

TEST_F(Presence, NewerNotificationConnectionReplacesTheOlder) {
    StartOn("127.0.4.10");
    auto older = m_server->Listener("bob", "pw-b");
    auto newer = m_server->Listener("bob", "pw-b");
    EXPECT_EQ(older->ReadUntilClosed(), "");
    EXPECT_EQ(m_server->SendNote("alice", "pw-a", "bob", "SGk="), "OK\r\n\r\n");
    EXPECT_EQ(newer->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
