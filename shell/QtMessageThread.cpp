#include "shell/QtMessageThread.h"

#include <QMetaObject>
#include <QThread>

namespace nimbo {

void QtMessageThread::Queue(std::function<void()> call) {
    QMetaObject::invokeMethod(&m_context, std::move(call), Qt::QueuedConnection);
}

bool QtMessageThread::IsCurrentThread() const {
    return QThread::currentThread() == m_context.thread();
}

}  // namespace nimbo
