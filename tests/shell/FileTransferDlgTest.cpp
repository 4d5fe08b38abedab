// The transfer window on its own: its templates, and what it makes of the
// worker's messages, posted by the test to its window handle.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <ctime>
#include <memory>

#include "platform/WindowMessages.h"
#include "session/AgentSession.h"
#include "shell/CFileTransferDlg.h"
#include "shell/QtMessageThread.h"
#include "tests/shell/Accessibility.h"
#include "tests/shell/DialogScript.h"
#include "tests/shell/MessageBoxRecorder.h"
#include "tests/shell/ScriptedFileChooser.h"
#include "tests/shell/TransferTestSupport.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferProtocol.h"

namespace nimbo::test {
namespace {

using Dlg = CFileTransferDlg;

constexpr std::time_t START = 1000;

class FileTransferDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_files.isValid()); }

    void TearDown() override {
        for (const QPointer<Dlg>& window : m_windows)
            delete window.data();
    }

    Dlg* NewWindow(TransferMode mode) {
        auto* window = new Dlg(mode, TransferServices{&m_session, &m_gui, &m_chooser});
        window->m_strPeerId = QStringLiteral("lee");
        window->SetClock([this] { return m_now; });
        m_windows.append(window);
        return window;
    }

    // A send window for a file of `size` bytes, chosen before it opened.
    Dlg* SendWindow(qint64 size) {
        const QString path = m_files.filePath(QStringLiteral("file.bin"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size));
        file.close();
        Dlg* window = NewWindow(TransferMode::Send);
        window->m_strLocation = path;
        window->m_strFileName = QStringLiteral("file.bin");
        window->Open();
        return window;
    }

    // A receive window still choosing its target (the chooser has no answer).
    Dlg* ReceiveWindow(std::uint32_t size) {
        Dlg* window = NewWindow(TransferMode::Receive);
        window->m_strFileName = QStringLiteral("file.bin");
        window->m_nFileSize = size;
        window->Open();
        return window;
    }

    // Posts a message as the worker does and waits until it was handled.
    void Post(Dlg* window, platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
        ASSERT_TRUE(platform::PostMessage(window->GetSafeHwnd(), message, wParam, lParam));
        bool handled = false;
        m_gui.Queue([&handled] { handled = true; });
        ASSERT_TRUE(RunUntil([&handled] { return handled; }));
    }

    QtMessageThread m_gui;
    AgentSession m_session;
    ScriptedFileChooser m_chooser;
    MessageBoxRecorder m_boxes;
    QTemporaryDir m_files;
    QList<QPointer<Dlg>> m_windows;
    std::time_t m_now = START;
};

struct Placed {
    int id;
    const char* type;
    int x, y, cx, cy;
};

TEST_F(FileTransferDlgTest, BothTemplatesPlaceTheirControlsInDialogUnits) {
    const Placed common[] = {
        {Dlg::IDC_PEER, "QLineEdit", 32, 4, 99, 12},       {Dlg::IDC_FILENAME, "QLineEdit", 32, 41, 99, 12},
        {Dlg::IDC_FILESIZE, "QLineEdit", 32, 60, 99, 12},   {Dlg::IDC_STATUS, "QLineEdit", 46, 78, 85, 12},
        {Dlg::IDC_PROGRESS, "QProgressBar", 4, 97, 127, 8}, {CTemplateDialog::IDCANCEL, "QPushButton", 94, 125, 37, 14},
    };
    const Placed sendOnly[] = {{Dlg::IDC_LOCATION, "QLineEdit", 32, 22, 80, 12},
                               {Dlg::IDC_BROWSE, "QPushButton", 115, 22, 16, 12},
                               {Dlg::IDC_SEND, "QPushButton", 49, 125, 38, 14}};
    const Placed receiveOnly[] = {{Dlg::IDC_LOCATION, "QLineEdit", 32, 22, 99, 12},
                                  {Dlg::IDC_OPEN, "QPushButton", 49, 125, 38, 14}};
    for (TransferMode mode : {TransferMode::Send, TransferMode::Receive}) {
        const bool send = mode == TransferMode::Send;
        Dlg* window = send ? SendWindow(10) : ReceiveWindow(10);
        SCOPED_TRACE(send ? "send" : "receive");
        EXPECT_EQ(window->windowTitle(), send ? QStringLiteral("파일 보내기") : QStringLiteral("파일 받기"));
        // At its template size, which its texts may have widened.
        EXPECT_EQ(window->minimumSize(), window->Units().Size(135, 143));
        window->resize(window->minimumSize());
        std::vector<Placed> expected(std::begin(common), std::end(common));
        if (send)
            expected.insert(expected.end(), std::begin(sendOnly), std::end(sendOnly));
        else
            expected.insert(expected.end(), std::begin(receiveOnly), std::end(receiveOnly));
        for (const Placed& placed : expected) {
            QWidget* control = window->Control(placed.id);
            ASSERT_NE(control, nullptr) << placed.id;
            EXPECT_STREQ(control->metaObject()->className(), placed.type) << placed.id;
            EXPECT_EQ(control->geometry(), window->Units().Rect(placed.x, placed.y, placed.cx, placed.cy)) << placed.id;
            if (auto* edit = qobject_cast<QLineEdit*>(control)) {
                EXPECT_TRUE(edit->isReadOnly()) << placed.id;
            }
        }
        EXPECT_EQ(window->Control(send ? Dlg::IDC_OPEN : Dlg::IDC_BROWSE), nullptr);
        EXPECT_EQ(window->Control(send ? Dlg::IDC_OPEN : Dlg::IDC_SEND), nullptr);
        QStringList labels;
        for (const QLabel* label : window->findChildren<QLabel*>())
            labels.append(label->text());
        EXPECT_EQ(labels,
                  (QStringList{send ? QStringLiteral("받는이:") : QStringLiteral("보낸이:"), QStringLiteral("위치:"),
                               QStringLiteral("파일명:"), QStringLiteral("크기:"), QStringLiteral("전송 상태:")}));
        QStringList buttons;
        for (const QPushButton* button : window->findChildren<QPushButton*>())
            buttons.append(button->text() + (button->isDefault() ? QStringLiteral("*") : QString()));
        EXPECT_EQ(buttons, send ? (QStringList{QStringLiteral("..."), QStringLiteral("보내기*"), QStringLiteral("닫기")})
                                : (QStringList{QStringLiteral("열기*"), QStringLiteral("닫기")}));
        const auto* progress = static_cast<QProgressBar*>(window->Control(Dlg::IDC_PROGRESS));
        EXPECT_EQ(progress->minimum(), 0);
        EXPECT_EQ(progress->maximum(), 100);
        EXPECT_EQ(ShownText(*window, Dlg::IDC_PEER), QStringLiteral("lee"));
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isModal());
    }
}

// As they open, the windows show every text whole, long names and the
// remaining time of a large file among them, name every control and Tab
// walks them as they are laid out.
TEST_F(FileTransferDlgTest, EveryTextShowsWholeAndEveryControlIsNamedInTabOrder) {
    Dlg* send = SendWindow(3000000000);
    Post(send, WM_TRANSFER_START, 0, 0);
    m_now = START + 1;
    Post(send, WM_TRANSFER_PROGRESS, 1000, 1000);
    Dlg* receive = NewWindow(TransferMode::Receive);
    receive->m_strPeerId = QStringLiteral("somebody.with.a.rather.long.id");
    receive->m_strFileName = QStringLiteral("2026년 12월 송년회 사진 모음 - 최종본 (고화질, 원본 크기).zip");
    receive->m_nFileSize = 123456789;
    receive->Open();
    for (Dlg* window : {send, receive}) {
        EXPECT_EQ(CutTexts(*window).join(u'/').toStdString(), "") << window->windowTitle().toStdString();
        EXPECT_EQ(UnnamedControls(*window).join(u'/').toStdString(), "") << window->windowTitle().toStdString();
        EXPECT_EQ(TabStops(*window, StopOrder::Tab).join(u'/').toStdString(),
                  TabStops(*window, StopOrder::Layout).join(u'/').toStdString());
    }
}

TEST_F(FileTransferDlgTest, ProgressShowsBytesOrKilobytesWithTheRemainingTime) {
    Dlg* small = SendWindow(100);
    EXPECT_EQ(ShownText(*small, Dlg::IDC_FILESIZE), QStringLiteral("100Byte"));
    Post(small, WM_TRANSFER_START, 0, 0);
    Post(small, WM_TRANSFER_PROGRESS, 100, 100);
    // Within the second of the start: no remaining time yet.
    EXPECT_EQ(ShownText(*small, Dlg::IDC_STATUS), QStringLiteral("100Bytes / 100Bytes  (남은시간:  )"));

    // The speeds are whole multiples.
    const std::time_t elapsed = 100000;
    const auto bytesAt = [elapsed](std::time_t speed, std::time_t later) {
        return static_cast<platform::WPARAM>(speed * (elapsed + later));
    };
    Dlg* large = SendWindow(1000000);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_FILESIZE), QStringLiteral("976.6KB"));
    Post(large, WM_TRANSFER_START, 0, 0);
    m_now = START + elapsed;
    Post(large, WM_TRANSFER_PROGRESS, bytesAt(5, 0), 500000);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_STATUS), QStringLiteral("488.3KB / 976.6KB  (남은시간:  27:46:40)"));
    EXPECT_EQ(ShownPercent(*large), 50);
    // Once per elapsed second: a faster report in the same second keeps it.
    Post(large, WM_TRANSFER_PROGRESS, bytesAt(9, 0), 600000);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_STATUS), QStringLiteral("585.9KB / 976.6KB  (남은시간:  27:46:40)"));
    EXPECT_EQ(ShownPercent(*large), 60);
    // At 2 bytes per second the estimate is not worth showing.
    m_now = START + elapsed + 1;
    Post(large, WM_TRANSFER_PROGRESS, bytesAt(2, 1), 700000);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_STATUS), QStringLiteral("683.6KB / 976.6KB  (남은시간:  27:46:40)"));
    m_now = START + elapsed + 2;
    Post(large, WM_TRANSFER_PROGRESS, bytesAt(8, 2), 801792);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_STATUS), QStringLiteral("783.0KB / 976.6KB  (남은시간:  6:52:56)"));

    Post(large, WM_TRANSFER_END, 0, TE_SEND_DONE);
    EXPECT_EQ(ShownText(*large, Dlg::IDC_STATUS), QStringLiteral("파일 보내기 완료"));
    EXPECT_EQ(ShownPercent(*large), 100);
    EXPECT_TRUE(IsEnabled(*large, Dlg::IDC_BROWSE));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

// Two transfers side by side each show their own estimate and every one of
// their own percentages; the next file of a window starts its estimate anew.
TEST_F(FileTransferDlgTest, EachWindowKeepsItsOwnEstimateAndPercentage) {
    Dlg* first = SendWindow(1000);
    Dlg* second = SendWindow(2000);
    Post(first, WM_TRANSFER_START, 0, 0);
    Post(second, WM_TRANSFER_START, 0, 0);
    m_now = START + 100;
    Post(first, WM_TRANSFER_PROGRESS, 500, 500);
    Post(second, WM_TRANSFER_PROGRESS, 400, 1000);
    EXPECT_EQ(ShownText(*first, Dlg::IDC_STATUS), QStringLiteral("500Bytes / 1000Bytes  (남은시간:  0:01:40)"));
    EXPECT_EQ(ShownText(*second, Dlg::IDC_STATUS), QStringLiteral("1.0KB / 2.0KB  (남은시간:  0:04:10)"));
    EXPECT_EQ(ShownPercent(*first), 50);
    EXPECT_EQ(ShownPercent(*second), 50);

    Post(first, WM_TRANSFER_END, 0, TE_SEND_DONE);
    Post(first, WM_TRANSFER_START, 0, 0);
    m_now = START + 101;
    Post(first, WM_TRANSFER_PROGRESS, 10, 10);
    EXPECT_EQ(ShownText(*first, Dlg::IDC_STATUS), QStringLiteral("10Bytes / 1000Bytes  (남은시간:  0:01:39)"));
    EXPECT_EQ(ShownPercent(*first), 1);
}

TEST_F(FileTransferDlgTest, EveryEndCodeGetsItsReaction) {
    struct Case {
        TransferMode mode;
        platform::LPARAM code;
        const char16_t* message;  // nullptr: none
        bool closes;
        const char* status;       // the status left in an open window
    };
    const Case cases[] = {
        {TransferMode::Send, TE_SEND_BROKEN,
         u"상대방이 파일 받기를 중단하였거나 네트워크 장애로 인하여\n파일 보내기가 중단되었습니다.\n", true, ""},
        {TransferMode::Receive, TE_RECV_BROKEN,
         u"상대방이 파일 보내기를 중단하였거나 네트워크 장애로 인하여\n파일 받기가 중단되었습니다.\n\n"
         u"(다시 파일을 받을때 수신중이었던 파일을 수신 파일로 지정하면\n이어받기가 가능합니다.)",
         true, ""},
        {TransferMode::Send, TE_SEND_CLOSED, nullptr, true, ""},
        {TransferMode::Receive, TE_RECV_CLOSED, nullptr, true, ""},
        {TransferMode::Send, TE_REFUSED, u"상대방은 파일을 수신할 수 없는 상태입니다.", true, ""},
        {TransferMode::Receive, TE_RECV_DONE, nullptr, false, "파일 받기 완료"},
        {TransferMode::Receive, 9, nullptr, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TransferEndName(c.code));
        QPointer<Dlg> window = c.mode == TransferMode::Send ? SendWindow(10) : ReceiveWindow(10);
        const platform::HWND handle = window->GetSafeHwnd();
        const std::size_t before = m_boxes.Count();
        Post(window, WM_TRANSFER_END, 0, c.code);
        if (c.message != nullptr) {
            ASSERT_EQ(m_boxes.Count(), before + 1);
            EXPECT_EQ(m_boxes.Texts().back(), c.message);
        } else {
            EXPECT_EQ(m_boxes.Count(), before);
        }
        EXPECT_EQ(platform::IsWindow(handle), !c.closes);
        if (c.closes) {
            EXPECT_TRUE(window.isNull() || (window->IsClosed() && !window->isVisible()));
        } else {
            ASSERT_FALSE(window.isNull());
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(ShownText(*window, Dlg::IDC_STATUS), QString::fromUtf8(c.status));
            EXPECT_FALSE(IsEnabled(*window, Dlg::IDC_OPEN));
        }
    }
}

TEST_F(FileTransferDlgTest, AnEmptyFileIsNotOffered) {
    Dlg* window = SendWindow(0);
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILESIZE), QStringLiteral("0Byte"));
    Press(*window, Dlg::IDC_SEND);
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::u16string>{u"파일 크기가 0인 파일은 전송할 수 없습니다."});
    EXPECT_TRUE(IsEnabled(*window, Dlg::IDC_SEND));
    EXPECT_TRUE(IsEnabled(*window, Dlg::IDC_BROWSE));
    EXPECT_TRUE(ShownText(*window, Dlg::IDC_STATUS).isEmpty());
}

// A file of 4 GiB or more cannot be offered: the user is told as soon as it
// is chosen, its own size is shown, and "보내기" stays disabled.
TEST_F(FileTransferDlgTest, AFileOf4GiBOrMoreIsRefusedAsSoonAsItIsChosen) {
    const QString huge = m_files.filePath(QStringLiteral("huge.bin"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize((qint64{4} << 30) + 100));
    file.close();
    Dlg* window = SendWindow(100);
    ASSERT_TRUE(IsEnabled(*window, Dlg::IDC_SEND));
    Press(*window, Dlg::IDC_BROWSE);
    m_chooser.Answer(huge);
    ASSERT_TRUE(RunUntil([&] { return m_boxes.Count() == 1; }));
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::u16string>{u"4GB 이상인 파일은 전송할 수 없습니다."});
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILESIZE), QStringLiteral("4194304.0KB"));
    EXPECT_FALSE(IsEnabled(*window, Dlg::IDC_SEND));
    EXPECT_TRUE(IsEnabled(*window, Dlg::IDC_BROWSE));
}

}  // namespace
}  // namespace nimbo::test
