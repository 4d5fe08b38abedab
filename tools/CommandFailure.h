#pragma once

#include <stdexcept>
#include <string>

#include "platform/CodePage.h"
#include "session/AgentSession.h"

namespace nimbo::cli {

// An operation of a command failed; what() is the one-line reason.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // `what` and why the session's last operation failed:
    // "login failed: Login at h: Connect error #111 (Connection refused)".
    static CommandFailure Because(const std::string& what, const AgentSession& session) {
        return CommandFailure(what + ": " + platform::CodePage::ToUtf8(session.LastFailure().Describe()));
    }
};

}  // namespace nimbo::cli
