#pragma once

#include <string>
#include <vector>

#include "net/ByteString.h"
#include "server/Directory.h"

namespace nimbo::server {

class PresenceTable;

// The two documents that describe a user's buddies, as whole replies.
//
// Status list ("getlogonstatall"): "OK", then one entry per buddy (every
// member of the user's groups, pseudo-group included, once, in group and
// member order), each "<b>" + seven CR LF separated lines + "</b>" + CR LF:
// user ID, status word, last client address ("0.0.0.0" when unknown), port 0
// (clients have no direct listener here), 0, display name (the user ID when
// none is stored), Base64 status message ("" when empty). No line of an entry
// is ever empty, so no entry can end the reply early.
//
// Group list ("getgroup"): "OK", then the Base64 of the group document on one
// line (omitted when the user has no groups). The document has, per group in
// creation order, `<group name="NAME" type="T" expand="1">`, one line per
// member and `</group>`, each ended by LF.
//
// A document the client could not read whole (a line or a reply past its
// reader's bounds) is answered by an error reply instead.
class BuddyDocuments {
public:
    BuddyDocuments(Directory& directory, const PresenceTable& presence);

    ByteString StatusList(const std::string& userId) const;
    ByteString GroupList(const std::string& userId) const;

private:
    void AppendStatusEntry(std::string& reply, const std::string& buddyId) const;
    static std::string GroupDocument(const std::vector<Directory::Group>& groups);

    Directory& m_directory;
    const PresenceTable& m_presence;
};

}  // namespace nimbo::server
