#include <gtest/gtest.h>

#include "ServerHarness.h"
#include "server/WireText.h"
#include "buddies/GroupList.h"
#include "buddies/StatusList.h"
#include "session/CAgentSocket.h"

namespace nimbo::server::test {
namespace {

// The Korean texts as the wire carries them (code page 949).
const std::string KIM_MINJUN = "\xB1\xE8\xB9\xCE\xC1\xD8";  // 김민준
const std::string FRIENDS = "\xC4\xA3\xB1\xB8";             // 친구
const std::string COMPANY = "\xC8\xB8\xBB\xE7";             // 회사
const std::string AWAY64 = "wNq4riC68b/y";                  // Base64 of 자리 비움

// alice's buddies: bob twice (two groups), carol without display name, dave,
// and erin in the pseudo-group. frank has no groups at all.
void AddDirectory(ServerHarness& server) {
    server.AddUser("alice", "alice", "pw-a");
    server.AddUser("bob", "김민준", "pw-b");
    server.AddUser("carol", "", "pw-c");
    server.AddUser("dave", "dave", "pw-d");
    server.AddUser("erin", "erin", "pw-e");
    server.AddUser("frank", "frank", "pw-f");
    server.AddGroup("alice", "친구", 0, {"bob", "carol"});
    server.AddGroup("alice", "회사", 0, {"bob", "dave"});
    server.AddGroup("alice", Directory::PSEUDO_GROUP, Directory::PSEUDO_GROUP_TYPE, {"erin"});
}

std::string Entry(const std::string& id, const std::string& word, const std::string& address, const std::string& name,
                  const std::string& message) {
    return "<b>" + id + "\r\n" + word + "\r\n" + address + "\r\n0\r\n0\r\n" + name + "\r\n" + message + "</b>\r\n";
}

TEST(Documents, StatusListHasEveryBuddyOnceWithPresenceNameAndMessage) {
    ServerHarness server("127.0.4.15");
    AddDirectory(server);
    server.Start();
    EXPECT_EQ(server.SignedIn("bob", "pw-b")->Command("setlogonstat busy " + AWAY64), "OK\r\n\r\n");
    std::string expected = "OK\r\n" + Entry("bob", "busy", "127.0.4.15", KIM_MINJUN, AWAY64) +
                           Entry("carol", "offline", "0.0.0.0", "carol", "\"\"") +
                           Entry("dave", "offline", "0.0.0.0", "dave", "\"\"") +
                           Entry("erin", "offline", "0.0.0.0", "erin", "\"\"") + "\r\n";
    EXPECT_EQ(server.SignedIn("alice", "pw-a")->Command("getlogonstatall"), expected);
    EXPECT_EQ(server.SignedIn("frank", "pw-f")->Command("getlogonstatall"), "OK\r\n\r\n");
}

TEST(Documents, GroupListIsTheBase64OfTheGroupDocument) {
    ServerHarness server("127.0.4.16");
    AddDirectory(server);
    server.Start();
    std::string document = "<group name=\"" + FRIENDS + "\" type=\"0\" expand=\"1\">\nbob\ncarol\n</group>\n" +
                           "<group name=\"" + COMPANY + "\" type=\"0\" expand=\"1\">\nbob\ndave\n</group>\n" +
                           "<group name=\"#$%NOGROUP@#$\" type=\"2\" expand=\"1\">\nerin\n</group>\n";
    std::string reply = server.SignedIn("alice", "pw-a")->Command("getgroup");
    EXPECT_EQ(reply, "OK\r\n" + ServerHarness::Base64(document) + "\r\n\r\n");
    EXPECT_EQ(server.SignedIn("frank", "pw-f")->Command("getgroup"), "OK\r\n\r\n");
}


// The client's own command channel and group list parser read the reply.
TEST(Documents, LargeGroupDocumentReachesTheClientWholeAndAnUnreadableOneIsRefused) {
    ServerHarness server("127.0.4.32");
    const std::string longId(WireText::MAX_USER_ID, 'm');
    server.AddUser("alice", "alice", "pw-a");
    server.AddUser("bea", "bea", "pw-a");
    server.AddUser(longId, "member", "pw-m");
    // Close to the longest document the client keeps: a Base64 line of 130 KB.
    const std::size_t members = 2900;
    server.AddGroup("alice", "친구", 0, std::vector<std::string>(members, longId));
    // A Base64 line past the client's line bound would fail its whole fetch.
    server.AddGroup("bea", "회사", 0, std::vector<std::string>(30000, longId));
    server.Start();
    auto fetch = [&](const char* userId, CGroupTable& groups) {
        CAgentSocket client;
        EXPECT_TRUE(client.ConnectHost(u"127.0.4.32", AGENT_PORT));
        EXPECT_TRUE(client.CmdAuth(userId, ServerHarness::Base64("pw-a").c_str()));
        bool fetched = client.CmdGetGroup();
        ParseGroupListReply(client.m_strReply, groups);
        return fetched ? std::string("OK") : std::string(client.m_strErrCode.view());
    };
    CGroupTable groups;
    ASSERT_EQ(fetch("alice", groups), "OK");
    ASSERT_EQ(groups.Size(), 1u);
    const CBuddyGroup* friends = groups.Lookup(u"친구");
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->members, MemberIds(std::vector<std::u16string>(members, std::u16string(longId.begin(), longId.end()))));
    EXPECT_EQ(fetch("bea", groups), "414");
    EXPECT_TRUE(groups.IsEmpty());
}

// Far more than a socket buffer: the reply leaves the server in many writes.
TEST(Documents, StatusListOfManyBuddiesWithLongMessagesReachesTheClientWhole) {
    ServerHarness server("127.0.4.33");
    const int count = 100;
    std::vector<std::string> buddies;
    for (int i = 0; i < count; ++i)
        buddies.push_back("b" + std::to_string(100 + i));
    server.AddUser("alice", "alice", "pw");
    for (const auto& id : buddies)
        server.AddUser(id, id, "pw");
    server.AddGroup("alice", "친구", 0, buddies);
    server.Start();
    std::string filler;
    while (filler.size() < 2900)
        filler += WireText::ToWire(" 외근 중입니다, 메모 남겨 주세요.");
    for (const auto& id : buddies)
        ASSERT_EQ(server.SignedIn(id, "pw")->Command("setlogonstat busy " + ServerHarness::Base64(id + filler)),
                  "OK\r\n\r\n");
    CAgentSocket client;
    ASSERT_TRUE(client.ConnectHost(u"127.0.4.33", AGENT_PORT));
    ASSERT_TRUE(client.CmdAuth("alice", ServerHarness::Base64("pw").c_str()));
    ASSERT_TRUE(client.CmdGetLogonStatAll());
    EXPECT_GT(client.m_strReply.GetLength(), count * 3800);
    BuddyTable table;
    ParseStatusList(client.m_strReply, table);
    ASSERT_EQ(table.Size(), buddies.size());
    for (const auto& id : buddies) {
        const CBuddyInfo* buddy = table.Lookup(std::u16string(id.begin(), id.end()));
        ASSERT_NE(buddy, nullptr) << id;
        EXPECT_EQ(buddy->Status(), LOGON_BUSY) << id;
        EXPECT_TRUE(buddy->StatusMessage().starts_with(std::u16string(id.begin(), id.end()) + u" 외근 중입니다")) << id;
    }
}

}  // namespace
}  // namespace nimbo::server::test
