#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageLoop.h"
#include "session/AgentSession.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/ShownRow.h"

namespace nimbo::e2e {

// Only a guard against a hang: a passing test never waits this long.
inline constexpr std::chrono::seconds PATIENCE{30};

// The client half of an end-to-end test, as the application has it: the
// user-interface thread's message loop and the main window that every
// notification listener of the process reports to. The main window is one
// per process, so with several sessions a message does not say whose
// listener sent it; each session keeps its own peer-call queue, though, and
// tests pick directories in which only one user watches anybody.
class ClientSide {
public:
    // Points g_strAgentHost at `agentHost`.
    explicit ClientSide(const std::string& agentHost);

    // A session signed in as `userId`; null, and a test failure, when refused.
    std::unique_ptr<AgentSession> SignIn(const std::u16string& userId, const std::u16string& password);
    // Handles window messages until `count` messages `message` have arrived
    // in all; false when PATIENCE passed first.
    bool WaitForMessages(platform::UINT message, std::size_t count);

    // Fetches the session's tables as a refresh does and returns the rows
    // its buddy list shows; no rows when the identification was refused.
    static std::vector<test::ShownRow> RefreshedRows(AgentSession& session);
    // The rows of the tables as they are, without a fetch.
    static std::vector<test::ShownRow> Rows(AgentSession& session);
    // Every peer call queued for `session`, oldest first.
    static std::vector<PeerCallRecord> TakePeerCalls(AgentSession& session);

    platform::MessageLoop loop;
    test::RecordingWindow window{loop};
};

}  // namespace nimbo::e2e
