#pragma once

#include <QObject>
#include <functional>

#include "platform/WindowMessages.h"

namespace nimbo {

// The Qt GUI thread as the owner of windows: a queued call becomes a queued
// invocation on the thread that constructed this object. Calls still queued
// when it is destroyed are dropped.
class QtMessageThread : public platform::IMessageThread {
public:
    QtMessageThread() = default;

    void Queue(std::function<void()> call) override;
    bool IsCurrentThread() const override;

private:
    QObject m_context;
};

}  // namespace nimbo
