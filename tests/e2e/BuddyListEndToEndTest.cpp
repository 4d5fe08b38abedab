#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/LogonStatus.h"
#include "platform/CodePage.h"
#include "server/Directory.h"
#include "tests/e2e/ClientSide.h"
#include "tests/server/ServerHarness.h"

// The status list and group list documents of the agent server, read by the
// client's refresh and shown as the buddy list's rows (127.0.13.N).

namespace nimbo::e2e {
namespace {

using server::Directory;
using server::test::ServerHarness;
using test::ShownRow;

const char* const PASSWORD = "pw";

TEST(EndToEndBuddyList, DocumentsBecomeTheRowsTheUserSees) {
    ServerHarness server("127.0.13.6");
    for (const auto& [id, name] : std::vector<std::pair<std::string, std::string>>{
             {"lee", "이서연"}, {"kim", "김민준"}, {"park", "박지훈"}, {"choi", "최유진"},
             {"jung", ""}, {"kang", "강도윤"}, {"yoon", "윤서아"}})
        server.AddUser(id, name, PASSWORD);
    // Created out of their shown order; lee's buddies watch nobody.
    server.AddGroup("lee", "회사", 0, {"choi", "kim"});
    server.AddGroup("lee", "Family", 0, {"park"});
    server.AddGroup("lee", "차단", 1, {"yoon"});
    server.AddGroup("lee", Directory::PSEUDO_GROUP, Directory::PSEUDO_GROUP_TYPE, {"kang"});
    server.AddGroup("lee", "colleagues", 0, {"jung"});
    server.Start();
    ClientSide client("127.0.13.6");
    auto lee = client.SignIn(u"lee", u"pw");
    auto kim = client.SignIn(u"kim", u"pw");
    auto park = client.SignIn(u"park", u"pw");
    auto choi = client.SignIn(u"choi", u"pw");
    auto kang = client.SignIn(u"kang", u"pw");
    auto yoon = client.SignIn(u"yoon", u"pw");
    ASSERT_TRUE(lee && kim && park && choi && kang && yoon);
    ASSERT_TRUE(kim->SetLogonStat(LOGON_BUSY, u"회의 중"));
    ASSERT_TRUE(park->SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
    ASSERT_TRUE(choi->SetLogonStat(LOGON_OFFLINE, u"퇴근했어요"));
    ASSERT_TRUE(kang->SetLogonStat(LOGON_ONLINE, u""));
    ASSERT_TRUE(yoon->SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));

    // Groups sorted without regard to case, the pseudo-group's members last
    // without a header, the type-1 group not at all; an offline buddy's
    // message hidden; a user without a display name shown by the server's
    // stand-in, the user ID.
    const std::vector<ShownRow> expanded = {
        {1, 0, u"colleagues", u""}, {3, 1, u" jung(jung)", u""},
        {1, 0, u"Family", u""},     {2, 1, u" 박지훈(park)", u"PocketPC"},
        {1, 0, u"회사", u""},       {3, 1, u" 최유진(choi)", u""},
        {6, 1, u" 김민준(kim)", u"회의 중"},
        {2, 0, u" 강도윤(kang)", u""},
    };
    EXPECT_EQ(ClientSide::RefreshedRows(*lee), expanded);

    std::vector<BuddyRow> rows = BuildBuddyRows(lee->GetGroupTable(), lee->GetBuddyTable());
    ASSERT_TRUE(ToggleGroupRow(rows[2]));
    EXPECT_EQ(ClientSide::Rows(*lee), (std::vector<ShownRow>{
                                          {1, 0, u"colleagues", u""}, {3, 1, u" jung(jung)", u""},
                                          {0, 0, u"Family", u""},
                                          {1, 0, u"회사", u""},       {3, 1, u" 최유진(choi)", u""},
                                          {6, 1, u" 김민준(kim)", u"회의 중"},
                                          {2, 0, u" 강도윤(kang)", u""},
                                      }));
    // Every fetched group starts expanded.
    EXPECT_EQ(ClientSide::RefreshedRows(*lee), expanded);
}

TEST(EndToEndBuddyList, GroupOfManyMembersIsReadWhole) {
    ServerHarness server("127.0.13.7");
    server.AddUser("lee", "이서연", PASSWORD);
    std::vector<std::string> members;
    std::vector<ShownRow> expected = {{1, 0, u"전체", u""}};
    for (int i = 1; i <= 150; ++i) {
        char id[32];  // room for any int, as the compiler checks
        std::snprintf(id, sizeof id, "member%03d", i);
        members.push_back(id);
        server.AddUser(id, "", PASSWORD);
        std::u16string wide = platform::CodePage::FromUtf8(id);
        expected.push_back({3, 1, u" " + wide + u"(" + wide + u")", u""});
    }
    // About 1.6 KB of document.
    server.AddGroup("lee", "전체", 0, members);
    server.Start();
    ClientSide client("127.0.13.7");
    auto lee = client.SignIn(u"lee", u"pw");
    ASSERT_TRUE(lee);
    EXPECT_EQ(ClientSide::RefreshedRows(*lee), expected);
}

}  // namespace
}  // namespace nimbo::e2e
