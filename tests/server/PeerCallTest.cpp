#include <gtest/gtest.h>

#include "ServerHarness.h"
#include "server/WireText.h"
#include "session/CAgentSocket.h"

namespace nimbo::server::test {
namespace {

class PeerCall : public ::testing::Test {
protected:
    void StartOn(const std::string& address) {
        m_server = std::make_unique<ServerHarness>(address);
        m_server->AddUsers({"alice", "bob"});
        m_server->Start();
    }
    std::string Call(const std::string& callee, const std::string& kind, const std::string& body64) {
        return m_server->SignedIn("alice", "pw-a")->Command("peercall " + callee + " " + kind + " " + body64);
    }
    static std::string Block(const std::string& kind, const std::string& body64) {
        return BlockFrom("alice", body64, kind);
    }
    // More notes than one sender may keep in a box come from several.
    void AddSenders(int count) {
        for (int i = 0; i < count; ++i)
            m_server->AddUser(Sender(i), Sender(i), "pw-s");
    }
    // As long as "alice", so that their longest notes are as long.
    static std::string Sender(int i) { return "snd" + std::string(i < 10 ? "0" : "") + std::to_string(i); }
    static char Fill(int i) { return static_cast<char>('a' + i); }
    std::string CallFrom(const std::string& caller, const std::string& note64) {
        return m_server->SignedIn(caller, "pw-s")->Command("peercall bob instmsg " + note64);
    }
    static std::string BlockFrom(const std::string& caller, const std::string& body64,
                                 const std::string& kind = "instmsg") {
        return "peercall " + caller + " " + kind + " " + body64 + " bob\r\n\r\n";
    }
    // The longest note alice can send bob: its pushed line, "peercall alice
    // instmsg " + body + " bob" + CR LF, is as long as a client reads.
    static std::string LongestNote(char fill) {
        return std::string(LineReader::MAX_LINE_LENGTH - 29, fill);
    }

    static constexpr int SAFETY_SECONDS = 30;
    static constexpr int SENDERS = 16;
    static constexpr int SMALL_RECEIVE_BUFFER = 4096;

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

TEST_F(PeerCall, LongKoreanNoteArrivesWhole) {
    StartOn("127.0.4.29");
    auto bob = m_server->Listener("bob", "pw-b");
    std::string text;
    while (text.size() < 3000)
        text += WireText::ToWire("안녕하세요, 오늘 회의는 세 시에 시작합니다. ");
    std::string note = ServerHarness::Base64(text);
    EXPECT_EQ(Call("bob", "instmsg", note), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("instmsg", note));
}

TEST_F(PeerCall, PushedLineNeverExceedsTheListenersLineBound) {
    StartOn("127.0.4.28");
    CAgentSocket bob;
    ASSERT_TRUE(bob.ConnectHost(u"127.0.4.28", m_server->Config().notifyPort));
    ASSERT_TRUE(bob.CmdAuth("bob", ServerHarness::Base64("pw-b").c_str()));
    auto alice = m_server->SignedIn("alice", "pw-a");
    std::string longest = LongestNote('B');
    EXPECT_EQ(alice->Command("peercall bob instmsg " + longest + "A"),
              "ERR 414\r\nmessage=peer call too long for the callee\r\n\r\n");
    EXPECT_EQ(alice->Command("peercall bob instmsg " + longest), "OK\r\n\r\n");
    // The client's own listener reads the longest pushed line whole.
    ByteString block;
    bob.ReadBlock(block, SAFETY_SECONDS);
    EXPECT_EQ(block.view(), Block("instmsg", longest));
}

TEST_F(PeerCall, NotesForAListenerThatFallsBehindArriveInOrder) {
    StartOn("127.0.4.30");
    AddSenders(SENDERS);
    auto bob = PeerConnection::Dial(m_server->Address(), m_server->Config().notifyPort, SMALL_RECEIVE_BUFFER);
    ASSERT_EQ(bob->Command(ServerHarness::AuthLine("bob", "pw-b")), "OK\r\n\r\n");
    // Far more than the server queues for one reader: the rest is kept.
    for (int i = 0; i < SENDERS; ++i)
        ASSERT_EQ(CallFrom(Sender(i), LongestNote(Fill(i))), "OK\r\n\r\n") << i;
    for (int i = 0; i < SENDERS; ++i)
        ASSERT_EQ(bob->ReadBlock(), BlockFrom(Sender(i), LongestNote(Fill(i)))) << i;
}

TEST_F(PeerCall, KeptNotesBeyondABacklogAreHandedOverInOrderUpToTheBoxBound) {
    StartOn("127.0.4.31");
    AddSenders(SENDERS + 1);
    // Sixteen of the longest notes, one from each sender, fill the box of an
    // offline user.
    for (int i = 0; i < SENDERS; ++i)
        ASSERT_EQ(CallFrom(Sender(i), LongestNote(Fill(i))), "OK\r\n\r\n") << i;
    EXPECT_EQ(CallFrom(Sender(SENDERS), LongestNote('z')),
              "ERR 507\r\nmessage=too many notes kept for this user\r\n\r\n");
    auto bob = m_server->Listener("bob", "pw-b");
    for (int i = 0; i < SENDERS; ++i)
        ASSERT_EQ(bob->ReadBlock(), BlockFrom(Sender(i), LongestNote(Fill(i)))) << i;
    EXPECT_EQ(Call("bob", "instmsg", "TGF0ZXI="), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("instmsg", "TGF0ZXI="));
}

TEST_F(PeerCall, OneSenderFillsOnlyItsShareOfABox) {
    StartOn("127.0.25.8");
    const std::string shareFull = "ERR 507\r\nmessage=too many of your notes kept for this user\r\n\r\n";
    auto alice = m_server->SignedIn("alice", "pw-a");
    for (int i = 0; i < Directory::MAX_STORED_NOTES_PER_SENDER; ++i)
        ASSERT_EQ(alice->Command("peercall bob instmsg SGk="), "OK\r\n\r\n") << i;
    EXPECT_EQ(alice->Command("peercall bob instmsg SGk="), shareFull);
    // A tenth of the box's bytes is another bound of the share.
    AddSenders(2);
    EXPECT_EQ(CallFrom(Sender(0), LongestNote('a')), "OK\r\n\r\n");
    EXPECT_EQ(CallFrom(Sender(0), LongestNote('b')), shareFull);
    EXPECT_EQ(CallFrom(Sender(1), "T3RoZXI="), "OK\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
