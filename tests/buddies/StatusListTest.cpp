#include "buddies/StatusList.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "buddies/StatusListReader.h"
#include "tests/support/AgentScripts.h"

namespace nimbo {
namespace {

// One "<b>...</b>" entry whose lines are joined by CR LF.
std::string Entry(std::initializer_list<std::string> lines) {
    std::string entry = "<b>";
    for (const std::string& line : lines) {
        if (entry.size() > 3)
            entry += "\r\n";
        entry += line;
    }
    return entry + "</b>";
}

BuddyTable Parse(const std::string& reply) {
    BuddyTable buddies;
    ParseStatusList(ByteString(reply.c_str()), buddies);
    return buddies;
}

std::string OkReply(const std::string& entries) { return "OK\r\n" + entries + "\r\n\r\n"; }

// Each record's user ID and entry, in the table's order.
std::vector<std::pair<std::u16string, std::string>> Listing(const BuddyTable& buddies) {
    std::vector<std::pair<std::u16string, std::string>> listing;
    for (const CBuddyInfo& buddy : buddies)
        listing.emplace_back(buddy.UserId(), buddy.Entry());
    return listing;
}

TEST(StatusList, ReadsEveryLineOfAnEntry) {
    BuddyTable buddies =
        Parse(OkReply(Entry({"kim", "online", "10.0.0.7", "9042", "0", "Kim", test::Base64Of("at lunch")})));
    ASSERT_EQ(buddies.Size(), 1u);
    const CBuddyInfo* kim = buddies.Lookup(u"kim");
    ASSERT_NE(kim, nullptr);
    EXPECT_EQ(kim->UserId(), u"kim");
    EXPECT_EQ(kim->Status(), LOGON_ONLINE);
    EXPECT_EQ(kim->Address(), u"10.0.0.7");
    EXPECT_EQ(kim->Port(), 9042);
    EXPECT_EQ(kim->DisplayName(), u"Kim");
    EXPECT_EQ(kim->StatusMessage(), u"at lunch");
}

TEST(StatusList, MissingEmptyAndQuotedLinesLeaveDefaults) {
    BuddyTable buddies = Parse(OkReply(Entry({"lee"}) + Entry({"park", "busy", "", "0", "0", "", "\"\""})));
    for (const char16_t* userId : {u"lee", u"park"}) {
        const CBuddyInfo* info = buddies.Lookup(userId);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Port(), 0);
        EXPECT_TRUE(info->Address().empty() && info->DisplayName().empty() && info->StatusMessage().empty());
    }
    EXPECT_EQ(buddies.Lookup(u"lee")->Status(), LOGON_OFFLINE);
    EXPECT_EQ(buddies.Lookup(u"park")->Status(), LOGON_BUSY);
}

TEST(StatusList, OnlyAReplyWhoseFirstLineIsExactlyOkIsRead) {
    const std::string entries = Entry({"kim", "online"});
    for (const std::string& reply : {"ERR 500\r\nmessage=down\r\n" + entries, " OK\r\n" + entries,
                                     "OK \r\n" + entries, "ok\r\n" + entries, "OKAY\r\n" + entries,
                                     "OK" + entries, std::string()}) {
        EXPECT_TRUE(Parse(reply).IsEmpty()) << reply;
    }
    EXPECT_TRUE(Parse("OK\r\n\r\n").IsEmpty());
    EXPECT_EQ(Parse("OK\r\n" + entries).Size(), 1u);
}

TEST(StatusList, KeepsRecordsAlreadyInTheTable) {
    BuddyTable buddies;
    ParseStatusList(ByteString(OkReply(Entry({"kim"})).c_str()), buddies);
    ParseStatusList(ByteString("OK\r\n\r\n"), buddies);
    ParseStatusList(ByteString("ERR 401\r\n\r\n"), buddies);
    ParseStatusList(ByteString(OkReply(Entry({"lee"})).c_str()), buddies);
    EXPECT_EQ(buddies.Size(), 2u);
}

TEST(StatusList, LaterEntryReplacesAnEarlierOneWithTheSameId) {
    BuddyTable buddies = Parse(OkReply(Entry({"kim", "online", "", "", "", "First"}) + Entry({"lee"}) +
                                        Entry({"kim", "food", "", "", "", "Second"}) + Entry({"park"})));
    ASSERT_EQ(buddies.Size(), 3u);
    EXPECT_EQ(buddies.Lookup(u"kim")->DisplayName(), u"Second");
    EXPECT_EQ(buddies.Lookup(u"kim")->Status(), LOGON_FOOD);
    std::u16string order;
    for (const CBuddyInfo& buddy : buddies)
        order += buddy.UserId() + u' ';
    EXPECT_EQ(order, u"kim lee park ");
    EXPECT_EQ(buddies.Lookup(u"park")->UserId(), u"park");
}

TEST(StatusList, AnEmptyEntryEndsTheList) {
    BuddyTable buddies = Parse(OkReply(Entry({"kim"}) + "<b></b>" + Entry({"lee"})));
    EXPECT_EQ(buddies.Size(), 1u);
    EXPECT_NE(buddies.Lookup(u"kim"), nullptr);
}

TEST(StatusList, AnEntryOpenedInsideAnotherIsReadAsWell) {
    BuddyTable buddies = Parse(OkReply("<b>kim<b>lee</b>\r\n<b>park</b>"));
    EXPECT_EQ(buddies.Size(), 3u);
    EXPECT_NE(buddies.Lookup(u"kim<b>lee"), nullptr);
    EXPECT_NE(buddies.Lookup(u"lee"), nullptr);
    EXPECT_NE(buddies.Lookup(u"park"), nullptr);
}

// Read while it arrives, in any pieces, and read again wherever its bytes
// move to, a reply fills the table as when read whole.
TEST(StatusList, ReadWhileArrivingItFillsTheSameTable) {
    // Long enough to be read several times on the way.
    std::string entries = Entry({"kim", "online"}) + "<b>lee<b>park</b>\r\n" + Entry({"kim", "busy"});
    for (int i = 0; i < 300; ++i)
        entries += Entry({"user" + std::to_string(i % 250), "away", "10.0.0.1", "9042"});
    const std::string replies[] = {OkReply(entries), OkReply(entries + "<b></b>" + Entry({"choi"})),
                                   "OKAY\r\n" + entries, "ERR 500\r\n" + entries};
    std::mt19937 random(949);
    std::uniform_int_distribution<std::size_t> step(1, 1500);
    for (const std::string& text : replies) {
        const ByteString reply(text.c_str());
        const auto expected = Listing(Parse(text));
        for (int round = 0; round < 10; ++round) {
            BuddyTable buddies;
            StatusListReader reader(buddies);
            std::string elsewhere;
            for (std::size_t length = step(random); length < text.size(); length += step(random)) {
                if (round % 2 == 0 && length % 3 == 0) {
                    elsewhere = text.substr(0, length);
                    reader.Received(elsewhere);
                } else {
                    reader.Received(reply.view().substr(0, length));
                }
            }
            reader.Finish(reply);
            EXPECT_EQ(Listing(buddies), expected) << text;
        }
    }
}

TEST(StatusList, PortIsReadLikeTheCDecimalConversion) {
    struct Case {
        const char* text;
        int port;
    };
    const Case cases[] = {
        {"9042", 9042}, {"  9042", 9042},   {"+17", 17}, {"-3", -3},
        {"90ab", 90},   {"port", 0},        {"", 0},     {"99999999999", INT_MAX},
        {"0x10", 0},    {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        BuddyTable buddies = Parse(OkReply(Entry({"kim", "online", "10.0.0.7", c.text})));
        ASSERT_NE(buddies.Lookup(u"kim"), nullptr);
        EXPECT_EQ(buddies.Lookup(u"kim")->Port(), c.port) << c.text;
    }
}

// A record keeps an ASCII ID as its wire bytes and decodes any other: both
// must find what a lookup by text finds, at every length, and an ID is one
// buddy however it came.
TEST(StatusList, IdsOfAnyLengthAndCodeAreFoundByTheirText) {
    std::string entries;
    std::u16string asciiIds[10];
    for (int length = 1; length < 10; ++length) {
        entries += Entry({std::string(static_cast<std::size_t>(length), 'k') + "x", "online"});
        asciiIds[length] = std::u16string(static_cast<std::size_t>(length), u'k') + u'x';
    }
    entries += Entry({"\xB1\xE8", "busy"}) + Entry({"kkx", "food"});  // a Korean ID; an ID again
    entries += Entry({"\xFF", "busy"}) + Entry({"\x80", "absence"});  // both decode to U+FFFD
    BuddyTable buddies;
    buddies.Store(BuddyTexts{.userId = u"kx"});
    ParseStatusList(ByteString(OkReply(entries).c_str()), buddies);
    EXPECT_EQ(buddies.Size(), 11u);
    EXPECT_EQ(buddies.Lookup(u"kx")->Status(), LOGON_ONLINE);  // the stored record reads the entry
    EXPECT_EQ(buddies.Lookup(u"\uFFFD")->Status(), LOGON_ABSENCE);
    for (int length = 1; length < 10; ++length)
        ASSERT_NE(buddies.Lookup(asciiIds[length]), nullptr) << length;
    EXPECT_EQ(buddies.Lookup(u"\uAE40")->Status(), LOGON_BUSY);
    EXPECT_EQ(buddies.Lookup(u"kkx")->Status(), LOGON_FOOD);
}

std::u16string MessageOf(const std::string& wireMessage) {
    BuddyTable buddies = Parse(OkReply(Entry({"kim", "online", "", "", "", "", test::Base64Of(wireMessage)})));
    return buddies.Lookup(u"kim")->StatusMessage();
}

TEST(StatusList, MessageIsCutToItsBufferWithoutSplittingACharacter) {
    const std::string ga = "\xB0\xA1";  // U+AC00 in CP949
    std::string korean;
    std::u16string expected;
    for (int i = 0; i < 99; ++i) {
        korean += ga;
        expected += u'\uAC00';
    }
    EXPECT_EQ(MessageOf("a" + korean), u"a" + expected);             // exactly 199 bytes
    EXPECT_EQ(MessageOf("a" + korean + ga), u"a" + expected);        // 201: cut after 199
    EXPECT_EQ(MessageOf(korean + ga), expected);                     // 200: the last lead byte would dangle
    EXPECT_EQ(MessageOf(std::string(250, 'x')), std::u16string(199, u'x'));
}

TEST(StatusList, MessageEndsAtTheFirstZeroByte) {
    EXPECT_EQ(MessageOf(std::string("back\0soon", 9)), u"back");
}

TEST(StatusList, KoreanTextsArriveAsUtf16) {
    BuddyTable buddies = Parse(OkReply(Entry({"kim", "absence", "10.0.0.7", "0", "0", "\xB1\xE8\xC3\xB6\xBC\xF6",
                                               test::Base64Of("\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4")})));
    const CBuddyInfo* kim = buddies.Lookup(u"kim");
    ASSERT_NE(kim, nullptr);
    EXPECT_EQ(kim->DisplayName(), u"김철수");
    EXPECT_EQ(kim->StatusMessage(), u"안녕하세요");
}

}  // namespace
}  // namespace nimbo
