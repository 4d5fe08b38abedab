#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "buddies/LogonStatus.h"
#include "net/ByteString.h"
#include "server/Connection.h"
#include "server/NotesInFlight.h"

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
// A note is delivered once the callee's TCP has acknowledged all its bytes.
// Notes written to a connection that ends before that go back to the front of
// the callee's box, in order, and the connection is reset so that none of
// them can still arrive late; a kept note leaves the box only when delivered.
// A user's next connection gets nothing before its last one is settled so.
//
// Notes never wait in memory beyond a connection's backlog: a note for a
// reader that is that far behind is kept in the directory like one for an
// offline user, and kept notes are handed over as the reader catches up, so
// that their order holds.
class NotificationHub {
public:
    using Clock = std::chrono::steady_clock;
    enum class Delivery { Pushed, Stored, Offline, Busy, BoxFull, SenderShareFull };

    // Unread bytes of notes a notification connection may have queued: a few
    // of the longest notes a listener reads.
    static constexpr std::size_t BACKLOG_LIMIT = 4 * Connection::MAX_LINE;
    // Logon notices may go past the backlog by this much; a reader further
    // behind is dropped as a slow reader.
    static constexpr std::size_t NOTICE_ALLOWANCE = 64 * 1024;
    // The kernel tells nobody when bytes are acknowledged: while notes wait
    // for it, the hub looks this often.
    static constexpr std::chrono::milliseconds ACK_CHECK_INTERVAL{20};

    // A connection whose peer acknowledges nothing for `ackTimeout` while
    // notes wait is dropped.
    NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log, std::chrono::milliseconds ackTimeout);

    // Makes the identified `connection` its user's notification connection,
    // ending an older one, and starts handing over the user's kept notes.
    void Attach(Connection& connection);
    // Forgets a connection that is going away, before its socket is closed;
    // its undelivered notes go back to the box. When it was its user's
    // current one, the user goes offline.
    void Detach(Connection& connection);
    // Ends the user's notification connection (logout).
    void Disconnect(const std::string& userId);

    // Stores the presence and tells the watchers when it changed.
    void SetPresence(const std::string& userId, LogonStatus status, const std::string& message64);
    // Pushes a peer call to the callee, or keeps a note for later; a file
    // offer to a callee that is offline or too far behind is not kept.
    Delivery Deliver(const std::string& caller, const std::string& callee, const std::string& kind,
                     const std::string& body64);
    // Settles acknowledged notes, drops connections that stopped
    // acknowledging, and pushes kept notes to the connections that have
    // caught up with their backlog. The server calls it once per round.
    void Tend();
    // When Tend() should look again, if nothing else happens before.
    std::optional<Clock::time_point> NextCheck() const;

private:
    struct Flight {
        Connection* connection;
        NotesInFlight notes;
    };

    Connection* Live(const std::string& userId) const;
    // Queues up to a backlog of the user's kept notes on `connection`.
    void HandOver(Connection& connection);
    void HandOverKept();
    void Announce(const std::string& userId);
    void Notify(Connection& connection, const ByteString& notice);
    void Track(Connection& connection, Directory::Note note);
    // Settles what the connection's peer has acknowledged; true when notes
    // still wait.
    bool Settle(Flight& flight);
    // Ends a connection that is no longer its user's: at once (settled when
    // reaped) when notes wait on it, else after its output is flushed.
    void End(Connection& connection, const std::string& reason);
    // Puts the connection's undelivered notes back in the box.
    void Resolve(Connection& connection);

    Directory& m_directory;
    PresenceTable& m_presence;
    ServerLog& m_log;
    std::chrono::milliseconds m_ackTimeout;
    std::unordered_map<std::string, Connection*> m_connections;
    // Connected users some of whose kept notes are not handed over yet; their
    // new notes are kept behind them.
    std::unordered_set<std::string> m_handingOver;
    // Per user, the last kept note written to its current connection.
    std::unordered_map<std::string, std::int64_t> m_handedUpTo;
    // Per connection ID, its notes not yet acknowledged.
    std::unordered_map<std::uint64_t, Flight> m_flights;
    // Per user, its ended connection that still holds undelivered notes.
    std::unordered_map<std::string, std::uint64_t> m_settling;
};

}  // namespace nimbo::server
