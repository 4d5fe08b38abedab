#pragma once

#include <ostream>
#include <string>

#include "session/AgentSession.h"
#include "tools/EventPrinter.h"

namespace nimbo::cli {

// What every command works with: the session, the printer of its output, the
// stream for reasons the user should read, and the user's credentials for
// the sign-in.
struct CliContext {
    AgentSession& session;
    EventPrinter& printer;
    std::ostream& errors;
    std::u16string userId;
    std::u16string password;
};

}  // namespace nimbo::cli
