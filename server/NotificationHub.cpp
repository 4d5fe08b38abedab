#include "server/NotificationHub.h"

#include <vector>

#include "net/AgentProtocol.h"
#include "server/Directory.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/ServerLog.h"

namespace nimbo::server {
namespace {

// Whether a block of `bytes` may join the connection's queued notes.
bool HasRoom(const Connection& connection, std::size_t bytes) {
    std::size_t pending = connection.PendingOutput();
    return pending == 0 || pending + bytes <= NotificationHub::BACKLOG_LIMIT;
}

}  // namespace

NotificationHub::NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log)
    : m_directory(directory), m_presence(presence), m_log(log) {}

void NotificationHub::Attach(Connection& connection) {
    Connection*& current = m_connections[connection.UserId()];
    if (current && current != &connection) {
        current->CloseAfterFlush("replaced by #" + std::to_string(connection.Id()));
        m_log.Event(connection, "replaces #" + std::to_string(current->Id()) + " of " + connection.UserId());
    }
    current = &connection;
    m_handingOver.insert(connection.UserId());
    HandOver(connection);
}

void NotificationHub::Detach(Connection& connection) {
    auto found = m_connections.find(connection.UserId());
    if (found == m_connections.end() || found->second != &connection)
        return;
    m_connections.erase(found);
    m_handingOver.erase(connection.UserId());
    SetPresence(connection.UserId(), LOGON_OFFLINE, "");
}

void NotificationHub::Disconnect(const std::string& userId) {
    auto found = m_connections.find(userId);
    if (found == m_connections.end())
        return;
    found->second->CloseAfterFlush("logout");
    m_connections.erase(found);
    m_handingOver.erase(userId);
}

void NotificationHub::SetPresence(const std::string& userId, LogonStatus status, const std::string& message64) {
    if (m_presence.Set(userId, status, message64))
        Announce(userId);
}

NotificationHub::Delivery NotificationHub::Deliver(const std::string& caller, const std::string& callee,
                                                   const std::string& kind, const std::string& body64) {
    Connection* connection = Live(callee);
    if (connection && !m_handingOver.contains(callee)) {
        ByteString block = Reply::PeerCall(caller, kind, body64, callee);
        if (HasRoom(*connection, static_cast<std::size_t>(block.GetLength()))) {
            connection->Send(block);
            return Delivery::Pushed;
        }
    }
    if (PeerCallKindOf(kind) != PeerCallKind::Note)
        return connection ? Delivery::Busy : Delivery::Offline;
    if (!m_directory.StoreNote(callee, {caller, kind, body64}))
        return Delivery::BoxFull;
    if (connection)
        m_handingOver.insert(callee);
    return Delivery::Stored;
}

void NotificationHub::HandOverKept() {
    if (m_handingOver.empty())
        return;
    std::vector<std::string> users(m_handingOver.begin(), m_handingOver.end());
    for (const auto& userId : users) {
        if (Connection* connection = Live(userId))
            HandOver(*connection);
        else
            m_handingOver.erase(userId);
    }
}

Connection* NotificationHub::Live(const std::string& userId) const {
    auto found = m_connections.find(userId);
    return found != m_connections.end() && found->second->IsOpen() ? found->second : nullptr;
}

void NotificationHub::HandOver(Connection& connection) {
    std::size_t pending = connection.PendingOutput();
    // Half a backlog still unread: the next round will do.
    if (pending > BACKLOG_LIMIT / 2)
        return;
    std::vector<Directory::Note> notes = m_directory.TakeNotes(connection.UserId(), BACKLOG_LIMIT - pending);
    for (const auto& note : notes)
        connection.Send(Reply::PeerCall(note.caller, note.kind, note.body64, connection.UserId()));
    if (notes.empty())
        m_handingOver.erase(connection.UserId());
    else
        m_log.Event(connection, std::to_string(notes.size()) + " stored notes handed over");
}

void NotificationHub::Announce(const std::string& userId) {
    ByteString notice = Reply::LogonNotice(userId);
    for (const auto& watcher : m_directory.Watchers(userId)) {
        if (Connection* connection = Live(watcher))
            Notify(*connection, notice);
    }
}

void NotificationHub::Notify(Connection& connection, const ByteString& notice) {
    if (connection.PendingOutput() > BACKLOG_LIMIT + NOTICE_ALLOWANCE) {
        connection.Abort("slow reader: " + std::to_string(connection.PendingOutput()) + " bytes unread");
        return;
    }
    connection.Send(notice);
}

}  // namespace nimbo::server
