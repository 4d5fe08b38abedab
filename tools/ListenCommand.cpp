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
            m_seconds = EventWait::ParseSeconds(args[++i]);
        else if (args[i] == "--accept-files")
            m_acceptFolder = args[++i];
        else
            throw UsageError("listen takes only --seconds N and --accept-files DIR");
    }
}

int ListenCommand::Run(CliContext& context) {
    if (m_acceptFolder && !std::filesystem::is_directory(*m_acceptFolder))
        throw CommandFailure(*m_acceptFolder + " is not a folder");
    platform::MessageLoop loop;
    EventWait wait(loop, m_seconds);
    // Before the listener thread starts, so that it never takes the signals.
    SignalWatcher signals([&wait] { wait.Finish(); });
    std::unique_ptr<FileAcceptor> acceptor;
    if (m_acceptFolder)
        acceptor = std::make_unique<FileAcceptor>(*m_acceptFolder, loop, context.printer);
    EventWindow window(
        context, loop,
        [this, &wait] {
            m_lost = true;
            wait.Finish();
        },
        [&acceptor](const FileOffer& offer) {
            if (acceptor)
                acceptor->Accept(offer);
        });
    SignedInScope signIn(context, SignIn::Listening);
    RefreshBuddyTables(context.session);
    wait.Run();
    if (m_lost) {
        signIn.Abandon();
        return EXIT_LISTENER_LOST;
    }
    signIn.End();
    return EXIT_DONE;
}

}  // namespace nimbo::cli
