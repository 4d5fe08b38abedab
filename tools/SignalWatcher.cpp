#include "tools/SignalWatcher.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "tools/CommandFailure.h"

namespace nimbo::cli {
namespace {

// Sent by the destructor to end the watching thread.
constexpr int WAKE_SIGNAL = SIGUSR1;
constexpr int SIGNAL_EXIT_BASE = 128;

}  // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigaddset(&m_signals, WAKE_SIGNAL);
    if (const int error = pthread_sigmask(SIG_BLOCK, &m_signals, nullptr); error != 0)
        throw CommandFailure(std::string("cannot block SIGINT and SIGTERM: ") + std::strerror(error));
    m_thread = std::thread([this] { Watch(); });
}

SignalWatcher::~SignalWatcher() {
    pthread_kill(m_thread.native_handle(), WAKE_SIGNAL);
    m_thread.join();
}

void SignalWatcher::Watch() {
    bool requested = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&m_signals, &signal) != 0 || signal == WAKE_SIGNAL)
            return;
        if (requested)
            std::_Exit(SIGNAL_EXIT_BASE + signal);
        requested = true;
        m_onSignal();
    }
}

}  // namespace nimbo::cli
