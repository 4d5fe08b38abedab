#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <functional>

#include "session/AgentSession.h"
#include "shell/CAboutDlg.h"
#include "shell/CLoginDlg.h"
#include "shell/CNoteDlg.h"
#include "shell/NoteFlow.h"
#include "shell/SessionWorker.h"
#include "shell/StatusMessageDlg.h"
#include "shell/QtMessageThread.h"
#include "tests/shell/Accessibility.h"

namespace nimbo {
namespace {

constexpr int IDOK = CTemplateDialog::IDOK;
constexpr int IDCANCEL = CTemplateDialog::IDCANCEL;

// Runs the dialog modally; `interact` runs once it is on screen and must end it.
int RunModal(CTemplateDialog& dialog, const std::function<void()>& interact) {
    QTimer::singleShot(0, &dialog, interact);
    return dialog.DoModal();
}

QStringList StaticTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

// The static whose text is `text`, as placed in dialog units.
QRect StaticRect(const QWidget& dialog, const QString& text) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text) {
            return label->geometry();
        }
    }
    return {};
}

template <class Widget>
Widget* ControlAs(const CTemplateDialog& dialog, int id) {
    auto* control = qobject_cast<Widget*>(dialog.Control(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

// Types `text` key by key, as a keyboard with any layout would.
void Type(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

void Click(const CTemplateDialog& dialog, int id) {
    QTest::mouseClick(ControlAs<QPushButton>(dialog, id), Qt::LeftButton);
}

TEST(DialogUnitsTest, ScaleWithTheFontAndShareTemplateEdges) {
    const DialogUnits small(DialogUnits::TemplateFont(QStringLiteral("System"), 8));
    const DialogUnits large(DialogUnits::TemplateFont(QStringLiteral("System"), 16));
    EXPECT_GT(small.BaseWidth(), 0);
    // Twice the font size, nearly twice the size on screen.
    EXPECT_NEAR(large.X(400), 2 * small.X(400), small.X(400) / 5);
    EXPECT_NEAR(large.Y(400), 2 * small.Y(400), small.Y(400) / 5);
    // Controls that touch in the template touch on screen, whatever the rounding.
    EXPECT_EQ(small.Rect(7, 7, 15, 8).right() + 1, small.Rect(22, 7, 10, 8).left());
    EXPECT_EQ(small.Rect(7, 7, 15, 8).bottom() + 1, small.Rect(7, 15, 15, 8).top());
}

TEST(DialogUnitsTest, MissingTemplateFontFallsBackToAnInstalledKoreanFont) {
    const QFont system = DialogUnits::TemplateFont(QStringLiteral("System"), 8);
    const QFont gulim = DialogUnits::TemplateFont(QStringLiteral("굴림"), 9);
    EXPECT_EQ(system.family(), QStringLiteral("NanumGothic"));
    EXPECT_EQ(system.pointSize(), 8);
    EXPECT_EQ(gulim.family(), QStringLiteral("NanumGothic"));
    EXPECT_EQ(gulim.pointSize(), 9);
}

TEST(LoginDlgTest, MatchesTemplate135) {
    CLoginDlg dialog;
    const DialogUnits& du = dialog.Units();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("로그인"));
    EXPECT_EQ(dialog.size(), du.Size(125, 73));
    EXPECT_EQ(StaticTexts(dialog), (QStringList{QStringLiteral("ID : "), QStringLiteral("Password : ")}));
    EXPECT_EQ(StaticRect(dialog, QStringLiteral("Password : ")), du.Rect(7, 31, 38, 8));

    auto* userId = ControlAs<QComboBox>(dialog, CLoginDlg::IDC_USER_ID);
    EXPECT_TRUE(userId->isEditable());
    EXPECT_EQ(userId->geometry().topLeft(), du.Rect(45, 7, 73, 30).topLeft());
    EXPECT_EQ(userId->width(), du.X(45 + 73) - du.X(45));
    EXPECT_EQ(userId->count(), 0);

    auto* password = ControlAs<QLineEdit>(dialog, CLoginDlg::IDC_PASSWORD);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->geometry(), du.Rect(45, 28, 73, 14));

    auto* ok = ControlAs<QPushButton>(dialog, IDOK);
    auto* cancel = ControlAs<QPushButton>(dialog, IDCANCEL);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), du.Rect(7, 52, 50, 14));
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_EQ(cancel->geometry(), du.Rect(68, 52, 50, 14));
}

TEST(LoginDlgTest, ShowsTheFieldsAndReturnsWhatWasTypedOnOk) {
    CLoginDlg dialog;
    dialog.m_strUserId = QStringLiteral("kim");
    dialog.m_strPassword = QStringLiteral("secret");
    const int result = RunModal(dialog, [&] {
        auto* userId = ControlAs<QComboBox>(dialog, CLoginDlg::IDC_USER_ID);
        auto* password = ControlAs<QLineEdit>(dialog, CLoginDlg::IDC_PASSWORD);
        EXPECT_EQ(userId->currentText(), QStringLiteral("kim"));
        EXPECT_EQ(password->text(), QStringLiteral("secret"));
        EXPECT_TRUE(dialog.focusWidget() == userId || dialog.focusWidget() == userId->lineEdit());
        userId->lineEdit()->setText(QStringLiteral("lee"));
        password->clear();
        Type(password, QStringLiteral("새 암호"));
        QTest::keyClick(password, Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.m_strUserId, QStringLiteral("lee"));
    EXPECT_EQ(dialog.m_strPassword, QStringLiteral("새 암호"));
}

TEST(LoginDlgTest, CancelKeepsTheFields) {
    CLoginDlg dialog;
    dialog.m_strUserId = QStringLiteral("kim");
    const int result = RunModal(dialog, [&] {
        ControlAs<QComboBox>(dialog, CLoginDlg::IDC_USER_ID)->lineEdit()->setText(QStringLiteral("lee"));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(dialog.m_strUserId, QStringLiteral("kim"));
    EXPECT_EQ(dialog.m_strPassword, QString());
}

struct NoteTexts {
    NoteTemplate which;
    const char16_t* title;
    const char16_t* label;
    const char16_t* ok;
    const char16_t* cancel;
    int timeLine;  // the units a received note's time line adds
};

class NoteDlgTemplateTest : public ::testing::TestWithParam<NoteTexts> {};

TEST_P(NoteDlgTemplateTest, MatchesItsTemplate) {
    const NoteTexts& texts = GetParam();
    CNoteDlg dialog(texts.which);
    const DialogUnits& du = dialog.Units();
    const int shift = texts.timeLine;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(texts.title));
    EXPECT_EQ(dialog.size(), du.Size(125, 101 + shift));
    EXPECT_EQ(dialog.minimumSize(), dialog.size());
    EXPECT_GT(dialog.maximumSize().width(), dialog.width());
    EXPECT_EQ(StaticRect(dialog, QString::fromUtf16(texts.label)), du.Rect(7, 7, 32, 8));
    EXPECT_EQ(ControlAs<QLabel>(dialog, CNoteDlg::IDC_NAME)->geometry(), du.Rect(42, 7, 76, 8));
    EXPECT_EQ(dialog.Control(CNoteDlg::IDC_TIME) != nullptr, texts.which == NoteTemplate::Receive);

    auto* text = ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT);
    EXPECT_EQ(text->geometry(), du.Rect(7, 23 + shift, 111, 48));
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);

    auto* ok = ControlAs<QPushButton>(dialog, IDOK);
    EXPECT_EQ(ok->text(), QString::fromUtf16(texts.ok));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), du.Rect(7, 80 + shift, 50, 14));
    auto* cancel = ControlAs<QPushButton>(dialog, IDCANCEL);
    EXPECT_EQ(cancel->text(), QString::fromUtf16(texts.cancel));
    EXPECT_EQ(cancel->geometry(), du.Rect(68, 80 + shift, 50, 14));
}

// Made larger, the note takes the room and the buttons stay at the bottom;
// it never gets smaller than its template.
TEST_P(NoteDlgTemplateTest, GrowsWithTheWindowAndWrapsTheNote) {
    CNoteDlg dialog(GetParam().which);
    dialog.m_strText = QStringLiteral("한 줄로 길게 쓴 쪽지는 창의 너비에서 줄이 바뀌어 옆으로 밀리지 않고 모두 보입니다.");
    const QSize smallest = dialog.size();
    auto* text = ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT);
    auto* name = ControlAs<QLabel>(dialog, CNoteDlg::IDC_NAME);
    auto* ok = ControlAs<QPushButton>(dialog, IDOK);
    const QRect textAt = text->geometry();
    const QRect nameAt = name->geometry();
    const QRect okAt = ok->geometry();

    RunModal(dialog, [&] {
        const int lines = text->document()->firstBlock().layout()->lineCount();
        EXPECT_GT(lines, 1);
        dialog.resize(smallest + QSize(120, 80));
        EXPECT_EQ(text->geometry(), textAt.adjusted(0, 0, 120, 80));
        EXPECT_EQ(name->geometry(), nameAt.adjusted(0, 0, 120, 0));
        EXPECT_EQ(ok->geometry(), okAt.translated(0, 80));
        EXPECT_LT(text->document()->firstBlock().layout()->lineCount(), lines);
        dialog.resize(10, 10);
        EXPECT_EQ(dialog.size(), smallest);
        EXPECT_EQ(text->geometry(), textAt);
        dialog.reject();
    });
}

INSTANTIATE_TEST_SUITE_P(
    Templates, NoteDlgTemplateTest,
    ::testing::Values(NoteTexts{NoteTemplate::Send, u"쪽지 보내기", u"받는이 : ", u"보내기", u"취소", 0},
                      NoteTexts{NoteTemplate::Receive, u"쪽지 받기", u"보낸이 : ", u"답장", u"닫기", 10}));

// Ctrl+Enter, on either Enter key, leaves with OK; the keys add no line.
TEST(NoteDlgTest, CtrlEnterPressesTheDefaultButton) {
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        CNoteDlg dialog(NoteTemplate::Send);
        const int result = RunModal(dialog, [&] {
            auto* text = ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT);
            Type(text, QStringLiteral("곧 갈게"));
            QTest::keyClick(text, enter, Qt::ControlModifier);
            if (dialog.isVisible()) {
                dialog.reject();
            }
        });
        EXPECT_EQ(result, QDialog::Accepted) << enter;
        EXPECT_EQ(dialog.m_strText, QStringLiteral("곧 갈게"));
    }
}

TEST(NoteDlgTest, EnterInTheNoteStartsANewLineAndOkReturnsTheNote) {
    CNoteDlg dialog(NoteTemplate::Send);
    dialog.m_strName = QStringLiteral("kim");
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(ControlAs<QLabel>(dialog, CNoteDlg::IDC_NAME)->text(), QStringLiteral("kim"));
        auto* text = ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT);
        EXPECT_EQ(dialog.focusWidget(), text);
        Type(text, QStringLiteral("안녕"));
        QTest::keyClick(text, Qt::Key_Return);
        Type(text, QStringLiteral("hi"));
        EXPECT_TRUE(dialog.isVisible());
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.m_strName, QStringLiteral("kim"));
    EXPECT_EQ(dialog.m_strText, QStringLiteral("안녕\r\nhi"));
}

TEST(NoteDlgTest, ReceivedNoteIsShownWithItsLineBreaks) {
    CNoteDlg dialog(NoteTemplate::Receive);
    dialog.m_strName = QStringLiteral("lee");
    dialog.m_strText = QStringLiteral("첫 줄\r\n둘째 줄");
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(ControlAs<QLabel>(dialog, CNoteDlg::IDC_NAME)->text(), QStringLiteral("lee"));
        EXPECT_EQ(ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT)->document()->blockCount(), 2);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(dialog.m_strText, QStringLiteral("첫 줄\r\n둘째 줄"));
}

TEST(NoteDlgTest, NotSentNoticeAppearsBetweenTheNoteAndTheButtons) {
    CNoteDlg dialog(NoteTemplate::Send);
    dialog.m_strName = QStringLiteral("kim");
    dialog.m_strText = QStringLiteral("다시 보낼 쪽지");
    const QSize plainSize = dialog.size();
    dialog.ShowNotSentNotice(QStringLiteral("서버(h)에 연결할 수 없습니다."));

    const QRect notice = StaticRect(dialog, QStringLiteral("쪽지를 보내지 못했습니다. 서버(h)에 연결할 수 없습니다."));
    const QRect text = ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT)->geometry();
    const QRect ok = ControlAs<QPushButton>(dialog, IDOK)->geometry();
    ASSERT_TRUE(notice.isValid());
    EXPECT_GT(notice.top(), text.bottom());
    EXPECT_LT(notice.bottom(), ok.top());
    EXPECT_LT(ok.bottom(), dialog.height());
    EXPECT_GT(dialog.height(), plainSize.height());

    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(ControlAs<QPlainTextEdit>(dialog, CNoteDlg::IDC_TEXT)->toPlainText(), QStringLiteral("다시 보낼 쪽지"));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.m_strText, QStringLiteral("다시 보낼 쪽지"));
}

TEST(NoteDlgTest, WithoutAFailureThereIsNoNotice) {
    CNoteDlg dialog(NoteTemplate::Send);
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("쪽지를 보내지"))) {
            EXPECT_TRUE(label->isHidden());
        }
    }
}

TEST(NoteFlowTest, ReceivedNoteShowsWhenItArrived) {
    AgentSession session;
    QtMessageThread gui;
    SessionWorker worker(gui);
    NoteFlow flow(session, worker, nullptr);
    auto record = std::make_unique<PeerCallRecord>(PeerCallRecord{u"lee", u"instmsg", u"밥 먹자"});
    const QDateTime arrived(QDate(2026, 12, 9), QTime(15, 5, 42));
    record->receivedAt = std::chrono::system_clock::time_point(std::chrono::seconds(arrived.toSecsSinceEpoch()));
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CNoteDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown << ControlAs<QLabel>(*dialog, CNoteDlg::IDC_NAME)->text()
              << ControlAs<QLabel>(*dialog, CNoteDlg::IDC_TIME)->text();
        dialog->reject();
    });
    flow.ShowReceivedNote(std::move(record));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("lee"), QStringLiteral("2026-12-09 오후 3:05")}));
}

// A screen reader names every control and says what each field is for; Tab
// walks the controls as they are laid out.
TEST(DialogAccessibilityTest, ControlsAreNamedAndTabFollowsTheLayout) {
    CLoginDlg login;
    login.m_strUserId = QStringLiteral("kim");
    CNoteDlg send(NoteTemplate::Send);
    send.m_strName = QStringLiteral("lee");
    CNoteDlg receive(NoteTemplate::Receive);
    receive.m_strName = QStringLiteral("이서연(lee)");
    receive.m_strTime = QStringLiteral("2026-12-09 오후 3:05");
    receive.m_strText = QStringLiteral("안녕");
    CAboutDlg about(QStringLiteral("kim"), QStringLiteral("192.0.2.7"));
    StatusMessageDlg status;
    for (CTemplateDialog* dialog : std::initializer_list<CTemplateDialog*>{&login, &send, &receive, &about, &status}) {
        RunModal(*dialog, [&] {
            EXPECT_EQ(test::UnnamedControls(*dialog).join(u'/').toStdString(), "") << dialog->windowTitle().toStdString();
            EXPECT_EQ(test::TabStops(*dialog, test::StopOrder::Tab).join(u'/').toStdString(),
                      test::TabStops(*dialog, test::StopOrder::Layout).join(u'/').toStdString());
            dialog->reject();
        });
    }
}

TEST(AboutDlgTest, MatchesTemplate100AndShowsUserIdAndAddress) {
    CAboutDlg dialog(QStringLiteral("kim"), QStringLiteral("192.0.2.7"));
    const DialogUnits& du = dialog.Units();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("님보(Nimbo) 정보"));
    EXPECT_EQ(dialog.size(), du.Size(148, 87));
    EXPECT_TRUE(dialog.findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(StaticRect(dialog, QStringLiteral("님보(Nimbo) 버전 1.0")).topLeft(), du.Rect(42, 10, 0, 0).topLeft());
    EXPECT_EQ(StaticRect(dialog, QStringLiteral("User ID : ")).topLeft(), du.Rect(7, 60, 0, 0).topLeft());
    EXPECT_EQ(StaticRect(dialog, QStringLiteral("IP Address : ")).topLeft(), du.Rect(7, 72, 0, 0).topLeft());

    auto* icon = ControlAs<QLabel>(dialog, CAboutDlg::IDC_ICON);
    EXPECT_EQ(icon->geometry().topLeft(), du.Rect(11, 17, 0, 0).topLeft());
    EXPECT_FALSE(icon->pixmap().isNull());

    RunModal(dialog, [&] {
        auto* userId = ControlAs<QLabel>(dialog, CAboutDlg::IDC_USER_ID);
        auto* address = ControlAs<QLabel>(dialog, CAboutDlg::IDC_ADDRESS);
        EXPECT_EQ(userId->text(), QStringLiteral("kim"));
        EXPECT_EQ(userId->geometry(), du.Rect(52, 59, 62, 8));
        EXPECT_EQ(address->text(), QStringLiteral("192.0.2.7"));
        EXPECT_EQ(address->geometry(), du.Rect(52, 72, 62, 8));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace nimbo
