#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

class PeerCall : public ::testing::Test {
protected:
    void StartOn(const std::string& address) {
        m_server = std::make_unique<ServerHarness>(address);
        m_server->AddUser("alice", "alice", "pw-a");
        m_server->AddUser("bob", "bob", "pw-b");
        m_server->Start();
    }
    std::string Call(const std::string& callee, const std::string& kind, const std::string& body64) {
        return m_server->SignedIn("alice", "pw-a")->Command("peercall " + callee + " " + kind + " " + body64);
    }
    static std::string Block(const std::string& kind, const std::string& body64) {
        return "peercall alice " + kind + " " + body64 + " bob\r\n\r\n";
    }

    std::unique_ptr<ServerHarness> m_server;
};

TEST_F(PeerCall, NoteGoesToTheCalleesNotificationConnection) {
    StartOn("127.0.4.11");
    auto bob = m_server->Listener("bob", "pw-b");
    std::string note = ServerHarness::Base64("\xBE\xC8\xB3\xE7 bob");  // Korean greeting in the wire code page
    EXPECT_EQ(Call("bob", "instmsg", note), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("instmsg", note));
    EXPECT_EQ(Call("bob", "instmsg", ""), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), "peercall alice instmsg  bob\r\n\r\n");
}

TEST_F(PeerCall, NotesForAnOfflineUserArriveInOrderRightAfterItsNextNotificationAuth) {
    StartOn("127.0.4.12");
    std::vector<std::string> notes = {ServerHarness::Base64("one"), ServerHarness::Base64("two"),
                                      ServerHarness::Base64("three")};
    for (const auto& note : notes)
        EXPECT_EQ(Call("bob", "instmsg", note), "OK\r\n\r\n");
    auto bob = m_server->Connect(m_server->Config().notifyPort);
    bob->Send(ServerHarness::AuthLine("bob", "pw-b") + "\r\n");
    EXPECT_EQ(bob->ReadBlock(), "OK\r\n\r\n");
    for (const auto& note : notes)
        EXPECT_EQ(bob->ReadBlock(), Block("instmsg", note));
    // Handed over once: the next connection gets only what is sent later.
    auto again = m_server->Listener("bob", "pw-b");
    EXPECT_EQ(Call("bob", "instmsg", "TGF0ZXI="), "OK\r\n\r\n");
    EXPECT_EQ(again->ReadBlock(), Block("instmsg", "TGF0ZXI="));
}

TEST_F(PeerCall, FileOfferToAnOfflineUserIsRefusedAndNotKept) {
    StartOn("127.0.4.13");
    std::string offer = ServerHarness::Base64("<127.0.4.13><9042><a.txt><1500>");
    EXPECT_EQ(Call("bob", "ftp", offer), "ERR 480\r\nmessage=user is offline\r\n\r\n");
    auto bob = m_server->Listener("bob", "pw-b");
    EXPECT_EQ(Call("bob", "ftp", offer), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("ftp", offer));
}

TEST_F(PeerCall, BadCalleeKindOrBodyIsRefusedAndNothingIsDelivered) {
    StartOn("127.0.4.14");
    auto bob = m_server->Listener("bob", "pw-b");
    auto alice = m_server->SignedIn("alice", "pw-a");
    EXPECT_EQ(alice->Command("peercall nobody instmsg SGk="), "ERR 404\r\nmessage=no such user\r\n\r\n");
    EXPECT_EQ(alice->Command("peercall bob close SGk="), "ERR 400\r\nmessage=unknown kind or bad body\r\n\r\n");
    EXPECT_EQ(alice->Command("peercall bob instmsg </b>"), "ERR 400\r\nmessage=unknown kind or bad body\r\n\r\n");
    EXPECT_EQ(alice->Command("peercall bob instmsg T0s="), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("instmsg", "T0s="));
}

TEST_F(PeerCall, PushedLineNeverExceedsTheListenersLineBound) {
    StartOn("127.0.4.28");
    auto bob = m_server->Listener("bob", "pw-b");
    auto alice = m_server->SignedIn("alice", "pw-a");
    // "peercall alice instmsg " + body + " bob" + CR LF: 994 body bytes make 1023.
    EXPECT_EQ(alice->Command("peercall bob instmsg " + std::string(996, 'A')),
              "ERR 414\r\nmessage=peer call too long for the callee\r\n\r\n");
    std::string longest(994, 'B');
    EXPECT_EQ(alice->Command("peercall bob instmsg " + longest), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("instmsg", longest));
}

}  // namespace
}  // namespace nimbo::server::test
