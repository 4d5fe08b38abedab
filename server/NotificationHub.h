#pragma once

#include <string>
#include <unordered_map>

#include "net/ByteString.h"

namespace nimbo::server {

class Connection;
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
class NotificationHub {
public:
    enum class Delivery { Pushed, Stored, Offline, BoxFull };

    // Output a notification connection may leave unread before it is dropped
    // as a slow reader (its later notes are then stored).
    static constexpr std::size_t BACKLOG_LIMIT = 1024 * 1024;

    NotificationHub(Directory& directory, PresenceTable& presence, ServerLog& log);

    // Makes the identified `connection` its user's notification connection,
    // closing an older one, and pushes the user's stored notes to it.
    void Attach(Connection& connection);
    // Forgets a connection that is going away. When it was its user's current
    // one, the user goes offline.
    void Detach(Connection& connection);
    // Closes the user's notification connection (logout).
    void Disconnect(const std::string& userId);

    // Stores the presence and tells the watchers when it changed.
    void SetPresence(const std::string& userId, const std::string& word, const std::string& message64);
    // Pushes a peer call to the callee, or keeps a note for later; a file
    // offer to an offline callee is not kept.
    Delivery Deliver(const std::string& caller, const std::string& callee, const std::string& kind,
                     const std::string& body64);

private:
    Connection* Live(const std::string& userId) const;
    bool Push(Connection& connection, const ByteString& block);
    void Announce(const std::string& userId);

    Directory& m_directory;
    PresenceTable& m_presence;
    ServerLog& m_log;
    std::unordered_map<std::string, Connection*> m_connections;
};

}  // namespace nimbo::server
