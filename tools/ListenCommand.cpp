#include "tools/ListenCommand.h"

#include <charconv>
#include <chrono>

#include "tools/BuddyRefresh.h"
#include "tools/EventWindow.h"
#include "tools/ExitCode.h"
#include "tools/SignalWatcher.h"
#include "tools/SignedInScope.h"
#include "tools/UsageError.h"

namespace nimbo::cli {
namespace {

int SecondsValue(const std::string& text) {
    int seconds = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 0)
        throw UsageError("--seconds needs a whole number of seconds");
    return seconds;
}

}  // namespace

ListenCommand::ListenCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--seconds" || i + 1 == args.size())
            throw UsageError("listen takes only --seconds N");
        m_nSeconds = SecondsValue(args[++i]);
    }
}

int ListenCommand::Run(CliContext& context) {
    platform::MessageLoop loop;
    // Before the listener thread starts, so that it never takes the signals.
    SignalWatcher signals([this, &loop] { Finish(loop); });
    EventWindow window(context, loop, [this, &loop] {
        m_bLost = true;
        Finish(loop);
    });
    SignedInScope signIn(context, Presence::Online, LoginListener::Start);
    RefreshBuddyTables(context.session);
    WaitForEvents(loop);
    if (m_bLost) {
        signIn.Abandon();
        return EXIT_LISTENER_LOST;
    }
    signIn.End();
    return EXIT_DONE;
}

void ListenCommand::Finish(platform::MessageLoop& loop) {
    m_bFinished = true;
    loop.Quit();
}

void ListenCommand::WaitForEvents(platform::MessageLoop& loop) {
    if (m_nSeconds)
        loop.RunUntil([this] { return m_bFinished.load(); }, std::chrono::seconds(*m_nSeconds));
    else
        loop.Run();
}

}  // namespace nimbo::cli
