#include "server/NotificationHub.h"

#include "server/Connection.h"
#include "server/Directory.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/ServerLog.h"

namespace nimbo::server {

namespace {
constexpr const char* NOTE_KIND = "instmsg";
}

NotificationHub::NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log)
    : m_directory(directory), m_presence(presence), m_log(log) {}

void NotificationHub::Attach(Connection& connection) {
    Connection*& current = m_connections[connection.UserId()];
    if (current && current != &connection) {
        current->CloseAfterFlush("replaced by #" + std::to_string(connection.Id()));
        m_log.Event(connection, "replaces #" + std::to_string(current->Id()) + " of " + connection.UserId());
    }
    current = &connection;
    std::vector<Directory::Note> notes = m_directory.TakeNotes(connection.UserId());
    for (const auto& note : notes)
        Push(connection, Reply::PeerCall(note.caller, note.kind, note.body64, connection.UserId()));
    if (!notes.empty())
        m_log.Event(connection, std::to_string(notes.size()) + " stored notes handed over");
}

void NotificationHub::Detach(Connection& connection) {
    auto found = m_connections.find(connection.UserId());
    if (found == m_connections.end() || found->second != &connection)
        return;
    m_connections.erase(found);
    SetPresence(connection.UserId(), PresenceTable::OFFLINE, "");
}

void NotificationHub::Disconnect(const std::string& userId) {
    auto found = m_connections.find(userId);
    if (found == m_connections.end())
        return;
    found->second->CloseAfterFlush("logout");
    m_connections.erase(found);
}

void NotificationHub::SetPresence(const std::string& userId, const std::string& word, const std::string& message64) {
    if (m_presence.Set(userId, word, message64))
        Announce(userId);
}

NotificationHub::Delivery NotificationHub::Deliver(const std::string& caller, const std::string& callee,
                                                   const std::string& kind, const std::string& body64) {
    Connection* connection = Live(callee);
    if (connection && Push(*connection, Reply::PeerCall(caller, kind, body64, callee)))
        return Delivery::Pushed;
    if (kind != NOTE_KIND)
        return Delivery::Offline;
    return m_directory.StoreNote(callee, {caller, kind, body64}) ? Delivery::Stored : Delivery::BoxFull;
}

Connection* NotificationHub::Live(const std::string& userId) const {
    auto found = m_connections.find(userId);
    return found != m_connections.end() && found->second->IsOpen() ? found->second : nullptr;
}

bool NotificationHub::Push(Connection& connection, const ByteString& block) {
    if (connection.PendingOutput() > BACKLOG_LIMIT) {
        connection.Abort("slow reader: " + std::to_string(connection.PendingOutput()) + " bytes unread");
        return false;
    }
    connection.Send(block);
    return true;
}

void NotificationHub::Announce(const std::string& userId) {
    ByteString notice = Reply::LogonNotice(userId);
    for (const auto& watcher : m_directory.Watchers(userId)) {
        if (Connection* connection = Live(watcher))
            Push(*connection, notice);
    }
}

}  // namespace nimbo::server
