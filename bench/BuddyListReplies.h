#pragma once

#include "net/ByteString.h"

namespace nimbo::bench {

// The two documents of a large buddy list as the agent server sends them:
// the "getlogonstatall" reply with one entry per buddy (every other display
// name and two messages of three in Korean) and the group list of `groups`
// groups of 16 members, then the no-group group with every other buddy, as
// the decoded document and as the "getgroup" reply. With `turned`, every
// seventh buddy has another status word of the same length, as a refresh
// after a few presence changes finds them; the replies keep their lengths.
class BuddyListReplies {
public:
    static constexpr int MEMBERS_PER_GROUP = 16;

    BuddyListReplies(int buddies, int groups, bool turned = false);

    const ByteString& StatusReply() const { return m_statusReply; }
    const ByteString& GroupDocument() const { return m_groupDocument; }
    const ByteString& GroupReply() const { return m_groupReply; }

private:
    ByteString m_statusReply;
    ByteString m_groupDocument;
    ByteString m_groupReply;
};

}  // namespace nimbo::bench
