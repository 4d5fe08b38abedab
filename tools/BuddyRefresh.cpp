#include "tools/BuddyRefresh.h"

#include "tools/CommandFailure.h"

namespace nimbo::cli {

void RefreshBuddyTables(AgentSession& session) {
    if (!session.GetLogonStatusTable(true))
        throw CommandFailure::Because("the buddy list was refused", session);
}

}  // namespace nimbo::cli
