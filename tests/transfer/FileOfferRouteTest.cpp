#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "buddies/CBuddyInfo.h"
#include "buddies/LogonStatus.h"
#include "net/Base64.h"
#include "platform/CodePage.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/transfer/TransferFixture.h"
#include "transfer/FileOffer.h"
#include "transfer/FileSendStart.h"
#include "transfer/FileSender.h"
#include "transfer/SendFileOffer.h"
#include "transfer/TransferEnd.h"

// Offers on the wire, each test with its agent server on 127.0.8.N port
// 10000 and a buddy's own listener on port 10003.

namespace nimbo {
namespace {

using test::Pattern;

using test::AUTH_LINE;
using test::ScriptedPeer;
using test::WorkerUnderTest;

constexpr int BUDDY_LISTENER_PORT = 10003;
// <10.0.0.5><9042><사진.jpg><1500> in the wire code page.
const std::string OFFER_BODY = "<10.0.0.5><9042><\xBB\xE7\xC1\xF8.jpg><1500>";

FileOffer SampleOffer() { return {u"10.0.0.5", 9042, u"사진.jpg", 1500}; }

BuddyTable TableOf(const std::u16string& address, int port) {
    BuddyTable table;
    table.Store(BuddyTexts{u"lee", u"", u"", address, port, LOGON_ONLINE});
    return table;
}

class FileOfferRoute : public test::TransferTest {
protected:
    // Placed, and told as a window tells it.
    bool Offer(const BuddyTable& buddies, const std::u16string& recipient = u"lee") {
        const OfferPlacement placement = PlaceFileOffer(buddies, "kim", "cGFzcw==", recipient, SampleOffer());
        ShowOfferPlacement(buddies, recipient, placement);
        return placement == OfferPlacement::Placed;
    }
};

TEST_F(FileOfferRoute, GoesThroughTheAgentServerAfterAuth) {
    g_strAgentHost.Set(u"127.0.8.20");
    ScriptedPeer agent("127.0.8.20", AGENT_PORT);
    agent.SetDefaultScript(test::AnswerCommands());
    EXPECT_TRUE(Offer(TableOf(u"", 0)));
    EXPECT_EQ(agent.Received(0), AUTH_LINE + "peercall lee ftp " + test::Base64Of(OFFER_BODY) + "\r\n");
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileOfferRoute, GoesStraightToTheBuddysOwnListenerWithoutAuth) {
    g_strAgentHost.Set(u"127.0.8.21");
    ScriptedPeer agent("127.0.8.21", AGENT_PORT);
    ScriptedPeer buddy("127.0.8.21", BUDDY_LISTENER_PORT);
    buddy.SetDefaultScript(test::AnswerCommands());
    EXPECT_TRUE(Offer(TableOf(u"127.0.8.21", BUDDY_LISTENER_PORT)));
    EXPECT_EQ(buddy.Received(0), "peercall kim ftp " + test::Base64Of(OFFER_BODY) + " lee \r\n\r\n");
    EXPECT_EQ(agent.ConnectionCount(), 0u);
}

TEST_F(FileOfferRoute, AnswersAreNotExamined) {
    g_strAgentHost.Set(u"127.0.8.25");
    ScriptedPeer agent("127.0.8.25", AGENT_PORT);
    agent.SetDefaultScript(test::AnswerCommands({{"auth", "ERR 401\r\n\r\n"}, {"peercall", "ERR 404\r\n\r\n"}}));
    EXPECT_TRUE(Offer(TableOf(u"", 0)));
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileOfferRoute, SomeoneNotInTheBuddyTableIsSentNothing) {
    g_strAgentHost.Set(u"127.0.8.22");
    ScriptedPeer agent("127.0.8.22", AGENT_PORT);
    EXPECT_TRUE(Offer(TableOf(u"", 0), u"park"));
    EXPECT_EQ(agent.ConnectionCount(), 0u);
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileOfferRoute, AnUnreachableServerFailsWithTheMessage) {
    g_strAgentHost.Set(u"127.0.8.23");  // nothing listens there
    EXPECT_FALSE(Offer(TableOf(u"", 0)));
    EXPECT_FALSE(Offer(TableOf(u"127.0.8.23", BUDDY_LISTENER_PORT)));
    EXPECT_EQ(MessageBoxes(), std::vector<std::u16string>(2, u"lee님에게\n파일 전송을 실패하였습니다."));
}

// The sender must not wait for a receiver who was never offered the file.
TEST_F(FileOfferRoute, AnOfferWhoseExchangeBreaksOffFailsWithTheMessage) {
    g_strAgentHost.Set(u"127.0.8.26");
    ScriptedPeer agent("127.0.8.26", AGENT_PORT);
    agent.Expect([](test::PeerConnection& c) {
        c.WaitForText("\r\n");
        c.Send(test::OK_REPLY);
        c.WaitForText("\r\n");
        c.Abort();
    });
    EXPECT_FALSE(Offer(TableOf(u"", 0)));
    EXPECT_EQ(MessageBoxes(), std::vector<std::u16string>{u"lee님에게\n파일 전송을 실패하였습니다."});
}

TEST_F(FileOfferRoute, ASizeMustBeAboveZeroAndBelow4GiB) {
    std::filesystem::resize_file(WriteFile("huge.bin", ""), 4ull << 30);  // sparse
    EXPECT_FALSE(CheckSendableSize(std::filesystem::file_size(PathOf("huge.bin"))));
    EXPECT_FALSE(CheckSendableSize(0));
    EXPECT_TRUE(CheckSendableSize(1));
    EXPECT_TRUE(CheckSendableSize((4ull << 30) - 1));
    EXPECT_EQ(MessageBoxes(), (std::vector<std::u16string>{u"4GB 이상인 파일은 전송할 수 없습니다.",
                                                           u"파일 크기가 0인 파일은 전송할 수 없습니다."}));
}

// The agent server of kim, whose buddy lee has no listener of its own; it
// keeps the offers it is given.
class OfferingSession {
public:
    // `leeStatus`: the status word of lee (이서연) in the presence list; the
    // server refuses offers to lee when it is "offline".
    explicit OfferingSession(const std::string& address, const std::string& leeStatus = "online")
        : agent(address, AGENT_PORT), notify(address, AGENT_PORT + 1) {
        g_strAgentHost.Set(platform::CodePage::FromUtf8(address));
        agent.SetDefaultScript(test::AnswerCommands(
            {{"login", test::LoginReply(address, AGENT_PORT + 1)},
             {"getlogonstatall", "OK\r\n<b>lee\r\n" + leeStatus + "\r\n-\r\n0\r\n0\r\n\xC0\xCC\xBC\xAD\xBF\xAC\r\n\"\"</b>\r\n\r\n"},
             {"peercall", leeStatus == "offline" ? "ERR 480\r\nmessage=user is offline\r\n\r\n" : "OK\r\n\r\n"}}));
        notify.Expect(test::AcceptListener());
        EXPECT_TRUE(session.Login(u"kim", u"pass"));
        EXPECT_TRUE(session.GetLogonStatusTable(true));
    }

    // The offer placed on connection `index`, as the receiver parses it.
    FileOffer OfferOn(std::size_t index) {
        const std::string exchange = agent.Received(index);
        const std::string prefix = AUTH_LINE + "peercall lee ftp ";
        EXPECT_EQ(exchange.substr(0, prefix.size()), prefix);
        const std::string body64 = exchange.substr(prefix.size(), exchange.size() - prefix.size() - 2);
        return ParseFileOffer(base64::DecodeText(body64.c_str(), 1024));
    }

    ScriptedPeer agent;
    ScriptedPeer notify;
    AgentSession session;
};

// Nobody waits for a receiver who is not signed in: the server's refusal
// of the offer is told at once, naming the buddy as the list does, and
// nothing is left listening.
TEST_F(FileOfferRoute, AnOfferToSomeoneNotSignedInIsRefusedAtOnce) {
    OfferingSession kim("127.0.8.27", "offline");
    TransferInfo info;
    EXPECT_FALSE(OfferFile(kim.session, info, u"lee", u"a.txt", 10));
    EXPECT_EQ(kim.agent.ConnectionCount(), 4u);  // the sign-in, the two lists and the offer
    EXPECT_EQ(info.nPort, 0);
    EXPECT_EQ(MessageBoxes(), std::vector<std::u16string>{u"이서연(lee)님이 접속해 있지 않아 파일을 보낼 수 없습니다."});
}

TEST_F(FileOfferRoute, TwoOffersAtOnceListenOnTwoPortsAndEachDeliversItsOwnFile) {
    OfferingSession kim("127.0.8.24");
    const std::string contents[] = {Pattern(7000, 1), Pattern(9000, 2)};
    WorkerUnderTest senders[2];
    for (int i = 0; i < 2; ++i) {
        senders[i].info = std::make_shared<TransferInfo>();
        senders[i].window = std::make_unique<test::RecordingTransferWindow>(m_loop);
        senders[i].info->hWndNotify = senders[i].window->Handle();
        senders[i].info->strFilePath = Wide(WriteFile("source" + std::to_string(i), contents[i]));
        ASSERT_TRUE(OfferFile(kim.session, *senders[i].info, u"lee", u"file" + std::u16string(1, static_cast<char16_t>(u'0' + i)),
                              static_cast<std::uint32_t>(contents[i].size())));
    }
    for (auto& sender : senders)
        sender.worker = std::make_unique<TransferWorker>(FileSendProc, sender.info);
    // Connections 0 to 2 were the sign-in, the status list and the group list.
    const FileOffer offers[] = {kim.OfferOn(3), kim.OfferOn(4)};
    EXPECT_NE(offers[0].nPort, offers[1].nPort);
    WorkerUnderTest receivers[2];
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(offers[i].nPort, senders[i].info->nPort);
        EXPECT_EQ(offers[i].nFileSize, contents[i].size());
        // The sender listens on the address it offers, the agent's own loopback one.
        EXPECT_EQ(offers[i].strAddress, u"127.0.8.24");
        receivers[i] = StartReceiver(PathOf(platform::CodePage::ToUtf8(offers[i].strFileName)), offers[i].strAddress,
                                     offers[i].nPort, offers[i].nFileSize);
    }
    RunUntil([&] {
        return receivers[0].window->End() && receivers[1].window->End() && senders[0].window->End() &&
               senders[1].window->End();
    });
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(senders[i].window->End(), TE_SEND_DONE);
        EXPECT_EQ(receivers[i].window->End(), TE_RECV_DONE);
        EXPECT_EQ(ReadFile(PathOf("file" + std::to_string(i))), contents[i]);
    }
}

}  // namespace
}  // namespace nimbo
