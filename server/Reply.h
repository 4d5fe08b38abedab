#pragma once

#include <string>

#include "net/ByteString.h"

namespace nimbo::server {

// Every text the server writes: command replies (lines ended by CR LF, then
// an empty line) and the blocks pushed on notification connections.
class Reply {
public:
    // Error codes after "ERR".
    enum Code {
        MOVED = 202,             // login elsewhere: "server=" names the host
        BAD_REQUEST = 400,       // malformed arguments or bytes
        UNAUTHORIZED = 401,      // refused credentials, or no "auth" yet
        NO_SUCH_USER = 404,      // unknown callee
        LINE_TOO_LONG = 414,     // a line over the client's line bound (the connection is
                                 // closed after it), a peer call too long to push, or a
                                 // document too long for the client to read
        OFFLINE = 480,           // a file offer to a user without notification connection
        UNKNOWN_COMMAND = 500,
        BUSY = 503,              // a connection bound reached, the password check queue full,
                                 // the directory failed, or a file offer to a user who leaves
                                 // its pushed blocks unread
        NOTE_BOX_FULL = 507,     // too many notes kept for a user, or from this sender for it
    };

    static ByteString Ok();
    // The login success: names the notification server.
    static ByteString LoggedIn(const std::string& notifyHost, int notifyPort);
    static ByteString Error(Code code, const char* message);
    static ByteString Redirect(const std::string& host);

    static ByteString LogonNotice(const std::string& userId);
    static ByteString PeerCall(const std::string& caller, const std::string& kind, const std::string& body64,
                               const std::string& callee);
};

}  // namespace nimbo::server
