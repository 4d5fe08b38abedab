#include "shell/CSessionWorker.h"

#include <QEventLoop>
#include <exception>
#include <thread>

#include "shell/CWaitCursor.h"
#include "shell/QtMessageThread.h"

namespace nimbo {

CSessionWorker::CSessionWorker(QtMessageThread& gui, QObject* parent) : QObject(parent), m_gui(gui) {}

// The loop ends when the worker says so; should the application quit all
// loops first, the join below waits for the work as a blocking call would.
void CSessionWorker::RunAside(const std::function<void()>& work) {
    CWaitCursor wait;
    m_gui.Hold();
    ++m_nRunning;
    QEventLoop loop;
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
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    --m_nRunning;
    m_gui.Release();
    if (m_nRunning == 0) {
        emit Idle();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace nimbo
