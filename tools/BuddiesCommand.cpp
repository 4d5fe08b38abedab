#include "tools/BuddiesCommand.h"

#include "buddies/BuddyRowBuilder.h"
#include "tools/BuddyRefresh.h"
#include "tools/ExitCode.h"
#include "tools/SignedInScope.h"
#include "tools/UsageError.h"

namespace nimbo::cli {

BuddiesCommand::BuddiesCommand(const std::vector<std::string>& args) {
    if (!args.empty())
        throw UsageError("buddies takes no arguments");
}

int BuddiesCommand::Run(CliContext& context) {
    SignedInScope signIn(context, SignIn::OneShot);
    RefreshBuddyTables(context.session);
    for (const BuddyRow& row : BuildBuddyRows(context.session.GetGroupTable(), context.session.GetBuddyTable()))
        context.printer.PrintRow(row);
    return EXIT_DONE;
}

}  // namespace nimbo::cli
