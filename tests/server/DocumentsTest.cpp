#include <gtest/gtest.h>

#include "ServerHarness.h"

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

}  // namespace
}  // namespace nimbo::server::test
