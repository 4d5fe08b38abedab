#include "bench/BuddyListReplies.h"

#include <cstdio>
#include <string>

#include "net/Base64.h"

namespace nimbo::bench {
namespace {

const char* const WORDS[] = {"online", "absence", "busy", "food", "denial", "offline"};
// By word: the other word of the same length.
constexpr int TURNED_WORDS[] = {4, 5, 3, 2, 0, 1};
constexpr int TURNED_EVERY = 7;
const char KIM[] = "\xB1\xE8\xC3\xB6\xBC\xF6";                            // a Korean display name
const char GREETING[] = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";  // a Korean status message

std::string UserId(int n) {
    char id[16];
    std::snprintf(id, sizeof id, "u%05d", n);
    return id;
}

std::string Base64Of(const std::string& bytes) {
    ByteString encoded;
    base64::EncodeInto(bytes.data(), bytes.size(), encoded);
    return std::string(encoded.view());
}

ByteString Bytes(const std::string& text) { return ByteString(text.data(), static_cast<int>(text.size())); }

const char* StatusWord(int n, bool turned) {
    return WORDS[turned && n % TURNED_EVERY == 0 ? TURNED_WORDS[n % 6] : n % 6];
}

std::string StatusReplyText(int buddies, bool turned) {
    const std::string message = Base64Of(std::string(GREETING) + " 12345");
    std::string reply = "OK\r\n";
    for (int n = 0; n < buddies; ++n) {
        reply += "<b>" + UserId(n) + "\r\n" + StatusWord(n, turned) + "\r\n10.0." + std::to_string(n / 256) + "." +
                 std::to_string(n % 256) + "\r\n" + std::to_string(9000 + n % 100) + "\r\n0\r\n" +
                 (n % 2 ? std::string(KIM) : UserId(n)) + "\r\n" + (n % 3 ? message : "\"\"") + "</b>\r\n";
    }
    return reply + "\r\n";
}

std::string GroupDocumentText(int buddies, int groups) {
    std::string document;
    int next = 0;
    for (int g = 0; g < groups; ++g) {
        document += "<group name=\"Group " + std::to_string(g) + "\" type=\"" + (g % 10 ? "0" : "1") +
                    "\" expand=\"1\">\n";
        for (int m = 0; m < BuddyListReplies::MEMBERS_PER_GROUP && next < buddies; ++m)
            document += UserId(next++) + "\n";
        document += "</group>\n";
    }
    document += "<group name=\"#$%NOGROUP@#$\" type=\"2\" expand=\"1\">\n";
    while (next < buddies)
        document += UserId(next++) + "\n";
    return document + "</group>\n";
}

}  // namespace

BuddyListReplies::BuddyListReplies(int buddies, int groups, bool turned) {
    std::string document = GroupDocumentText(buddies, groups);
    m_statusReply = Bytes(StatusReplyText(buddies, turned));
    m_groupDocument = Bytes(document);
    m_groupReply = Bytes("OK\r\n" + Base64Of(document) + "\r\n\r\n");
}

}  // namespace nimbo::bench
