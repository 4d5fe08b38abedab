#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "buddies/LogonStatus.h"
#include "net/ByteString.h"
#include "platform/AsciiText.h"

namespace nimbo {

// The longest status message kept, in wire bytes: the message once had a
// 200-byte buffer that also held the terminating zero.
inline constexpr int STATUS_MESSAGE_LIMIT = 199;

// The fields of a buddy as texts, for a record made without a status list
// (the screenshot tool, tests).
struct BuddyTexts {
    std::u16string userId;
    std::u16string displayName{};
    std::u16string statusMessage{};
    std::u16string address{};
    int port = 0;
    int status = LOGON_OFFLINE;
};

// One buddy as an entry of the status list describes it. The entry's lines
// are the user ID, the status word, the address and port of the buddy's own
// listener for direct file offers (port 0: none, offers go through the
// agent server), a number the client does not use, the display name and the
// status message in Base64 ("" for none). The record keeps the entry as it
// came, in wire text, and reads a field only when asked for it: a refresh
// stores every buddy of a long list, the list shows a screenful of them.
class CBuddyInfo {
public:
    // Reads the entry `entry`, whose text must outlive the record's use
    // (BuddyTable keeps it). An ASCII user ID, as IDs mostly are, stays in
    // the entry: a long list's records then fit the cache better. Any other
    // is decoded at once, into the room the record already has.
    void Assign(std::string_view entry);
    // The same with the user ID given as it is, for an entry made from texts.
    void Assign(std::string_view entry, std::u16string_view userId);

    // The buddy's key in the buddy table.
    std::u16string UserId() const;
    // Whether the user ID is `userId`, exactly. In line: building the rows
    // asks it of every member.
    bool HasUserId(std::u16string_view userId) const {
        return IsPlain() ? platform::AsciiText::SameText(PlainId(), userId) : *m_decodedId == userId;
    }
    bool HasSameUserId(const CBuddyInfo& other) const;
    // HashIndex::HashOf of the user ID.
    std::uint32_t UserIdHash() const;
    // The entry the fields are read from, in wire text.
    std::string_view Entry() const { return {m_entry, m_entryLength}; }
    // The status of the status word: exact, case-sensitive; any other word
    // is offline.
    LogonStatus Status() const;
    std::u16string Address() const;
    int Port() const;
    std::u16string DisplayName() const;
    // The message up to its first zero byte, cut to STATUS_MESSAGE_LIMIT wire
    // bytes without splitting a double-byte character.
    std::u16string StatusMessage() const;

    // The entry that describes `buddy`: its texts in wire text (a character
    // the code page lacks becomes '?'), the message in Base64.
    static ByteString EntryOf(const BuddyTexts& buddy);

private:
    static constexpr std::uint32_t NOT_PLAIN = UINT32_MAX;

    std::string_view Line(int n) const;
    bool IsPlain() const { return m_plainIdLength != NOT_PLAIN; }
    // The first bytes of the entry, which are the ID of a plain record.
    std::string_view PlainId() const { return {m_entry, m_plainIdLength}; }

    // Entries lie in byte strings, whose lengths are ints.
    const char* m_entry = nullptr;
    std::uint32_t m_entryLength = 0;
    // The length of an ID whose bytes are its code units, or NOT_PLAIN.
    std::uint32_t m_plainIdLength = 0;
    // Any other ID, decoded; kept while the ID is plain for its room.
    std::unique_ptr<std::u16string> m_decodedId;
};

}  // namespace nimbo
