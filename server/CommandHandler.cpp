#include "server/CommandHandler.h"

#include <optional>

#include "net/AgentProtocol.h"
#include "server/Connection.h"
#include "server/Directory.h"
#include "server/NotificationHub.h"
#include "server/PresenceTable.h"
#include "server/Reply.h"
#include "server/ServerConfig.h"
#include "server/ServerLog.h"
#include "server/WireText.h"

namespace nimbo::server {
namespace {

// The status of one of the six wire words; nothing for any other word.
std::optional<LogonStatus> ParseStatus(const std::string& word) {
    LogonStatus status = StatusFromWord(word.c_str());
    return word == StatusWord(status) ? std::optional(status) : std::nullopt;
}

}  // namespace

const CommandHandler::Command CommandHandler::COMMANDS[] = {
    {"login", false, &CommandHandler::Login},
    {"auth", false, &CommandHandler::Auth},
    {"setlogonstat", true, &CommandHandler::SetLogonStat},
    {"logout", true, &CommandHandler::Logout},
    {"peercall", true, &CommandHandler::PeerCall},
    {"getlogonstatall", true, &CommandHandler::GetLogonStatAll},
    {"getgroup", true, &CommandHandler::GetGroup},
};

CommandHandler::CommandHandler(const ServerConfig& config, Directory& directory, PresenceTable& presence,
                               NotificationHub& hub, Authenticator& authenticator, ServerLog& log)
    : m_config(config),
      m_directory(directory),
      m_presence(presence),
      m_hub(hub),
      m_authenticator(authenticator),
      m_log(log),
      m_documents(directory, presence) {}

void CommandHandler::HandleLine(Connection& connection, const ByteString& line) {
    if (line.IsEmpty())
        return;
    ByteString word = line.Field(" ", 0);
    for (const auto& command : COMMANDS) {
        if (word != command.word)
            continue;
        if (command.needsAuth && !connection.IsAuthenticated())
            connection.Send(Reply::Error(Reply::UNAUTHORIZED, "auth required"));
        else
            (this->*command.handler)(connection, line);
        return;
    }
    connection.Send(Reply::Error(Reply::UNKNOWN_COMMAND, "unknown command"));
}

void CommandHandler::FinishAuth(Connection& connection, const AuthOutcome& outcome) {
    connection.SetVerifying(false);
    const char* what = outcome.purpose == AuthPurpose::Login ? "login" : "auth";
    if (outcome.result == AuthOutcome::Result::Busy) {
        connection.Send(Reply::Error(Reply::BUSY, "server busy"));
        m_log.Event(connection, std::string(what) + " not checked (check queue full)");
        return;
    }
    if (outcome.result == AuthOutcome::Result::Refused) {
        connection.Send(Reply::Error(Reply::UNAUTHORIZED, "wrong user ID or password"));
        m_log.Event(connection, std::string(what) + " refused for " +
                                    (WireText::IsUserId(outcome.userId) ? outcome.userId : "an invalid user ID"));
        return;
    }
    connection.SetUser(outcome.userId);
    m_presence.SetAddress(outcome.userId, connection.PeerAddress());
    if (outcome.purpose == AuthPurpose::Login)
        connection.Send(Reply::LoggedIn(NotifyHost(connection), m_config.notifyPort));
    else
        connection.Send(Reply::Ok());
    m_log.Event(connection, std::string(what) + " " + outcome.userId);
}

void CommandHandler::Login(Connection& connection, const ByteString& line) {
    if (m_config.redirectHost.empty()) {
        StartAuth(connection, AuthPurpose::Login, line);
        return;
    }
    connection.Send(Reply::Redirect(m_config.redirectHost));
    m_log.Event(connection, "login redirected to " + m_config.redirectHost);
}

void CommandHandler::Auth(Connection& connection, const ByteString& line) {
    StartAuth(connection, AuthPurpose::Command, line);
}

void CommandHandler::SetLogonStat(Connection& connection, const ByteString& line) {
    std::optional<LogonStatus> status = ParseStatus(std::string(line.Field(" ", 1).view()));
    std::string message64(line.Field(" ", 2).view());
    if (!status || !WireText::IsBase64(message64) || message64.size() > WireText::MAX_STATUS_MESSAGE64) {
        connection.Send(Reply::Error(Reply::BAD_REQUEST, "unknown status word or bad status text"));
        return;
    }
    m_hub.SetPresence(connection.UserId(), *status, message64);
    connection.Send(Reply::Ok());
}

void CommandHandler::Logout(Connection& connection, const ByteString&) {
    m_hub.SetPresence(connection.UserId(), LOGON_OFFLINE, "");
    m_hub.Disconnect(connection.UserId());
    connection.Send(Reply::Ok());
    m_log.Event(connection, "logout " + connection.UserId());
    connection.SetUser({});
}

void CommandHandler::PeerCall(Connection& connection, const ByteString& line) {
    std::string callee(line.Field(" ", 1).view());
    std::string kind(line.Field(" ", 2).view());
    std::string body64(line.Field(" ", 3).view());
    if (!WireText::IsUserId(callee) || !m_directory.FindUser(callee)) {
        connection.Send(Reply::Error(Reply::NO_SUCH_USER, "no such user"));
        return;
    }
    if (!PeerCallKindOf(kind) || !WireText::IsBase64(body64)) {
        connection.Send(Reply::Error(Reply::BAD_REQUEST, "unknown kind or bad body"));
        return;
    }
    // The pushed line is longer than the command by the caller's ID; the
    // callee's listener gives up on a line beyond its bound.
    if (static_cast<std::size_t>(Reply::PeerCall(connection.UserId(), kind, body64, callee).GetLength()) - 2 >
        Connection::MAX_LINE) {
        connection.Send(Reply::Error(Reply::LINE_TOO_LONG, "peer call too long for the callee"));
        return;
    }
    switch (m_hub.Deliver(connection.UserId(), callee, kind, body64)) {
    case NotificationHub::Delivery::Pushed:
    case NotificationHub::Delivery::Stored:
        connection.Send(Reply::Ok());
        break;
    case NotificationHub::Delivery::Offline:
        connection.Send(Reply::Error(Reply::OFFLINE, "user is offline"));
        break;
    case NotificationHub::Delivery::Busy:
        connection.Send(Reply::Error(Reply::BUSY, "user is not reading"));
        break;
    case NotificationHub::Delivery::BoxFull:
        connection.Send(Reply::Error(Reply::NOTE_BOX_FULL, "too many notes kept for this user"));
        break;
    case NotificationHub::Delivery::SenderShareFull:
        connection.Send(Reply::Error(Reply::NOTE_BOX_FULL, "too many of your notes kept for this user"));
        break;
    }
}

void CommandHandler::GetLogonStatAll(Connection& connection, const ByteString&) {
    connection.Send(m_documents.StatusList(connection.UserId()));
}

void CommandHandler::GetGroup(Connection& connection, const ByteString&) {
    connection.Send(m_documents.GroupList(connection.UserId()));
}

void CommandHandler::StartAuth(Connection& connection, AuthPurpose purpose, const ByteString& line) {
    connection.SetUser({});
    if (auto outcome = m_authenticator.Begin(connection, purpose, line))
        FinishAuth(connection, *outcome);
}

std::string CommandHandler::NotifyHost(const Connection& connection) const {
    return m_config.advertiseHost.empty() ? connection.LocalAddress() : m_config.advertiseHost;
}

}  // namespace nimbo::server
