#include "tools/ListenCommand.h"

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
namespace {

constexpr const char* LISTEN_USAGE = "listen takes only --seconds N, --accept-files DIR, --resume and --replace";

}  // namespace

ListenCommand::ListenCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--seconds" && hasValue)
            m_seconds = EventWait::ParseSeconds(args[++i]);
        else if (args[i] == "--accept-files" && hasValue)
            m_acceptFolder = args[++i];
        else if (args[i] == "--resume")
            m_existing.continueShorter = true;
        else if (args[i] == "--replace")
            m_existing.replace = true;
        else
            throw UsageError(LISTEN_USAGE);
    }
    if (!m_acceptFolder && (m_existing.continueShorter || m_existing.replace))
        throw UsageError("--resume and --replace go with --accept-files");
}

int ListenCommand::Run(CliContext& context) {
    platform::MessageLoop loop;
    std::unique_ptr<FileAcceptor> acceptor;
    if (m_acceptFolder)
        acceptor = std::make_unique<FileAcceptor>(*m_acceptFolder, m_existing, loop, context.printer, context.errors);
    EventWait wait(loop, m_seconds);
    // Before the listener thread starts, so that it never takes the signals.
    SignalWatcher signals([&wait] { wait.Finish(); });
    EventWindow window(
        context, loop,
        [this, &wait] {
            m_lost = true;
            wait.Finish();
        },
        [&acceptor](const std::u16string& from, const FileOffer& offer) {
            if (acceptor)
                acceptor->Accept(from, offer);
        });
    SignedInScope signIn(context, SignIn::Listening);
    RefreshBuddyTables(context.session);
    wait.Run();
    const bool allReceived = !acceptor || acceptor->Finish();
    if (m_lost) {
        signIn.Abandon();
        return EXIT_LISTENER_LOST;
    }
    signIn.End();
    if (!allReceived)
        throw CommandFailure("not every file taken was received");
    return EXIT_DONE;
}

}  // namespace nimbo::cli
