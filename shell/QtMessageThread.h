#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/WindowMessages.h"

class QSocketNotifier;

namespace nimbo {

// The Qt GUI thread as the owner of windows. Any thread may queue a call;
// the GUI thread's event loop runs the calls in order, also inside nested
// loops such as a modal dialog's. The calls change hands under a standard
// mutex and a pipe only wakes the loop, so a queuing thread never calls into
// Qt. Construct it on the GUI thread; calls still queued when it is
// destroyed are dropped (destroyed unrun).
class QtMessageThread : public platform::IMessageThread {
public:
    QtMessageThread();
    ~QtMessageThread() override;
    QtMessageThread(const QtMessageThread&) = delete;
    QtMessageThread& operator=(const QtMessageThread&) = delete;

    void Queue(std::function<void()> call) override;
    bool IsCurrentThread() const override;

    // While held (GUI thread only; holds nest), queued calls wait: they run
    // in order once the last hold is released and the event loop runs.
    void Hold();
    void Release();

private:
    void Wake();
    void RunQueued();

    std::thread::id m_owner;
    int m_held = 0;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
};

}  // namespace nimbo
