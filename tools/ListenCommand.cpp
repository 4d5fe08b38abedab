#include "tools/ListenCommand.h"

#include <filesystem>
#include <memory>

#include "platform/MessageLoop.h"
#include "tools/BuddyRefresh.h"
#include "tools/CommandFailure.h"
#include "tools/EventWait.h"
#include "tools/EventWindow.h"
#include "tools/ExitCode.h"
#include "tools/FileAcceptor.h"
#include "tools/SignalWatcher.h"
#include "tools/SignedInScope.h"
#include "tools/UsageError.h"

namespace nimbo::cli {

ListenCommand::ListenCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 == args.size())
            throw UsageError("listen takes only --seconds N and --accept-files DIR");
        if (args[i] == "--seconds")
            m_nSeconds = EventWait::ParseSeconds(args[++i]);
        else if (args[i] == "--accept-files")
            m_strAcceptFolder = args[++i];
        else
            throw UsageError("listen takes only --seconds N and --accept-files DIR");
    }
}

int ListenCommand::Run(CliContext& context) {
    if (m_strAcceptFolder && !std::filesystem::is_directory(*m_strAcceptFolder))
        throw CommandFailure(*m_strAcceptFolder + " is not a folder");
    platform::MessageLoop loop;
    EventWait wait(loop, m_nSeconds);
    // Before the listener thread starts, so that it never takes the signals.
    SignalWatcher signals([&wait] { wait.Finish(); });
    std::unique_ptr<FileAcceptor> acceptor;
    if (m_strAcceptFolder)
        acceptor = std::make_unique<FileAcceptor>(*m_strAcceptFolder, loop, context.printer);
    EventWindow window(
        context, loop,
        [this, &wait] {
            m_bLost = true;
            wait.Finish();
        },
        [&acceptor](const FileOffer& offer) {
            if (acceptor)
                acceptor->Accept(offer);
        });
    SignedInScope signIn(context, SignIn::Listening);
    RefreshBuddyTables(context.session);
    wait.Run();
    if (m_bLost) {
        signIn.Abandon();
        return EXIT_LISTENER_LOST;
    }
    signIn.End();
    return EXIT_DONE;
}

}  // namespace nimbo::cli
