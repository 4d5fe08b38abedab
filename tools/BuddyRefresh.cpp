#include "tools/BuddyRefresh.h"

#include "tools/CommandFailure.h"

namespace nimbo::cli {

void RefreshBuddyTables(AgentSession& session) {
    if (!session.GetLogonStatusTable(true))
        throw CommandFailure("the buddy list was refused");
}

}  // namespace nimbo::cli
