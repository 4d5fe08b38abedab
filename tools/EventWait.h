#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "platform/MessageLoop.h"

namespace nimbo::cli {

// How a command waits on its message loop for events: until Finish is
// called (from any thread) or, when a number of seconds is given, until they
// have passed.
class EventWait {
public:
    EventWait(platform::MessageLoop& loop, std::optional<int> seconds) : m_loop(loop), m_seconds(seconds) {}

    // The whole number of seconds of a --seconds option; throws UsageError.
    static int ParseSeconds(const std::string& text);

    // Handles the loop's calls until Finish or the seconds have passed; true
    // when Finish was called.
    bool Run();
    void Finish();

private:
    platform::MessageLoop& m_loop;
    const std::optional<int> m_seconds;
    std::atomic<bool> m_finished{false};
};

}  // namespace nimbo::cli
