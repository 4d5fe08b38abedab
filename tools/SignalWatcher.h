#pragma once

#include <csignal>
#include <functional>
#include <thread>

namespace nimbo::cli {

// Turns SIGINT and SIGTERM into a call on a thread of its own, so that the
// main thread can end its work in order. Construct it before any other
// thread starts: the signals are blocked in the constructing thread and so
// in every thread started after it (CommandFailure when they cannot be). A
// second such signal ends the process at once, for a user whose first
// request is stuck behind the network.
class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void Watch();

    std::function<void()> m_onSignal;
    sigset_t m_signals;
    std::thread m_thread;
};

}  // namespace nimbo::cli
