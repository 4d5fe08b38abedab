#include "server/BuddyDocuments.h"

#include <unordered_set>

#include "net/Base64.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/WireText.h"
#include "net/LineReader.h"

namespace nimbo::server {
namespace {

constexpr const char* EMPTY_MESSAGE = "\"\"";

ByteString ToByteString(const std::string& bytes) { return ByteString(bytes.data(), static_cast<int>(bytes.size())); }

}  // namespace

BuddyDocuments::BuddyDocuments(Directory& directory, const PresenceTable& presence)
    : m_directory(directory), m_presence(presence) {}

// Documents are built in a std::string: it grows geometrically, where
// appending to a ByteString copies the whole text each time.
ByteString BuddyDocuments::StatusList(const std::string& userId) const {
    std::string reply = "OK\r\n";
    std::unordered_set<std::string> listed;
    for (const auto& group : m_directory.Groups(userId)) {
        for (const auto& member : group.members) {
            if (listed.insert(member).second)
                AppendStatusEntry(reply, member);
        }
    }
    reply += "\r\n";
    if (reply.size() > LineReader::MAX_BLOCK_LENGTH)
        return Reply::Error(Reply::LINE_TOO_LONG, "status list too long for the client");
    return ToByteString(reply);
}

void BuddyDocuments::AppendStatusEntry(std::string& reply, const std::string& buddyId) const {
    std::optional<Directory::User> user = m_directory.FindUser(buddyId);
    std::string name = user && !user->displayName.empty() ? WireText::ToWire(user->displayName) : buddyId;
    PresenceTable::Entry presence = m_presence.Of(buddyId);
    reply += "<b>" + buddyId + "\r\n";
    reply += StatusWord(presence.status);
    reply += "\r\n" + presence.address + "\r\n0\r\n0\r\n" + name + "\r\n";
    reply += presence.message64.empty() ? EMPTY_MESSAGE : presence.message64;
    reply += "</b>\r\n";
}

ByteString BuddyDocuments::GroupList(const std::string& userId) const {
    std::string document = GroupDocument(m_directory.Groups(userId));
    ByteString encoded;
    if (!document.empty() && !base64::EncodeInto(document.data(), document.size(), encoded))
        return Reply::Error(Reply::BUSY, "out of memory");
    if (static_cast<std::size_t>(encoded.GetLength()) + 2 > LineReader::MAX_LINE_LENGTH)
        return Reply::Error(Reply::LINE_TOO_LONG, "group document too long for the client");
    std::string reply = "OK\r\n";
    if (!encoded.IsEmpty())
        reply.append(encoded.view()).append("\r\n");
    reply += "\r\n";
    return ToByteString(reply);
}

std::string BuddyDocuments::GroupDocument(const std::vector<Directory::Group>& groups) {
    std::string document;
    for (const auto& group : groups) {
        document += "<group name=\"" + WireText::ToWire(group.name) + "\" type=\"" + std::to_string(group.type) +
                    "\" expand=\"1\">\n";
        for (const auto& member : group.members)
            document.append(member).append("\n");
        document += "</group>\n";
    }
    return document;
}

}  // namespace nimbo::server
