#include "shell/QtMessageBoxHandler.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "shell/ResourceStrings.h"

namespace nimbo {

using platform::MessageBoxButtons;
using platform::MessageBoxResult;

namespace {

MessageBoxResult Dismissed(MessageBoxButtons buttons) {
    return buttons == MessageBoxButtons::YesNo ? MessageBoxResult::No : MessageBoxResult::Ok;
}

}  // namespace

MessageBoxResult QtMessageBoxHandler::operator()(const std::u16string& text, const std::u16string& caption,
                                                 MessageBoxButtons buttons) const {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return Dismissed(buttons);
    }
    if (QThread::currentThread() == application->thread()) {
        return ShowOnGuiThread(text, caption, buttons);
    }
    // A call that never runs (the application quits first) leaves the answer
    // at "dismissed" and still releases this thread.
    MessageBoxResult result = Dismissed(buttons);
    QMetaObject::invokeMethod(
        application, [&] { result = ShowOnGuiThread(text, caption, buttons); }, Qt::BlockingQueuedConnection);
    return result;
}

MessageBoxResult QtMessageBoxHandler::ShowOnGuiThread(const std::u16string& text, const std::u16string& caption,
                                                      MessageBoxButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.empty() ? LoadResourceString(AFX_IDS_APP_TITLE) : QString::fromStdU16String(caption));
    box.setText(QString::fromStdU16String(text));
    if (buttons == MessageBoxButtons::YesNo) {
        box.setDefaultButton(box.addButton(QStringLiteral("예"), QMessageBox::YesRole));
        box.setEscapeButton(box.addButton(QStringLiteral("아니요"), QMessageBox::NoRole));
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole));
    }
    box.exec();
    if (buttons == MessageBoxButtons::Ok) {
        return MessageBoxResult::Ok;
    }
    return box.buttonRole(box.clickedButton()) == QMessageBox::YesRole ? MessageBoxResult::Yes : MessageBoxResult::No;
}

}  // namespace nimbo
