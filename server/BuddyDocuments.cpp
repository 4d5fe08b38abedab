#include "server/BuddyDocuments.h"

#include <unordered_set>

#include "net/Base64.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/WireText.h"
#include "session/CLineReader.h"

namespace nimbo::server {
namespace {

constexpr const char* EMPTY_MESSAGE = "\"\"";

void AppendLine(ByteString& text, const std::string& line, const char* end) {
    text.Append(line.data(), static_cast<int>(line.size()));
    text.Append(end);
}

}  // namespace

BuddyDocuments::BuddyDocuments(Directory& directory, const PresenceTable& presence)
    : m_directory(directory), m_presence(presence) {}

ByteString BuddyDocuments::StatusList(const std::string& userId) const {
    ByteString reply("OK\r\n");
    std::unordered_set<std::string> listed;
    for (const auto& group : m_directory.Groups(userId)) {
        for (const auto& member : group.members) {
            if (listed.insert(member).second)
                reply.Append(StatusEntry(member));
        }
    }
    reply.Append("\r\n");
    if (static_cast<std::size_t>(reply.GetLength()) > CLineReader::MAX_BLOCK_LENGTH)
        return Reply::Error(Reply::LINE_TOO_LONG, "status list too long for the client");
    return reply;
}

ByteString BuddyDocuments::StatusEntry(const std::string& buddyId) const {
    std::optional<Directory::User> user = m_directory.FindUser(buddyId);
    std::string name = user && !user->displayName.empty() ? WireText::ToWire(user->displayName) : buddyId;
    PresenceTable::Entry presence = m_presence.Of(buddyId);
    ByteString entry("<b>");
    AppendLine(entry, buddyId, "\r\n");
    AppendLine(entry, StatusWord(presence.status), "\r\n");
    AppendLine(entry, presence.address, "\r\n0\r\n0\r\n");
    AppendLine(entry, name, "\r\n");
    AppendLine(entry, presence.message64.empty() ? EMPTY_MESSAGE : presence.message64, "</b>\r\n");
    return entry;
}

ByteString BuddyDocuments::GroupList(const std::string& userId) const {
    ByteString reply("OK\r\n");
    ByteString document = GroupDocument(m_directory.Groups(userId));
    ByteString encoded;
    if (!document.IsEmpty() &&
        base64::EncodeInto(document.c_str(), static_cast<std::size_t>(document.GetLength()), encoded)) {
        if (static_cast<std::size_t>(encoded.GetLength()) + 2 > CLineReader::MAX_LINE_LENGTH)
            return Reply::Error(Reply::LINE_TOO_LONG, "group document too long for the client");
        reply.Append(encoded);
        reply.Append("\r\n");
    }
    reply.Append("\r\n");
    return reply;
}

ByteString BuddyDocuments::GroupDocument(const std::vector<Directory::Group>& groups) {
    ByteString document;
    for (const auto& group : groups) {
        ByteString header;
        header.Format("<group name=\"%s\" type=\"%d\" expand=\"1\">\n", WireText::ToWire(group.name).c_str(),
                      group.type);
        document.Append(header);
        for (const auto& member : group.members)
            AppendLine(document, member, "\n");
        document.Append("</group>\n");
    }
    return document;
}

}  // namespace nimbo::server
