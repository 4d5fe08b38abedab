#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "buddies/LogonStatus.h"
#include "net/ByteString.h"
#include "server/Connection.h"

namespace nimbo::server {

class Directory;
class PresenceTable;
class ServerLog;

// Who is reachable for pushed blocks, and the pushing itself: logon notices
// to the watchers of a user whose presence changed, peer calls to their
// callee, notes kept for a callee without a notification connection and
// handed over, oldest first, when its next one is identified.
//
// A user is online for peer calls exactly while it has a notification
// connection; losing it makes the user offline for its watchers too.
//
// Notes never wait in memory beyond a connection's backlog: a note for a
// reader that is that far behind is kept in the directory like one for an
// offline user, and kept notes are handed over as the reader catches up, so
// that their order holds.
class NotificationHub {
public:
    enum class Delivery { Pushed, Stored, Offline, Busy, BoxFull };

    // Unread bytes of notes a notification connection may have queued: a few
    // of the longest notes a listener reads.
    static constexpr std::size_t BACKLOG_LIMIT = 4 * Connection::MAX_LINE;
    // Logon notices may go past the backlog by this much; a reader further
    // behind is dropped as a slow reader.
    static constexpr std::size_t NOTICE_ALLOWANCE = 64 * 1024;

    NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log);

    // Makes the identified `connection` its user's notification connection,
    // closing an older one, and starts handing over the user's kept notes.
    void Attach(Connection& connection);
    // Forgets a connection that is going away. When it was its user's current
    // one, the user goes offline.
    void Detach(Connection& connection);
    // Closes the user's notification connection (logout).
    void Disconnect(const std::string& userId);

    // Stores the presence and tells the watchers when it changed.
    void SetPresence(const std::string& userId, LogonStatus status, const std::string& message64);
    // Pushes a peer call to the callee, or keeps a note for later; a file
    // offer to a callee that is offline or too far behind is not kept.
    Delivery Deliver(const std::string& caller, const std::string& callee, const std::string& kind,
                     const std::string& body64);
    // Pushes kept notes to the connections that have caught up with their
    // backlog. The server calls it once per round of its loop.
    void HandOverKept();

private:
    Connection* Live(const std::string& userId) const;
    // Queues up to a backlog of the user's kept notes on `connection`.
    void HandOver(Connection& connection);
    void Announce(const std::string& userId);
    void Notify(Connection& connection, const ByteString& notice);

    Directory& m_directory;
    PresenceTable& m_presence;
    ServerLog& m_log;
    std::unordered_map<std::string, Connection*> m_connections;
    // Connected users some of whose kept notes are not handed over yet; their
    // new notes are kept behind them.
    std::unordered_set<std::string> m_handingOver;
};

}  // namespace nimbo::server
