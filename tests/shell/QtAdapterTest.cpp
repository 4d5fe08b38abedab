#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "shell/QtMessageBoxHandler.h"
#include "shell/QtMessageThread.h"

namespace nimbo {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxResult;

TEST(QtMessageThreadTest, QueuedCallsRunInOrderOnTheGuiThread) {
    QtMessageThread gui;
    QEventLoop loop;
    std::vector<int> order;
    std::vector<bool> onGui;
    bool workerIsCurrent = true;

    std::thread worker([&] {
        workerIsCurrent = gui.IsCurrentThread();
        for (int i = 0; i < 3; ++i) {
            gui.Queue([&, i] {
                order.push_back(i);
                onGui.push_back(gui.IsCurrentThread() && QThread::currentThread() == qApp->thread());
                if (i == 2) {
                    loop.quit();
                }
            });
        }
    });
    EXPECT_TRUE(order.empty());  // nothing runs outside the event loop
    loop.exec();
    worker.join();

    EXPECT_TRUE(gui.IsCurrentThread());
    EXPECT_FALSE(workerIsCurrent);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(onGui, (std::vector<bool>{true, true, true}));
}

// A window whose handler records each message and the thread it ran on.
class RecordingWindow : public platform::IMessageHandler {
public:
    explicit RecordingWindow(QEventLoop& loop) : m_loop(loop) {}

    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM) override {
        messages.push_back(message);
        onGui.push_back(QThread::currentThread() == qApp->thread());
        if (message == LAST) {
            m_loop.quit();
        }
        return static_cast<platform::LRESULT>(wParam * 10);
    }

    static constexpr platform::UINT LAST = platform::WM_USER + 18;
    std::vector<platform::UINT> messages;
    std::vector<bool> onGui;

private:
    QEventLoop& m_loop;
};

TEST(QtMessageThreadTest, GuiWindowTakesPostsAndSendsFromAWorkerInOrder) {
    QtMessageThread gui;
    QEventLoop loop;
    RecordingWindow recorder(loop);
    const platform::HWND window = platform::CreateWindowHandle(recorder, gui);
    bool sent = false;
    platform::LRESULT answer = 0;

    std::thread worker([&] {
        platform::PostMessage(window, platform::WM_USER + 11, 0, 0);
        sent = platform::SendMessage(window, platform::WM_USER + 12, 4, 0, &answer);
        platform::PostMessage(window, RecordingWindow::LAST, 0, 0);
    });
    loop.exec();
    worker.join();
    platform::DestroyWindowHandle(window);

    EXPECT_TRUE(sent);
    EXPECT_EQ(answer, 40);
    EXPECT_EQ(recorder.messages,
              (std::vector<platform::UINT>{platform::WM_USER + 11, platform::WM_USER + 12, RecordingWindow::LAST}));
    EXPECT_EQ(recorder.onGui, (std::vector<bool>{true, true, true}));
}

TEST(QtMessageThreadTest, CallsQueuedBehindANestedLoopRunInsideIt) {
    QtMessageThread gui;
    QEventLoop outer;
    std::vector<int> order;
    std::thread worker([&] {
        gui.Queue([&] {
            order.push_back(1);
            QEventLoop nested;  // as a modal dialog runs one
            gui.Queue([&] { nested.quit(); });
            nested.exec();
            order.push_back(3);
            outer.quit();
        });
        gui.Queue([&] { order.push_back(2); });
    });
    worker.join();  // both calls wait in the queue before the loop runs
    outer.exec();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(QtMessageThreadTest, CallsQueuedOnTheGuiThreadWaitForTheLoop) {
    QtMessageThread gui;
    bool ran = false;
    gui.Queue([&] { ran = true; });
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

// Answers the next message box that opens by clicking the button `answer`,
// after handing the box to `inspect`.
void AnswerNextBox(const QString& answer, const std::function<void(QMessageBox&)>& inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        inspect(*box);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == answer) {
                button->click();
            }
        }
    });
    poll->start(5);
}

TEST(QtMessageBoxHandlerTest, BoxFromAWorkerBlocksItUntilTheUserAnswers) {
    std::atomic<bool> returned{false};
    MessageBoxResult result = MessageBoxResult::Ok;
    QEventLoop loop;
    QStringList buttons;
    bool workerWaitedForAnswer = false;

    AnswerNextBox(QStringLiteral("예"), [&](QMessageBox& box) {
        EXPECT_EQ(box.text(), QStringLiteral("파일을 받으시겠습니까?"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("님보"));
        for (QAbstractButton* button : box.buttons()) {
            buttons << button->text();
        }
        workerWaitedForAnswer = !returned.load();
    });
    QtMessageThread gui;
    const platform::MessageBoxHandler previous = platform::SetMessageBoxHandler(QtMessageBoxHandler(gui));
    std::thread worker([&] {
        result = platform::ShowMessageBox(u"파일을 받으시겠습니까?", MessageBoxButtons::YesNo);
        returned = true;
        gui.Queue([&] { loop.quit(); });
    });
    loop.exec();
    worker.join();
    platform::SetMessageBoxHandler(previous);

    EXPECT_TRUE(workerWaitedForAnswer);
    EXPECT_EQ(result, MessageBoxResult::Yes);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("아니요"), QStringLiteral("예")}));
}

TEST(QtMessageBoxHandlerTest, NoAnswerFromTheGuiThreadAndOkBoxWithCaption) {
    QtMessageThread gui;
    const QtMessageBoxHandler handler(gui);
    AnswerNextBox(QStringLiteral("아니요"), [](QMessageBox&) {});
    EXPECT_EQ(handler(u"덮어쓸까요?", u"", MessageBoxButtons::YesNo), MessageBoxResult::No);

    QString caption;
    AnswerNextBox(QStringLiteral("확인"), [&](QMessageBox& box) { caption = box.windowTitle(); });
    EXPECT_EQ(handler(u"전송을 마쳤습니다.", u"파일 전송", MessageBoxButtons::Ok), MessageBoxResult::Ok);
    EXPECT_EQ(caption, QStringLiteral("파일 전송"));
}

TEST(QtMessageBoxHandlerTest, ThreeWayQuestionTellsEachAnswerAndEscapeCancels) {
    QtMessageThread gui;
    const QtMessageBoxHandler handler(gui);
    QStringList buttons;
    AnswerNextBox(QStringLiteral("예"), [&](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons()) {
            buttons << button->text();
        }
    });
    EXPECT_EQ(handler(u"이어서 받으시겠습니까?", u"", MessageBoxButtons::YesNoCancel), MessageBoxResult::Yes);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("아니요"), QStringLiteral("예"), QStringLiteral("취소")}));
    AnswerNextBox(QStringLiteral("아니요"), [](QMessageBox&) {});
    EXPECT_EQ(handler(u"이어서 받으시겠습니까?", u"", MessageBoxButtons::YesNoCancel), MessageBoxResult::No);
    AnswerNextBox(QStringLiteral("취소"), [](QMessageBox&) {});
    EXPECT_EQ(handler(u"이어서 받으시겠습니까?", u"", MessageBoxButtons::YesNoCancel), MessageBoxResult::Cancel);
    AnswerNextBox(QString(), [](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(handler(u"이어서 받으시겠습니까?", u"", MessageBoxButtons::YesNoCancel), MessageBoxResult::Cancel);
    AnswerNextBox(QString(), [](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(handler(u"덮어쓸까요?", u"", MessageBoxButtons::YesNo), MessageBoxResult::No);
}

// A GUI thread whose queue is gone: every call is dropped unrun.
class GoneThread : public platform::IMessageThread {
public:
    void Queue(std::function<void()> call) override { call = nullptr; }
    bool IsCurrentThread() const override { return false; }
};

TEST(QtMessageBoxHandlerTest, BoxThatIsNeverShownOrAskedOfAClosedHandlerCountsAsDismissed) {
    GoneThread gone;
    const QtMessageBoxHandler handler(gone);
    EXPECT_EQ(handler(u"파일을 받으시겠습니까?", u"", MessageBoxButtons::YesNo), MessageBoxResult::No);
    EXPECT_EQ(handler(u"이어서 받으시겠습니까?", u"", MessageBoxButtons::YesNoCancel), MessageBoxResult::Cancel);
    EXPECT_EQ(handler(u"전송을 마쳤습니다.", u"", MessageBoxButtons::Ok), MessageBoxResult::Ok);
    // A closed handler, through any of its copies, even on the GUI thread.
    QtMessageThread gui;
    const QtMessageBoxHandler closed(gui);
    const QtMessageBoxHandler copy = closed;
    closed.Close();
    EXPECT_EQ(copy(u"파일을 받으시겠습니까?", u"", MessageBoxButtons::YesNo), MessageBoxResult::No);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace nimbo
