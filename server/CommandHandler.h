#pragma once

#include <string>

#include "net/ByteString.h"
#include "server/Authenticator.h"
#include "server/BuddyDocuments.h"

namespace nimbo::server {

class Connection;
class Directory;
class NotificationHub;
class PresenceTable;
class ServerLog;
struct ServerConfig;

// The commands of the agent port, one line each, answered by one reply:
//   login ID PW64 N N       "OK", "afw=HOST:PORT"; or ERR 401 / ERR 202 / ERR 503
//   auth ID PW64            "OK"; or ERR 401 / ERR 503 (too many checks waiting)
//   setlogonstat WORD TEXT64
//   logout                  offline, the notification connection closed, and
//                           this connection no longer identified
//   peercall CALLEE KIND BODY64   KIND "instmsg" or "ftp"
//   getlogonstatall, getgroup     the documents of BuddyDocuments
// Every command but "login" and "auth" needs an identified connection. An
// empty line is ignored (the tail of a block-shaped command).
class CommandHandler {
public:
    CommandHandler(const ServerConfig& config, Directory& directory, PresenceTable& presence, NotificationHub& hub,
                   Authenticator& authenticator, ServerLog& log);

    void HandleLine(Connection& connection, const ByteString& line);
    void FinishAuth(Connection& connection, const AuthOutcome& outcome);

private:
    using Handler = void (CommandHandler::*)(Connection&, const ByteString&);
    struct Command {
        const char* word;
        bool needsAuth;
        Handler handler;
    };
    static const Command COMMANDS[];

    void Login(Connection& connection, const ByteString& line);
    void Auth(Connection& connection, const ByteString& line);
    void SetLogonStat(Connection& connection, const ByteString& line);
    void Logout(Connection& connection, const ByteString& line);
    void PeerCall(Connection& connection, const ByteString& line);
    void GetLogonStatAll(Connection& connection, const ByteString& line);
    void GetGroup(Connection& connection, const ByteString& line);

    void StartAuth(Connection& connection, AuthPurpose purpose, const ByteString& line);
    std::string NotifyHost(const Connection& connection) const;

    const ServerConfig& m_config;
    Directory& m_directory;
    PresenceTable& m_presence;
    NotificationHub& m_hub;
    Authenticator& m_authenticator;
    ServerLog& m_log;
    BuddyDocuments m_documents;
};

}  // namespace nimbo::server
