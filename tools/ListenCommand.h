#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageLoop.h"
#include "tools/ICliCommand.h"

namespace nimbo::cli {

// listen [--seconds N]: signs in online, fetches the buddy list, then prints
// one line per event for N seconds or, without N, until SIGINT or SIGTERM;
// then signs out. A lost notification connection ends it at once with
// EXIT_LISTENER_LOST and without a word to the server.
class ListenCommand : public ICliCommand {
public:
    explicit ListenCommand(const std::vector<std::string>& args);
    int Run(CliContext& context) override;

private:
    // Ends the wait for events; callable from any thread.
    void Finish(platform::MessageLoop& loop);
    void WaitForEvents(platform::MessageLoop& loop);

    std::optional<int> m_nSeconds;
    std::atomic<bool> m_bFinished{false};
    bool m_bLost = false;
};

}  // namespace nimbo::cli
