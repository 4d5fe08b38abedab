#include "buddies/GroupList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "net/Base64.h"

namespace nimbo {
namespace {

using Members = MemberIds;

CGroupTable Parse(const std::string& document) {
    CGroupTable groups;
    ParseGroupList(ByteString(document.c_str()), groups);
    return groups;
}

const CBuddyGroup& GroupNamed(const CGroupTable& groups, const std::u16string& name) {
    const CBuddyGroup* group = groups.Lookup(name);
    if (!group)
        throw std::runtime_error("no such group");
    return *group;
}

TEST(GroupList, ReadsGroupsWithTheirMembersInOrder) {
    CGroupTable groups = Parse(
        "<group name=\"Family\" type=\"0\" expand=\"1\">\nkim\nlee\n</group>\n"
        "<group name=\"#$%NOGROUP@#$\" type=\"2\" expand=\"0\">\npark\n</group>\n");
    ASSERT_EQ(groups.Size(), 2u);
    const CBuddyGroup& family = GroupNamed(groups, u"Family");
    EXPECT_EQ(family.name, u"Family");
    EXPECT_EQ(family.type, 0);
    EXPECT_EQ(family.members, (Members{u"kim", u"lee"}));
    const CBuddyGroup& nogroup = GroupNamed(groups, NOGROUP_NAME);
    EXPECT_EQ(nogroup.type, 2);
    EXPECT_EQ(nogroup.members, (Members{u"park"}));
    EXPECT_EQ(nogroup.expanded, 1);  // every group starts expanded, whatever its expand value
}

TEST(GroupList, TypeTextGivesZeroOneOrTwo) {
    struct Case {
        const char* text;
        int type;
    };
    const Case cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"7", 2}, {"00", 2}, {" 0", 2}, {"one", 2}};
    for (const Case& c : cases) {
        CGroupTable groups = Parse(std::string("<group name=\"A\" type=\"") + c.text + "\">\n</group>\n");
        EXPECT_EQ(GroupNamed(groups, u"A").type, c.type) << c.text;
    }
}

TEST(GroupList, HeaderWithoutTypeOrNameIsDroppedWithItsMembers) {
    CGroupTable groups = Parse(
        "<group name=\"NoType\" expand=\"1\">\nkim\n</group>\n"
        "<group name=\"\" type=\"0\">\nlee\n</group>\n"
        "<group type=\"0\">\npark\n</group>\n"
        "<group name=\"EmptyType\" type=\"\">\nchoi\n</group>\n"
        "<group name=\"Kept\" type=\"0\">\njung\n</group>\n");
    ASSERT_EQ(groups.Size(), 1u);
    EXPECT_EQ(GroupNamed(groups, u"Kept").members, (Members{u"jung"}));
}

TEST(GroupList, OnlyTheExactLowerCaseTagFollowedBySpaceOpensAGroup) {
    EXPECT_TRUE(Parse("<Group name=\"A\" type=\"0\">\nkim\n</group>\n").IsEmpty());
    EXPECT_TRUE(Parse("<group\tname=\"A\" type=\"0\">\nkim\n</group>\n").IsEmpty());
    EXPECT_TRUE(Parse("<groups name=\"A\" type=\"0\">\nkim\n</group>\n").IsEmpty());
    EXPECT_EQ(Parse(" \t<group name=\"A\" type=\"0\">\nkim\n</group>\n").Size(), 1u);
}

TEST(GroupList, AttributesAreFoundByPlainTextSearch) {
    CGroupTable groups = Parse("<group type=\"1\" nickname=\"Nick\" name=\"Real\">\nkim\n</group>\n");
    ASSERT_EQ(groups.Size(), 1u);
    EXPECT_EQ(GroupNamed(groups, u"Nick").type, 1);
}

TEST(GroupList, TheTextAfterTheLastLineFeedIsNeverRead) {
    CGroupTable closed = Parse("<group name=\"A\" type=\"0\">\nkim\n</group>");
    EXPECT_EQ(GroupNamed(closed, u"A").members, (Members{u"kim"}));

    CGroupTable unterminated = Parse("<group name=\"A\" type=\"0\">\nkim\nlee");
    EXPECT_EQ(GroupNamed(unterminated, u"A").members, (Members{u"kim"}));

    EXPECT_TRUE(Parse("<group name=\"A\" type=\"0\">").IsEmpty());
}

TEST(GroupList, DuplicateMembersAreKept) {
    CGroupTable groups = Parse("<group name=\"A\" type=\"0\">\nkim\nlee\nkim\n</group>\n");
    EXPECT_EQ(GroupNamed(groups, u"A").members, (Members{u"kim", u"lee", u"kim"}));
}

TEST(GroupList, CrLfLineEndsAndBlankLinesAreAccepted) {
    CGroupTable groups = Parse(
        "\n<group name=\"A\" type=\"0\">\r\n\n  kim \r\n\nlee\t\r\n</group>\r\n\n"
        "<group name=\"B\" type=\"0\">\r\npark\r\n</group>\r\n");
    ASSERT_EQ(groups.Size(), 2u);
    EXPECT_EQ(GroupNamed(groups, u"A").members, (Members{u"kim", u"lee"}));
    EXPECT_EQ(GroupNamed(groups, u"B").members, (Members{u"park"}));
}

TEST(GroupList, AnUnclosedGroupSwallowsTheNextOne) {
    CGroupTable groups = Parse(
        "<group name=\"A\" type=\"0\">\nkim\n"
        "<group name=\"B\" type=\"0\">\nlee\n</group>\n");
    ASSERT_EQ(groups.Size(), 1u);
    EXPECT_EQ(GroupNamed(groups, u"A").members, (Members{u"kim", u"<group name=\"B\" type=\"0\">", u"lee"}));
}

TEST(GroupList, AGroupOfAnEarlierNameIsReplaced) {
    CGroupTable groups = Parse(
        "<group name=\"A\" type=\"0\">\nkim\n</group>\n"
        "<group name=\"A\" type=\"1\">\nlee\n</group>\n");
    ASSERT_EQ(groups.Size(), 1u);
    EXPECT_EQ(GroupNamed(groups, u"A").type, 1);
    EXPECT_EQ(GroupNamed(groups, u"A").members, (Members{u"lee"}));
}

// The groups of the last parse are reused: nothing of them may show.
TEST(GroupList, ParsingReplacesTheWholeTable) {
    CGroupTable groups;
    ParseGroupList(ByteString("<group name=\"Old group\" type=\"1\">\nkim\nlee\n</group>\n"), groups);
    groups.Lookup(u"Old group")->expanded = 0;
    ParseGroupList(ByteString("<group name=\"New\" type=\"0\">\npark\n</group>\n"), groups);
    ASSERT_EQ(groups.Size(), 1u);
    const CBuddyGroup& group = GroupNamed(groups, u"New");
    EXPECT_EQ(group.name, u"New");
    EXPECT_EQ(group.type, 0);
    EXPECT_EQ(group.expanded, 1);
    EXPECT_EQ(group.members, (Members{u"park"}));
    ParseGroupList(ByteString(""), groups);
    EXPECT_TRUE(groups.IsEmpty());
}

TEST(GroupList, KoreanNamesArriveAsUtf16) {
    CGroupTable groups = Parse("<group name=\"\xB0\xA1\xC1\xB7\" type=\"0\">\n\xB1\xE8\xC3\xB6\xBC\xF6\n</group>\n");
    EXPECT_EQ(GroupNamed(groups, u"가족").members, (Members{u"김철수"}));
}

std::string Reply(const std::string& firstLine, const std::string& document) {
    ByteString encoded;
    EXPECT_TRUE(base64::EncodeInto(document.data(), document.size(), encoded));
    return firstLine + "\r\n" + std::string(encoded.view()) + "\r\n\r\n";
}

CGroupTable ParseReply(const std::string& reply) {
    CGroupTable groups;
    ParseGroupList(ByteString("<group name=\"Stale\" type=\"0\">\n</group>\n"), groups);
    ParseGroupListReply(ByteString(reply.c_str()), groups);
    return groups;
}

TEST(GroupListReply, OkReplyCarriesTheDocumentInBase64) {
    CGroupTable groups = ParseReply(Reply("OK", "<group name=\"A\" type=\"0\">\nkim\n</group>\n"));
    ASSERT_EQ(groups.Size(), 1u);
    EXPECT_EQ(GroupNamed(groups, u"A").members, (Members{u"kim"}));
}

TEST(GroupListReply, AnyOtherReplyLeavesNoGroups) {
    const std::string document = "<group name=\"A\" type=\"0\">\nkim\n</group>\n";
    for (const char* first : {"ERR 401", "OK ", " OK", "ok", ""})
        EXPECT_TRUE(ParseReply(Reply(first, document)).IsEmpty()) << first;
    EXPECT_TRUE(ParseReply("").IsEmpty());
}

TEST(GroupListReply, DocumentEndsAtTheFirstZeroByte) {
    const char raw[] = "<group name=\"A\" type=\"0\">\nkim\n\0lee\n</group>\n";
    const std::string document(raw, sizeof raw - 1);
    EXPECT_EQ(GroupNamed(ParseReply(Reply("OK", document)), u"A").members, (Members{u"kim"}));
}

// A document of exactly `length` bytes whose last line is "lee" and LF.
std::string DocumentOfLength(std::size_t length) {
    const std::string head = "<group name=\"A\" type=\"0\">\nkim\n";
    const std::string tail = "\nlee\n";
    return head + std::string(length - head.size() - tail.size(), 'x') + tail;
}

TEST(GroupListReply, DocumentIsCutToItsBuffer) {
    CGroupTable whole = ParseReply(Reply("OK", DocumentOfLength(GROUP_DOCUMENT_LIMIT)));
    EXPECT_EQ(GroupNamed(whole, u"A").members.size(), 3u);

    // One byte more and the final LF falls outside: "lee" is no longer a line.
    CGroupTable cut = ParseReply(Reply("OK", DocumentOfLength(GROUP_DOCUMENT_LIMIT + 1)));
    EXPECT_EQ(GroupNamed(cut, u"A").members.size(), 2u);
}

}  // namespace
}  // namespace nimbo
