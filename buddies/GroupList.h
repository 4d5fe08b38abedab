#pragma once

#include "buddies/CBuddyGroup.h"
#include "buddies/OwningTable.h"
#include "net/ByteString.h"

namespace nimbo {

// The longest group list document kept, in bytes: it once had a buffer of
// 100000 bytes that also held the terminating zero.
inline constexpr int GROUP_DOCUMENT_LIMIT = 99999;

// Empties `groups` and fills it from a decoded group list document: LF
// separated lines (the text after the last LF is not read), each trimmed;
// a "<group " line with non-empty name and type values opens a group, the
// lines up to "</group>" or the end are its member IDs. A later group
// replaces an earlier one of the same name.
void ParseGroupList(const ByteString& document, CGroupTable& groups);

// Empties `groups` and, when the first line of the "getgroup" reply is
// exactly "OK", fills it from the document Base64-encoded on its second line
// (cut to GROUP_DOCUMENT_LIMIT bytes on a character boundary, ending at the
// first zero byte). Any other reply leaves the table empty; the group fetch
// also empties it before it connects, so a failed fetch shows no groups.
void ParseGroupListReply(const ByteString& reply, CGroupTable& groups);

}  // namespace nimbo
