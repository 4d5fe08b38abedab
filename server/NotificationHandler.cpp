#include "server/NotificationHandler.h"

#include <string>

#include "server/Connection.h"
#include "server/NotificationHub.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/ServerLog.h"

namespace nimbo::server {

NotificationHandler::NotificationHandler(Authenticator& authenticator, NotificationHub& hub, PresenceTable& presence,
                                         ServerLog& log)
    : m_authenticator(authenticator), m_hub(hub), m_presence(presence), m_log(log) {}

void NotificationHandler::HandleLine(Connection& connection, const ByteString& line) {
    if (line.IsEmpty() || connection.IsAuthenticated())
        return;
    if (line.Field(" ", 0) != "auth") {
        Refuse(connection, "auth required", "command before auth");
        return;
    }
    if (auto outcome = m_authenticator.Begin(connection, AuthPurpose::Notify, line))
        FinishAuth(connection, *outcome);
}

void NotificationHandler::FinishAuth(Connection& connection, const AuthOutcome& outcome) {
    connection.SetVerifying(false);
    if (outcome.result == AuthOutcome::Result::Busy) {
        connection.Send(Reply::Error(Reply::BUSY, "server busy"));
        connection.CloseAfterFlush("auth not checked (check queue full)");
        return;
    }
    if (outcome.result == AuthOutcome::Result::Refused) {
        Refuse(connection, "wrong user ID or password", "auth refused");
        return;
    }
    connection.SetUser(outcome.userId);
    m_presence.SetAddress(outcome.userId, connection.PeerAddress());
    connection.Send(Reply::Ok());
    m_log.Event(connection, "notification connection of " + outcome.userId);
    m_hub.Attach(connection);
}

void NotificationHandler::Refuse(Connection& connection, const char* message, const char* reason) {
    connection.Send(Reply::Error(Reply::UNAUTHORIZED, message));
    connection.CloseAfterFlush(reason);
}

}  // namespace nimbo::server
