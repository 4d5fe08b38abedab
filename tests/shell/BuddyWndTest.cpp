// The buddy window against the reference server: the list as the user sees
// it, notes both ways, the file transfer hand-over and the about dialog.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <ostream>

#include "shell/CAboutDlg.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CNoteDlg.h"
#include "shell/CommandIds.h"
#include "shell/IFileTransferHook.h"
#include "tests/support/TestAgentd.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/BuddyClient.h"
#include "tests/shell/MessageBoxRecorder.h"
#include "net/AgentProtocol.h"

namespace nimbo::test {
namespace {

using Rows_t = std::vector<std::string>;

const QString PASSWORD = QString::fromLatin1(TestAgentd::DEMO_PASSWORD);

// What a note dialog shows.
struct NoteShown {
    QString title;
    QString name;
    QString text;
    QString notSentNotice = QString();

    bool operator==(const NoteShown&) const = default;
};

void PrintTo(const NoteShown& shown, std::ostream* out) {
    *out << '{' << shown.title.toStdString() << ", " << shown.name.toStdString() << ", \""
         << shown.text.toStdString() << "\", " << shown.notSentNotice.toStdString() << '}';
}

const QString SEND_TITLE = QStringLiteral("쪽지 보내기");
const QString RECEIVE_TITLE = QStringLiteral("쪽지 받기");

NoteShown ShownIn(CTemplateDialog& dialog) {
    NoteShown shown;
    shown.title = dialog.windowTitle();
    shown.name = static_cast<QLabel*>(dialog.Control(CNoteDlg::IDC_NAME))->text();
    shown.text = static_cast<QPlainTextEdit*>(dialog.Control(CNoteDlg::IDC_TEXT))->toPlainText();
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().startsWith(QStringLiteral("쪽지를 보내지 못했습니다.")))
            shown.notSentNotice = label->text();
    }
    return shown;
}

class BuddyWndTest : public AppFixture {
protected:
    // The reference server on `address`, the application signed in as kim.
    void StartSignedIn(const std::string& address) {
        m_server = std::make_unique<TestAgentd>(address);
        StartApp(address);
        LogIn(QStringLiteral("kim"), PASSWORD);
    }

    BuddyClient Buddy(const std::string& id) const { return BuddyClient(m_server->Address(), id, "nimbo"); }

    // Taps the row as a user does, at the middle of its first column.
    void Tap(int index) {
        CBuddyListCtrl& list = Wnd().List();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.IndexOf(index)).center());
    }

    std::unique_ptr<TestAgentd> m_server;
};

TEST_F(BuddyWndTest, ListShowsGroupsPresenceAndStatusMessages) {
    m_server = std::make_unique<TestAgentd>("127.0.11.10");
    ASSERT_TRUE(Buddy("lee").SetStatus("busy", "회의 중"));
    ASSERT_TRUE(Buddy("park").SetStatus("offline", "휴가 중"));
    ASSERT_TRUE(Buddy("choi").SetStatus("online", ""));
    ASSERT_TRUE(Buddy("jung").SetStatus("food", "점심"));
    ASSERT_TRUE(Buddy("kang").SetStatus("absence", ""));
    StartApp("127.0.11.10");
    LogIn(QStringLiteral("kim"), PASSWORD);

    // Sorted groups, the blocked group's yoon nowhere, kang after every
    // group without a header or indent, offline park without his message.
    EXPECT_EQ(Rows(), (Rows_t{"[1]친구", "[6]> 이서연(lee) | 회의 중", "[3]> 박지훈(park)", "[1]회사",
                              "[2]> 최유진(choi)", "[4]> 정하늘(jung) | 점심", "[6]> 이서연(lee) | 회의 중",
                              "[5] 강도윤(kang)"}));
    EXPECT_TRUE(Wnd().List().selectionModel()->isRowSelected(0));
}

TEST_F(BuddyWndTest, TappingAGroupFoldsAndUnfoldsItAndABuddyOpensTheMenu) {
    StartSignedIn("127.0.11.11");
    const Rows_t all = Rows();
    ASSERT_EQ(all.size(), 8u);

    Tap(3);  // "회사"
    EXPECT_EQ(Rows(), (Rows_t{all[0], all[1], all[2], "[0]회사", all[7]}));
    EXPECT_TRUE(Wnd().List().selectionModel()->isRowSelected(0));
    EXPECT_FALSE(Frame().BuddyMenu()->isVisible());

    Tap(3);
    EXPECT_EQ(Rows(), all);

    Tap(2);  // park
    EXPECT_TRUE(RunUntil([&] { return Frame().BuddyMenu()->isVisible(); }));
    EXPECT_TRUE(Wnd().List().selectionModel()->isRowSelected(2));
    Frame().BuddyMenu()->hide();
    EXPECT_EQ(Rows(), all);
}

TEST_F(BuddyWndTest, BuddyPresenceChangeRedrawsTheList) {
    StartSignedIn("127.0.11.12");
    ASSERT_EQ(Rows().at(4), "[3]> 최유진(choi)");

    ASSERT_TRUE(Buddy("choi").SetStatus("online", "출근했어요"));
    EXPECT_TRUE(RunUntil([&] { return Rows().at(4) == "[2]> 최유진(choi) | 출근했어요"; }));
}

TEST_F(BuddyWndTest, SendNoteGoesToTheSelectedBuddysBareUserIdFromMenuDoubleClickOrEnter) {
    StartSignedIn("127.0.11.13");
    BuddyClient lee = Buddy("lee");
    lee.Listen();

    NoteShown shown;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        shown = ShownIn(dialog);
        DialogScript::TypeAndAccept(CNoteDlg::IDC_TEXT, QStringLiteral("안녕\n내일 봐"))(dialog);
    });
    SelectRow(1);  // " 이서연(lee)"
    Command(ID_SEND_NOTE);
    EXPECT_TRUE(script.Done());

    EXPECT_EQ(shown, (NoteShown{SEND_TITLE, QStringLiteral("lee"), QString()}));
    EXPECT_EQ(lee.NextPeerCall(), BuddyClient::PeerCallBlock("kim", PeerCallKind::Note, "안녕\r\n내일 봐", "lee"));

    // A double click on the row, and Enter on lee's row under "회사", open
    // the same dialog.
    std::vector<NoteShown> more;
    DialogScript again;
    const auto cancel = [&](CTemplateDialog& dialog) {
        more.push_back(ShownIn(dialog));
        Press(dialog, CTemplateDialog::IDCANCEL);
    };
    again.Then(cancel).Then(cancel);
    CBuddyListCtrl& list = Wnd().List();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.IndexOf(1)).center());
    SelectRow(6);
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_TRUE(again.Done());
    EXPECT_EQ(more, std::vector<NoteShown>(2, NoteShown{SEND_TITLE, QStringLiteral("lee"), QString()}));
}

TEST_F(BuddyWndTest, SendNoteWithAGroupRowOrNoRowSelectedDoesNothing) {
    StartSignedIn("127.0.11.14");
    bool opened = false;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        opened = true;
        Press(dialog, CTemplateDialog::IDCANCEL);
    });
    SelectRow(0);  // the group "친구"
    Command(ID_SEND_NOTE);
    Wnd().List().clearSelection();
    Command(ID_SEND_NOTE);
    EXPECT_FALSE(opened);
}

TEST_F(BuddyWndTest, ReceivedNoteShowsSenderAndTextAndReplyGoesBack) {
    StartSignedIn("127.0.11.15");
    BuddyClient lee = Buddy("lee");
    lee.Listen();

    NoteShown received;
    QString receivedTime;
    NoteShown reply;
    DialogScript script;
    script
        .Then([&](CTemplateDialog& dialog) {
            received = ShownIn(dialog);
            receivedTime = static_cast<QLabel*>(dialog.Control(CNoteDlg::IDC_TIME))->text();
            DialogScript::TypeAndAccept(CNoteDlg::IDC_TEXT, QStringLiteral("고쳐 쓴 글"))(dialog);  // "답장"
        })
        .Then([&](CTemplateDialog& dialog) {
            reply = ShownIn(dialog);
            DialogScript::TypeAndAccept(CNoteDlg::IDC_TEXT, QStringLiteral("응, 먹었어"))(dialog);
        });
    Frame().hide();  // away: the desktop is told, with the sender's name
    const QDate sentOn = QDate::currentDate();
    ASSERT_TRUE(lee.SendNote("kim", "점심 먹었어?\r\n나는 아직"));
    ASSERT_TRUE(RunUntil([&] { return script.Done(); }));
    const QDate shownBy = QDate::currentDate();
    EXPECT_EQ(m_notified, QStringList{QStringLiteral("이서연(lee)님의 쪽지|점심 먹었어?\n나는 아직")});

    // The sender by the name the buddy list knows, the reply to the bare ID.
    EXPECT_EQ(received,
              (NoteShown{RECEIVE_TITLE, QStringLiteral("이서연(lee)"), QStringLiteral("점심 먹었어?\n나는 아직")}));
    EXPECT_TRUE(receivedTime.startsWith(sentOn.toString(Qt::ISODate)) ||
                receivedTime.startsWith(shownBy.toString(Qt::ISODate)))
        << receivedTime.toStdString();
    EXPECT_EQ(reply, (NoteShown{SEND_TITLE, QStringLiteral("lee"), QString()}));
    EXPECT_EQ(lee.NextPeerCall(), BuddyClient::PeerCallBlock("kim", PeerCallKind::Note, "응, 먹었어", "lee"));
}

// Never signed in and deaf: a refused login shows the window signed out,
// unless an earlier sign-in still listens, which goes on as it was.
TEST_F(BuddyWndTest, RefusedLoginSignsOutUnlessTheEarlierSignInStillListens) {
    m_server = std::make_unique<TestAgentd>("127.0.11.20");
    StartApp(m_server->Address());
    MessageBoxRecorder boxes;
    EnterLogin(QStringLiteral("kim"), QStringLiteral("wrong"));
    EXPECT_TRUE(Wnd().RecordedUserId().isEmpty());
    PostLogin();
    LogIn(QStringLiteral("kim"), PASSWORD);

    PostLogin();
    EnterLogin(QStringLiteral("lee"), QStringLiteral("wrong"));
    EXPECT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(Wnd().RecordedUserId(), QStringLiteral("kim"));
    NoteShown received;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        received = ShownIn(dialog);
        Press(dialog, CTemplateDialog::IDCANCEL);
    });
    ASSERT_TRUE(Buddy("lee").SendNote("kim", "아직 거기 있어?"));
    ASSERT_TRUE(RunUntil([&] { return script.Done(); }));
    EXPECT_EQ(received, (NoteShown{RECEIVE_TITLE, QStringLiteral("이서연(lee)"), QStringLiteral("아직 거기 있어?")}));
}

TEST_F(BuddyWndTest, SecondNoteOpensASecondDialogOverTheFirst) {
    StartSignedIn("127.0.11.16");
    BuddyClient lee = Buddy("lee");
    std::vector<NoteShown> shown;
    const CTemplateDialog* first = nullptr;
    const CTemplateDialog* uncovered = nullptr;
    QRect firstAt;
    QRect secondAt;
    QRect screen;
    DialogScript script;
    script
        .Then([&](CTemplateDialog& dialog) {
            first = &dialog;
            firstAt = dialog.frameGeometry();
            screen = dialog.screen()->availableGeometry();
            shown.push_back(ShownIn(dialog));
            ASSERT_TRUE(lee.SendNote("kim", "두 번째"));  // the first stays open
        })
        .Then([&](CTemplateDialog& dialog) {
            secondAt = dialog.frameGeometry();
            shown.push_back(ShownIn(dialog));
            Press(dialog, CTemplateDialog::IDCANCEL);  // "닫기"
        })
        .Then([&](CTemplateDialog& dialog) {
            uncovered = &dialog;
            shown.push_back(ShownIn(dialog));
            Press(dialog, CTemplateDialog::IDCANCEL);
        });
    ASSERT_TRUE(lee.SendNote("kim", "첫 번째"));
    ASSERT_TRUE(RunUntil([&] { return script.Done(); }));

    const NoteShown firstNote{RECEIVE_TITLE, QStringLiteral("이서연(lee)"), QStringLiteral("첫 번째")};
    const NoteShown secondNote{RECEIVE_TITLE, QStringLiteral("이서연(lee)"), QStringLiteral("두 번째")};
    EXPECT_EQ(shown, (std::vector<NoteShown>{firstNote, secondNote, firstNote}));
    EXPECT_EQ(uncovered, first);
    // The second sits lower and to the right, the first one's caption and
    // left edge still in sight, both on the screen.
    EXPECT_GT(secondAt.top(), firstAt.top());
    EXPECT_GT(secondAt.left(), firstAt.left());
    EXPECT_TRUE(screen.contains(firstAt) && screen.contains(secondAt));
}

TEST_F(BuddyWndTest, NoteTheServerRefusesReopensWithTheTextUntilSent) {
    StartSignedIn("127.0.11.17");
    ASSERT_TRUE(m_server->Admin({"user", "del", "park"}));

    std::vector<NoteShown> shown;
    DialogScript script;
    script
        .Then([&](CTemplateDialog& dialog) {
            shown.push_back(ShownIn(dialog));
            DialogScript::TypeAndAccept(CNoteDlg::IDC_TEXT, QStringLiteral("회의 자료\n보냈어요"))(dialog);
        })
        .Then([&](CTemplateDialog& dialog) {
            shown.push_back(ShownIn(dialog));
            ASSERT_TRUE(m_server->Admin({"user", "add", "park", "--name", "박지훈"}, "nimbo\n"));
            Press(dialog, CTemplateDialog::IDOK);  // retry
        });
    SelectRow(2);  // park
    Command(ID_SEND_NOTE);
    EXPECT_TRUE(script.Done());

    const QString parkId = QStringLiteral("park");
    EXPECT_EQ(shown, (std::vector<NoteShown>{{SEND_TITLE, parkId, QString(), QString()},
                                             {SEND_TITLE, parkId, QStringLiteral("회의 자료\n보냈어요"),
                                              QStringLiteral("쪽지를 보내지 못했습니다. 서버가 요청을 거부했습니다. "
                                                             "(404 no such user)")}}));

    BuddyClient park = Buddy("park");
    park.Listen();  // the note was kept for him
    EXPECT_EQ(park.NextPeerCall(), BuddyClient::PeerCallBlock("kim", PeerCallKind::Note, "회의 자료\r\n보냈어요", "park"));
}

// Records what the buddy window hands to file transfer.
class RecordingTransfer : public IFileTransferHook {
public:
    void StartFileTransfer(const std::u16string& ownId, const std::u16string& peerId) override {
        started.push_back(ownId + u">" + peerId);
    }
    void SendFiles(const std::u16string& ownId, const std::u16string& peerId,
                   const std::vector<std::u16string>& paths) override {
        for (const std::u16string& path : paths) {
            started.push_back(ownId + u">" + peerId + u":" + path);
        }
    }
    void OnFileOffer(std::unique_ptr<PeerCallRecord> offer) override { offers.push_back(*offer); }

    std::vector<std::u16string> started;
    std::vector<PeerCallRecord> offers;
};

TEST_F(BuddyWndTest, FilesGoToTheTransferHookAndWithoutOneNothingHappens) {
    StartSignedIn("127.0.11.18");
    BuddyClient lee = Buddy("lee");
    const std::string offer = "<127.0.11.18><9000><사진.jpg><1024>";

    // Without a transfer user interface the command and the offer are let
    // go, and the next note still comes through.
    Wnd().SetFileTransferHook(nullptr);
    SelectRow(1);
    Command(ID_SEND_FILE);
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    NoteShown note;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        note = ShownIn(dialog);
        Press(dialog, CTemplateDialog::IDCANCEL);
    });
    ASSERT_TRUE(lee.SendNote("kim", "받았어?"));
    ASSERT_TRUE(RunUntil([&] { return script.Done() && !note.text.isEmpty(); }));
    EXPECT_EQ(note.text, QStringLiteral("받았어?"));

    RecordingTransfer transfer;
    Wnd().SetFileTransferHook(&transfer);
    SelectRow(0);  // a group: nobody to send to
    Command(ID_SEND_FILE);
    SelectRow(6);  // lee under "회사"
    Command(ID_SEND_FILE);
    EXPECT_EQ(transfer.started, (std::vector<std::u16string>{u"kim>lee"}));

    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    ASSERT_TRUE(RunUntil([&] { return !transfer.offers.empty(); }));
    EXPECT_EQ(transfer.offers.front(), (PeerCallRecord{u"lee", u"ftp", u"<127.0.11.18><9000><사진.jpg><1024>"}));
    Wnd().SetFileTransferHook(nullptr);
}

// The address shown is the one file offers announce: for an agent server on
// loopback, the server's own address, where this device's senders listen.
TEST_F(BuddyWndTest, AboutShowsTheUserIdAndTheAddressOffersAnnounce) {
    StartSignedIn("127.0.11.19");
    std::vector<QStringList> shown;
    DialogScript script;
    const auto record = [&](CTemplateDialog& dialog) {
        shown.push_back({dialog.windowTitle(), static_cast<QLabel*>(dialog.Control(CAboutDlg::IDC_USER_ID))->text(),
                         static_cast<QLabel*>(dialog.Control(CAboutDlg::IDC_ADDRESS))->text()});
        dialog.reject();
    };
    script.Then(record).Then(record);
    Command(ID_APP_ABOUT);
    Command(ID_LOGOUT);
    Command(ID_APP_ABOUT);

    const QString address = QStringLiteral("127.0.11.19");
    EXPECT_EQ(shown, (std::vector<QStringList>{{QStringLiteral("님보(Nimbo) 정보"), QStringLiteral("kim"), address},
                                              {QStringLiteral("님보(Nimbo) 정보"), QString(), address}}));
}

}  // namespace
}  // namespace nimbo::test
