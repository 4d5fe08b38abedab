#include "shell/QtMessageBoxHandler.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "shell/ResourceStrings.h"

namespace nimbo {

using platform::MessageBoxButtons;
using platform::MessageBoxResult;

namespace {

// The answer a waiting thread gets from the GUI thread.
struct PendingAnswer {
    explicit PendingAnswer(MessageBoxResult dismissed) : result(dismissed) {}

    std::mutex mutex;
    std::condition_variable released;
    bool done = false;
    MessageBoxResult result;
};

// Owned by the queued call: releases the waiting thread when the call is
// destroyed, after it ran or when it is dropped unrun because the
// application quits, so the waiter can never be left blocked.
class AnswerRelease {
public:
    explicit AnswerRelease(std::shared_ptr<PendingAnswer> pending) : m_pending(std::move(pending)) {}
    AnswerRelease(const AnswerRelease&) = delete;
    AnswerRelease& operator=(const AnswerRelease&) = delete;

    ~AnswerRelease() {
        {
            std::lock_guard lock(m_pending->mutex);
            m_pending->done = true;
        }
        m_pending->released.notify_all();
    }

    void Answer(MessageBoxResult result) {
        std::lock_guard lock(m_pending->mutex);
        m_pending->result = result;
    }

private:
    std::shared_ptr<PendingAnswer> m_pending;
};

}  // namespace

// The GUI thread's queue, shared by the copies of a handler until it is
// closed; only ever queued to under the lock.
struct QtMessageBoxHandler::Gui {
    std::mutex mutex;
    platform::IMessageThread* thread = nullptr;
};

QtMessageBoxHandler::QtMessageBoxHandler(platform::IMessageThread& gui) : m_gui(std::make_shared<Gui>()) {
    m_gui->thread = &gui;
}

void QtMessageBoxHandler::Close() const {
    std::lock_guard lock(m_gui->mutex);
    m_gui->thread = nullptr;
}

MessageBoxResult QtMessageBoxHandler::operator()(const std::u16string& text, const std::u16string& caption,
                                                 MessageBoxButtons buttons) const {
    auto pending = std::make_shared<PendingAnswer>(platform::DecliningAnswer(buttons));
    {
        std::unique_lock gui(m_gui->mutex);
        if (m_gui->thread == nullptr) {
            return pending->result;
        }
        if (m_gui->thread->IsCurrentThread()) {
            gui.unlock();
            return ShowHere(text, caption, buttons);
        }
        m_gui->thread->Queue([release = std::make_shared<AnswerRelease>(pending), text, caption, buttons] {
            release->Answer(ShowHere(text, caption, buttons));
        });
    }
    std::unique_lock lock(pending->mutex);
    pending->released.wait(lock, [&] { return pending->done; });
    return pending->result;
}

MessageBoxResult QtMessageBoxHandler::ShowHere(const std::u16string& text, const std::u16string& caption,
                                              MessageBoxButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.empty() ? LoadResourceString(AFX_IDS_APP_TITLE) : QString::fromStdU16String(caption));
    box.setText(QString::fromStdU16String(text));
    if (buttons == MessageBoxButtons::Ok) {
        box.setDefaultButton(box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole));
        box.exec();
        return MessageBoxResult::Ok;
    }
    box.setDefaultButton(box.addButton(QStringLiteral("예"), QMessageBox::YesRole));
    QPushButton* no = box.addButton(QStringLiteral("아니요"), QMessageBox::NoRole);
    box.setEscapeButton(buttons == MessageBoxButtons::YesNoCancel
                            ? box.addButton(QStringLiteral("취소"), QMessageBox::RejectRole)
                            : no);
    box.exec();
    switch (box.buttonRole(box.clickedButton())) {
    case QMessageBox::YesRole:
        return MessageBoxResult::Yes;
    case QMessageBox::NoRole:
        return MessageBoxResult::No;
    default:
        return platform::DecliningAnswer(buttons);
    }
}

}  // namespace nimbo
