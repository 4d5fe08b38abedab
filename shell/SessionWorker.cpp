#include "shell/SessionWorker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>

#include "shell/CWaitCursor.h"
#include "shell/QtMessageThread.h"

namespace nimbo {

SessionWorker::SessionWorker(QtMessageThread& gui, QObject* parent)
    : QObject(parent), m_gui(gui), m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_wakeFd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnWake(); });
}

SessionWorker::~SessionWorker() {
    m_notifier.reset();
    ::close(m_wakeFd);
}

// The loop ends when the worker says so; should the application quit all
// loops first, the join below waits for the work as a blocking call would.
// The worker signals through a descriptor only, so that it never touches a
// Qt object of the GUI thread.
void SessionWorker::RunAside(const std::function<void()>& work) {
    CWaitCursor wait;
    m_gui.Hold();
    QEventLoop loop;
    std::atomic<bool> done{false};
    m_running.push_back(Running{&loop, &done});
    std::exception_ptr failure;
    std::thread worker([&] {
        {
            std::lock_guard session(m_sessionLock);
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        }
        done.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    });
    if (!done.load()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
    m_running.pop_back();
    m_gui.Release();
    if (m_running.empty()) {
        emit Idle();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// Runs nest: each ended one's loop is told to end, innermost first as the
// stack unwinds.
void SessionWorker::OnWake() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = ::read(m_wakeFd, &count, sizeof count);
    for (const Running& running : m_running) {
        if (running.done->load()) {
            running.loop->quit();
        }
    }
}

}  // namespace nimbo
