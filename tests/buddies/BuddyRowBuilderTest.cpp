#include "buddies/BuddyRowBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"
#include "tests/support/ShownRow.h"

namespace nimbo {
namespace {

using Shown = test::ShownRow;

class BuddyRows : public ::testing::Test {
protected:
    CBuddyGroup& AddGroup(const std::u16string& name, int type, const std::vector<std::u16string>& members) {
        auto group = std::make_unique<CBuddyGroup>();
        group->name = name;
        group->type = type;
        group->members = MemberIds(members);
        return m_groups.Store(name, std::move(group));
    }

    const CBuddyInfo& AddBuddy(const std::u16string& userId, int status, const std::u16string& displayName = u"",
                               const std::u16string& message = u"") {
        return m_buddies.Store(BuddyTexts{userId, displayName, message, u"", 0, status});
    }

    std::vector<Shown> Rows() const { return test::ShownRows(BuildBuddyRows(m_groups, m_buddies)); }

    CGroupTable m_groups;
    BuddyTable m_buddies;
};

TEST_F(BuddyRows, EmptyTablesGiveNoRows) { EXPECT_TRUE(Rows().empty()); }

TEST_F(BuddyRows, GroupHeaderIsFollowedByItsMembersInOrder) {
    AddGroup(u"Family", 0, {u"lee", u"kim", u"lee"});
    AddBuddy(u"kim", LOGON_ONLINE, u"Kim");
    AddBuddy(u"lee", LOGON_ABSENCE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{
                          {1, 0, u"Family", u""},
                          {5, 1, u" lee", u""},
                          {2, 1, u" Kim(kim)", u""},
                          {5, 1, u" lee", u""},
                      }));
}

// Members come mostly in the order of the records, so each is first
// compared with the record after the last one found: IDs that differ only
// at their start or end must not pass for it.
TEST_F(BuddyRows, MembersAreMatchedByTheirWholeId) {
    for (const char16_t* userId : {u"abcd1", u"abcd2", u"abcdefgh", u"abcdefgX", u"Xbcdefgh", u"abcdefghi"})
        AddBuddy(userId, LOGON_ONLINE);
    AddGroup(u"Near", 0, {u"abcd2", u"abcdefgX", u"abcdefgh", u"abcdefghi", u"Xbcdefgh", u"abcd1"});
    std::vector<std::u16string> shown;
    for (const Shown& row : Rows())
        shown.push_back(row.text);
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"Near", u" abcd2", u" abcdefgX", u" abcdefgh", u" abcdefghi",
                                                  u" Xbcdefgh", u" abcd1"}));
}

TEST_F(BuddyRows, RowsReferToTheirRecords) {
    CBuddyGroup& family = AddGroup(u"Family", 0, {u"kim"});
    const CBuddyInfo& kim = AddBuddy(u"kim", LOGON_ONLINE);
    std::vector<BuddyRow> rows = BuildBuddyRows(m_groups, m_buddies);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].group, &family);
    EXPECT_EQ(rows[0].buddy, nullptr);
    EXPECT_EQ(rows[1].buddy, &kim);
    EXPECT_EQ(rows[1].group, nullptr);
}

TEST_F(BuddyRows, StatusPicksTheImageAndOfflineHidesTheMessage) {
    AddGroup(u"G", 0, {u"on", u"away", u"busy", u"food", u"deny", u"off", u"quiet"});
    AddBuddy(u"on", LOGON_ONLINE, u"", u"hi");
    AddBuddy(u"away", LOGON_ABSENCE, u"", u"brb");
    AddBuddy(u"busy", LOGON_BUSY, u"", u"meeting");
    AddBuddy(u"food", LOGON_FOOD, u"", u"lunch");
    AddBuddy(u"deny", LOGON_DENIAL, u"", u"no");
    AddBuddy(u"off", LOGON_OFFLINE, u"", u"gone home");
    AddBuddy(u"quiet", LOGON_ONLINE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{
                          {1, 0, u"G", u""},
                          {2, 1, u" on", u"hi"},
                          {5, 1, u" away", u"brb"},
                          {6, 1, u" busy", u"meeting"},
                          {4, 1, u" food", u"lunch"},
                          {3, 1, u" deny", u"no"},
                          {3, 1, u" off", u""},
                          {2, 1, u" quiet", u""},
                      }));
}

TEST_F(BuddyRows, CollapsedGroupShowsOnlyItsHeaderUntilTapped) {
    AddGroup(u"Work", 0, {u"kim"}).expanded = 0;
    AddBuddy(u"kim", LOGON_ONLINE);
    std::vector<BuddyRow> rows = BuildBuddyRows(m_groups, m_buddies);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Image(), 0);

    EXPECT_TRUE(ToggleGroupRow(rows[0]));
    EXPECT_EQ(Rows(), (std::vector<Shown>{{1, 0, u"Work", u""}, {2, 1, u" kim", u""}}));

    rows = BuildBuddyRows(m_groups, m_buddies);
    EXPECT_FALSE(ToggleGroupRow(rows[1]));
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_TRUE(ToggleGroupRow(rows[0]));
    EXPECT_EQ(Rows(), (std::vector<Shown>{{0, 0, u"Work", u""}}));
}

TEST_F(BuddyRows, BuddyInTwoGroupsIsListedUnderEach) {
    AddGroup(u"A", 0, {u"kim"});
    AddGroup(u"B", 0, {u"kim"});
    AddBuddy(u"kim", LOGON_BUSY, u"", u"busy");
    EXPECT_EQ(Rows(), (std::vector<Shown>{
                          {1, 0, u"A", u""},
                          {6, 1, u" kim", u"busy"},
                          {1, 0, u"B", u""},
                          {6, 1, u" kim", u"busy"},
                      }));
}

TEST_F(BuddyRows, MembersWithoutRecordAndRecordsWithoutGroupAreNotShown) {
    AddGroup(u"A", 0, {u"ghost", u"kim"});
    AddGroup(u"Empty", 0, {});
    AddBuddy(u"kim", LOGON_ONLINE);
    AddBuddy(u"loner", LOGON_ONLINE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{{1, 0, u"A", u""}, {2, 1, u" kim", u""}, {1, 0, u"Empty", u""}}));
}

TEST_F(BuddyRows, OnlyGroupsOfTypeZeroAreShown) {
    AddGroup(u"Hidden1", 1, {u"kim", u"lee"});
    AddGroup(u"Hidden2", 2, {u"park"});
    AddGroup(u"Shown", 0, {u"lee"});
    AddBuddy(u"kim", LOGON_ONLINE);
    AddBuddy(u"lee", LOGON_ONLINE);
    AddBuddy(u"park", LOGON_ONLINE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{{1, 0, u"Shown", u""}, {2, 1, u" lee", u""}}));
}

TEST_F(BuddyRows, NoGroupMembersFollowAllGroupsWithoutHeaderEvenWhenCollapsed) {
    AddGroup(NOGROUP_NAME, 2, {u"park", u"choi"}).expanded = 0;
    AddGroup(u"Zeta", 0, {u"kim"});
    AddBuddy(u"kim", LOGON_ONLINE);
    AddBuddy(u"park", LOGON_FOOD, u"Park", u"noodles");
    AddBuddy(u"choi", LOGON_OFFLINE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{
                          {1, 0, u"Zeta", u""},
                          {2, 1, u" kim", u""},
                          {4, 0, u" Park(park)", u"noodles"},
                          {3, 0, u" choi", u""},
                      }));
}

TEST_F(BuddyRows, NoGroupOfTypeZeroIsListedOnceAtTheEnd) {
    AddGroup(NOGROUP_NAME, 0, {u"park"});
    AddGroup(u"~last", 0, {});
    AddBuddy(u"park", LOGON_ONLINE);
    EXPECT_EQ(Rows(), (std::vector<Shown>{{1, 0, u"~last", u""}, {2, 0, u" park", u""}}));
}

TEST_F(BuddyRows, GroupsAreSortedIgnoringCase) {
    for (const char16_t* name : {u"beta", u"친구", u"Alpha", u"gamma", u"abc", u"가족", u"Delta", u"ABC", u"Émile",
                                 u"zulu", u"éclair"})
        AddGroup(name, 0, {});
    std::vector<std::u16string> order;
    for (const Shown& row : Rows())
        order.push_back(row.text);
    EXPECT_EQ(order, (std::vector<std::u16string>{u"ABC", u"abc", u"Alpha", u"beta", u"Delta", u"gamma", u"zulu",
                                                  u"éclair", u"Émile", u"가족", u"친구"}));
}

// Names of a long list share their beginning and may differ only far into
// the name, or only in case.
TEST_F(BuddyRows, NamesSharingABeginningAreSortedByWhatFollows) {
    for (const char16_t* name :
         {u"group 1000b", u"Group", u"GROUP 9", u"group 10", u"Group 1", u"Group 10", u"group 1000A"})
        AddGroup(name, 0, {});
    std::vector<std::u16string> order;
    for (const Shown& row : Rows())
        order.push_back(row.text);
    EXPECT_EQ(order, (std::vector<std::u16string>{u"Group", u"Group 1", u"Group 10", u"group 10", u"group 1000A",
                                                  u"group 1000b", u"GROUP 9"}));
}

}  // namespace
}  // namespace nimbo
