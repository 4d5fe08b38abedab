#pragma once

#include "net/ByteString.h"
#include "server/Authenticator.h"

namespace nimbo::server {

class Connection;
class NotificationHub;
class PresenceTable;
class ServerLog;

// The notification port: the client's one line "auth ID PW64 " is answered
// "OK" (then the connection belongs to the hub, which pushes blocks on it)
// or "ERR 401" (then it is closed). Any other first line is refused the
// same way; what an identified client sends later is ignored.
class NotificationHandler {
public:
    NotificationHandler(Authenticator& authenticator, NotificationHub& hub, PresenceTable& presence, ServerLog& log);

    void HandleLine(Connection& connection, const ByteString& line);
    void FinishAuth(Connection& connection, const AuthOutcome& outcome);

private:
    void Refuse(Connection& connection, const char* message, const char* reason);

    Authenticator& m_authenticator;
    NotificationHub& m_hub;
    PresenceTable& m_presence;
    ServerLog& m_log;
};

}  // namespace nimbo::server
