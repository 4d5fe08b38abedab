#pragma once

#include <stdexcept>
#include <string>

#include "session/AgentSession.h"
#include "tools/EventPrinter.h"

namespace nimbo::cli {

// An operation of a command failed; what() is the one-line reason.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // `what` and why the session's last operation failed:
    // "login failed: Login at h: Connect error #111 (Connection refused)".
    // The reason may quote the server, so its control characters are escaped.
    static CommandFailure Because(const std::string& what, const AgentSession& session) {
        return CommandFailure(what + ": " + EventPrinter::Escaped(session.LastFailure().Describe()));
    }
};

}  // namespace nimbo::cli
