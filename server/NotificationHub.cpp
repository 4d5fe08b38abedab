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

NotificationHub::NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log,
                                 std::chrono::milliseconds ackTimeout)
    : m_directory(directory), m_presence(presence), m_log(log), m_ackTimeout(ackTimeout) {}

void NotificationHub::Attach(Connection& connection) {
    const std::string& userId = connection.UserId();
    Connection*& current = m_connections[userId];
    if (current && current != &connection) {
        m_log.Event(connection, "replaces #" + std::to_string(current->Id()) + " of " + userId);
        End(*current, "replaced by #" + std::to_string(connection.Id()));
    }
    current = &connection;
    m_handedUpTo[userId] = 0;
    m_handingOver.insert(userId);
    HandOver(connection);
}

void NotificationHub::Detach(Connection& connection) {
    Resolve(connection);
    const std::string& userId = connection.UserId();
    auto found = m_connections.find(userId);
    if (found == m_connections.end() || found->second != &connection) {
        auto settling = m_settling.find(userId);
        if (settling != m_settling.end() && settling->second == connection.Id())
            m_settling.erase(settling);
        return;
    }
    m_connections.erase(found);
    m_handingOver.erase(userId);
    m_handedUpTo.erase(userId);
    SetPresence(userId, LOGON_OFFLINE, "");
}

void NotificationHub::Disconnect(const std::string& userId) {
    auto found = m_connections.find(userId);
    if (found == m_connections.end())
        return;
    Connection& connection = *found->second;
    m_connections.erase(found);
    m_handingOver.erase(userId);
    m_handedUpTo.erase(userId);
    End(connection, "logout");
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
            if (PeerCallKindOf(kind) == PeerCallKind::Note)
                Track(*connection, {caller, kind, body64});
            return Delivery::Pushed;
        }
    }
    if (PeerCallKindOf(kind) != PeerCallKind::Note)
        return connection ? Delivery::Busy : Delivery::Offline;
    switch (m_directory.StoreNote(callee, {caller, kind, body64})) {
    case Directory::Stored::BoxFull:
        return Delivery::BoxFull;
    case Directory::Stored::SenderShareFull:
        return Delivery::SenderShareFull;
    case Directory::Stored::Yes:
        break;
    }
    if (connection)
        m_handingOver.insert(callee);
    return Delivery::Stored;
}

void NotificationHub::Tend() {
    Clock::time_point now = Clock::now();
    for (auto it = m_flights.begin(); it != m_flights.end();) {
        Flight& flight = it->second;
        if (!Settle(flight)) {
            it = m_flights.erase(it);
            continue;
        }
        if (flight.connection->IsOpen() && now - flight.notes.StalledSince() >= m_ackTimeout)
            flight.connection->Abort("notes not acknowledged for " + std::to_string(m_ackTimeout.count()) + " ms");
        ++it;
    }
    HandOverKept();
}

std::optional<NotificationHub::Clock::time_point> NotificationHub::NextCheck() const {
    if (m_flights.empty())
        return std::nullopt;
    return Clock::now() + ACK_CHECK_INTERVAL;
}

Connection* NotificationHub::Live(const std::string& userId) const {
    auto found = m_connections.find(userId);
    return found != m_connections.end() && found->second->IsOpen() ? found->second : nullptr;
}

void NotificationHub::HandOver(Connection& connection) {
    const std::string& userId = connection.UserId();
    if (m_settling.contains(userId))
        return;
    std::size_t pending = connection.PendingOutput();
    // Half a backlog still unread: the next round will do.
    if (pending > BACKLOG_LIMIT / 2)
        return;
    std::int64_t& handedUpTo = m_handedUpTo[userId];
    std::vector<Directory::Note> notes = m_directory.KeptNotes(userId, handedUpTo, BACKLOG_LIMIT - pending);
    for (auto& note : notes) {
        connection.Send(Reply::PeerCall(note.caller, note.kind, note.body64, userId));
        handedUpTo = note.seq;
        Track(connection, std::move(note));
    }
    if (notes.empty())
        m_handingOver.erase(userId);
    else
        m_log.Event(connection, std::to_string(notes.size()) + " stored notes handed over");
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

void NotificationHub::Track(Connection& connection, Directory::Note note) {
    Flight& flight = m_flights.try_emplace(connection.Id(), Flight{&connection, {}}).first->second;
    flight.notes.Add(connection.QueuedEnd(), std::move(note), Clock::now());
}

bool NotificationHub::Settle(Flight& flight) {
    std::int64_t delivered = flight.notes.Settle(flight.connection->Acknowledged(), Clock::now());
    if (delivered != 0)
        m_directory.DeleteNotesThrough(flight.connection->UserId(), delivered);
    return !flight.notes.IsEmpty();
}

void NotificationHub::End(Connection& connection, const std::string& reason) {
    auto found = m_flights.find(connection.Id());
    if (found == m_flights.end() || !Settle(found->second)) {
        connection.CloseAfterFlush(reason);
        return;
    }
    // The rest of the output is not sent: its notes go back to the box when
    // the connection is reaped, and the user's next connection waits for them.
    m_settling[connection.UserId()] = connection.Id();
    connection.Abort(reason);
}

void NotificationHub::Resolve(Connection& connection) {
    auto found = m_flights.find(connection.Id());
    if (found == m_flights.end())
        return;
    Flight flight = std::move(found->second);
    m_flights.erase(found);
    if (!Settle(flight))
        return;
    connection.DiscardUnacknowledgedOnClose();
    std::vector<Directory::Note> notes = flight.notes.TakeUndelivered();
    m_directory.ReturnNotes(connection.UserId(), notes);
    m_log.Event(connection, std::to_string(notes.size()) + " notes not acknowledged go back to the box of " +
                                connection.UserId());
}

}  // namespace nimbo::server
