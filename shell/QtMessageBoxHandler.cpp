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

MessageBoxResult QtMessageBoxHandler::operator()(const std::u16string& text, const std::u16string& caption,
                                                 MessageBoxButtons buttons) const {
    if (m_gui->IsCurrentThread()) {
        return ShowHere(text, caption, buttons);
    }
    auto pending = std::make_shared<PendingAnswer>(platform::DecliningAnswer(buttons));
    m_gui->Queue([release = std::make_shared<AnswerRelease>(pending), text, caption, buttons] {
        release->Answer(ShowHere(text, caption, buttons));
    });
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
