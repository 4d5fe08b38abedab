#pragma once

#include "session/AgentSession.h"

namespace nimbo::cli {

// Fetches the buddy and group tables; throws CommandFailure when the server
// refused the identification.
void RefreshBuddyTables(AgentSession& session);

}  // namespace nimbo::cli
