#include "shell/QtMessageThread.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <system_error>

namespace nimbo {

namespace {

void MakeNonBlocking(int fd) {
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "fcntl");
    }
}

}  // namespace

QtMessageThread::QtMessageThread() : m_owner(std::this_thread::get_id()) {
    int fds[2];
    if (::pipe(fds) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    m_wakeRead = fds[0];
    m_wakeWrite = fds[1];
    MakeNonBlocking(m_wakeRead);
    MakeNonBlocking(m_wakeWrite);
    m_notifier = std::make_unique<QSocketNotifier>(m_wakeRead, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { RunQueued(); });
}

QtMessageThread::~QtMessageThread() {
    m_notifier.reset();
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

void QtMessageThread::Queue(std::function<void()> call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    Wake();
}

bool QtMessageThread::IsCurrentThread() const {
    return std::this_thread::get_id() == m_owner;
}

void QtMessageThread::Hold() {
    ++m_held;
}

void QtMessageThread::Release() {
    if (--m_held == 0) {
        Wake();
    }
}

// A full pipe already holds a wake-up, so a failed write loses nothing.
void QtMessageThread::Wake() {
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeWrite, &wake, 1);
}

// Takes one call at a time and, while more are waiting, leaves a wake-up
// behind: a call that runs a nested event loop (a modal dialog) then lets
// the calls after it run inside that loop, in order.
void QtMessageThread::RunQueued() {
    char drained[64];
    while (::read(m_wakeRead, drained, sizeof drained) > 0) {
    }
    // Release wakes the loop again.
    if (m_held > 0) {
        return;
    }
    for (;;) {
        std::function<void()> call;
        bool more = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty()) {
                return;
            }
            call = std::move(m_calls.front());
            m_calls.pop_front();
            more = !m_calls.empty();
        }
        if (more) {
            Wake();
        }
        call();
    }
}

}  // namespace nimbo
