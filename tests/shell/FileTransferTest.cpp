// File transfers in the whole application against the reference server:
// kim at the application, lee as nimbo-cli, as a raw client of the server
// or as a scripted sender, each test on its own address in 127.0.15.0/24
// (scripted senders in 127.0.16.0/24).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeData>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

#include "net/Base64.h"
#include "net/ByteString.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/FileTransfers.h"
#include "shell/TransferSharedState.h"
#include "shell/CommandIds.h"
#include "shell/QtMessageBoxHandler.h"
#include "shell/QtMessageThread.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/BuddyClient.h"
#include "tests/shell/DragAndDrop.h"
#include "tests/shell/MessageBoxRecorder.h"
#include "tests/shell/QtTestEnvironment.h"
#include "tests/shell/ScriptedFileChooser.h"
#include "tests/shell/TransferTestSupport.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/TestAgentd.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PeerConnection.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/UnansweringPort.h"
#include "transfer/FileOffer.h"

namespace nimbo::test {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxResult;
using Dlg = CFileTransferDlg;

const QString PASSWORD = QString::fromLatin1(TestAgentd::DEMO_PASSWORD);
constexpr int LEE_ROW = 1;    // lee under "친구"
constexpr int GROUP_ROW = 0;  // "친구" itself
constexpr int SENDER_PORT = 9500;

const QString SEND_DONE = QStringLiteral("파일 보내기 완료");
const QString RECEIVE_DONE = QStringLiteral("파일 받기 완료");
const std::u16string REFUSED = u"상대방은 파일을 수신할 수 없는 상태입니다.";
const std::u16string SEND_BROKEN =
    u"상대방이 파일 받기를 중단하였거나 네트워크 장애로 인하여\n파일 보내기가 중단되었습니다.\n";
const std::u16string RECEIVE_BROKEN =
    u"상대방이 파일 보내기를 중단하였거나 네트워크 장애로 인하여\n파일 받기가 중단되었습니다.\n\n"
    u"(다시 파일을 받을때 수신중이었던 파일을 수신 파일로 지정하면\n이어받기가 가능합니다.)";

std::u16string Question(const std::u16string& from, const std::u16string& name, const std::u16string& size) {
    return from + u"님이 보내신 파일을 수신하시겠습니까?\n\n파일명: " + name + u"(" + size + u")";
}

std::string Utf8(const std::u16string& text) { return platform::CodePage::ToUtf8(text); }

bool AnyMatches(const QStringList& texts, const QString& pattern) {
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    for (const QString& text : texts) {
        if (expression.match(text).hasMatch())
            return true;
    }
    return false;
}

class FileTransferTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(m_files.isValid());
        ASSERT_TRUE(QDir(m_files.path()).mkpath(QStringLiteral("inbox")));
    }

    void TearDown() override {
        AppFixture::TearDown();
        m_boxes.reset();
    }

    // The reference server on `address`, the application signed in as kim,
    // its file dialogs and message boxes played by the test.
    void StartSignedIn(const std::string& address) {
        m_address = address;
        m_server = std::make_unique<TestAgentd>(address);
        StartApp(address);
        m_boxes = std::make_unique<MessageBoxRecorder>();
        Transfers().SetFileChooser(m_chooser);
        LogIn(QStringLiteral("kim"), PASSWORD);
    }

    FileTransfers& Transfers() const { return *m_app->GetFileTransfers(); }
    QList<Dlg*> Windows() const { return Transfers().Windows(); }

    QString PathOf(const QString& name) const { return m_files.filePath(name); }
    QString Write(const QString& name, const std::string& bytes) const {
        const QString path = PathOf(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }

    BuddyClient Buddy(const std::string& id) const { return BuddyClient(m_address, id, "nimbo"); }

    std::vector<std::string> As(const std::string& user, std::vector<std::string> command) const {
        std::vector<std::string> args = {"--host", m_address, "--user", user, "--password", "nimbo"};
        args.insert(args.end(), command.begin(), command.end());
        return args;
    }

    // lee as nimbo-cli, receiving every offered file into inbox/, ready once
    // kim's note has reached it.
    std::unique_ptr<ChildProcess> LeeAcceptingFiles() {
        auto lee = std::make_unique<ChildProcess>(
            NIMBO_CLI_PATH, As("lee", {"listen", "--accept-files", PathOf(QStringLiteral("inbox")).toStdString()}));
        EXPECT_TRUE(Session().SendInstantMessage(u"lee", u"ready"));
        EXPECT_EQ(lee->ReadLine(), "note\tkim\tready");
        return lee;
    }

    // The send-file command on `row` (lee's), the file dialog answered with `path`.
    Dlg* OpenSendWindow(const QString& path, int row = LEE_ROW) {
        const qsizetype before = Windows().size();
        SelectRow(row);
        Command(ID_SEND_FILE);
        EXPECT_EQ(Windows().size(), before + 1);
        Dlg* window = Windows().back();
        m_chooser.Answer(path);
        EXPECT_TRUE(RunUntil([&] { return window->m_strLocation == path; }));
        return window;
    }

    // The offer the next peer call on `buddy`'s notification connection carries.
    static FileOffer NextOffer(BuddyClient& buddy) {
        std::istringstream words(buddy.NextPeerCall());
        std::string word;
        std::string body64;
        for (int i = 0; i < 4 && words >> word; ++i)
            body64 = word;
        return ParseFileOffer(base64::DecodeText(ByteString(body64.c_str())));
    }

    static std::unique_ptr<PeerConnection> ConnectTo(const FileOffer& offer) {
        return PeerConnection::Connect(Utf8(offer.strAddress), offer.nPort);
    }

    std::string OfferBody(const std::string& address, const std::string& name, std::uint32_t size) const {
        return "<" + address + "><" + std::to_string(SENDER_PORT) + "><" + name + "><" + std::to_string(size) + ">";
    }

    std::string m_address;
    std::unique_ptr<TestAgentd> m_server;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    ScriptedFileChooser m_chooser;
    QTemporaryDir m_files;
};

TEST_F(FileTransferTest, SentFilesArriveWholeAndTheWindowSendsAgain) {
    StartSignedIn("127.0.15.1");
    std::unique_ptr<ChildProcess> lee = LeeAcceptingFiles();
    const QString sendFolder = TransferSharedState::Instance().LastSendFolder();

    const std::string small = Pattern(100, 1);
    Dlg* window = OpenSendWindow(Write(QStringLiteral("small.bin"), small));
    EXPECT_EQ(m_chooser.Requests().front().kind, ScriptedFileChooser::Kind::Open);
    EXPECT_EQ(m_chooser.Requests().front().initial, sendFolder + QStringLiteral("*.*"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("파일 보내기"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_PEER), QStringLiteral("lee"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILENAME), QStringLiteral("small.bin"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILESIZE), QStringLiteral("100Byte"));
    QStringList statuses;
    RecordStatus(*window, statuses);
    Press(*window, Dlg::IDC_SEND);
    ASSERT_TRUE(RunUntil([&] { return ShownText(*window, Dlg::IDC_STATUS) == SEND_DONE; }));
    EXPECT_TRUE(lee->ReadLine()->starts_with("offer\tkim\tsmall.bin\t100\t"));
    const QString received = PathOf(QStringLiteral("inbox/small.bin"));
    EXPECT_EQ(lee->ReadLine(), "file\t" + received.toStdString() + "\tTE_RECV_DONE");
    EXPECT_EQ(ReadBytes(received), small);
    EXPECT_EQ(statuses.front(), QStringLiteral("상대방이 파일 수신하기를 기다립니다."));
    EXPECT_TRUE(AnyMatches(statuses, QStringLiteral("100Bytes / 100Bytes  \\(남은시간:  (\\d+:\\d\\d:\\d\\d)?\\)")))
        << statuses.join(u'|').toStdString();
    EXPECT_EQ(ShownPercent(*window), 100);
    EXPECT_TRUE(IsEnabled(*window, Dlg::IDC_BROWSE));
    EXPECT_FALSE(IsEnabled(*window, Dlg::IDC_SEND));

    // Another file from the same window.
    const std::string large = Pattern(300 * 1024, 2);
    const QString largePath = Write(QStringLiteral("large.bin"), large);
    Press(*window, Dlg::IDC_BROWSE);
    m_chooser.Answer(largePath);
    ASSERT_TRUE(RunUntil([&] { return IsEnabled(*window, Dlg::IDC_SEND); }));
    EXPECT_EQ(m_chooser.Requests().back().initial, m_files.path() + QStringLiteral("/*.*"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILESIZE), QStringLiteral("300.0KB"));
    statuses.clear();
    Press(*window, Dlg::IDC_SEND);
    ASSERT_TRUE(RunUntil([&] { return ShownText(*window, Dlg::IDC_STATUS) == SEND_DONE; }));
    EXPECT_TRUE(lee->ReadLine()->starts_with("offer\tkim\tlarge.bin\t307200\t"));
    EXPECT_EQ(lee->ReadLine(), "file\t" + PathOf(QStringLiteral("inbox/large.bin")).toStdString() + "\tTE_RECV_DONE");
    EXPECT_EQ(ReadBytes(PathOf(QStringLiteral("inbox/large.bin"))), large);
    EXPECT_TRUE(AnyMatches(statuses, QStringLiteral("\\d+\\.\\dKB / 300\\.0KB  \\(남은시간:  (\\d+:\\d\\d:\\d\\d)?\\)")))
        << statuses.join(u'|').toStdString();

    // A browse cancelled later changes nothing.
    Press(*window, Dlg::IDC_BROWSE);
    m_chooser.Cancel();
    Settle();
    EXPECT_EQ(Windows(), QList<Dlg*>{window});
    EXPECT_EQ(ShownText(*window, Dlg::IDC_LOCATION), largePath);
    EXPECT_EQ(ShownText(*window, Dlg::IDC_STATUS), SEND_DONE);
    EXPECT_EQ(m_boxes->Count(), 0u);
    lee->Signal(SIGTERM);
    EXPECT_EQ(lee->Wait(), 0) << lee->Errors();
}

TEST_F(FileTransferTest, AnAcceptedOfferIsReceivedWhole) {
    StartSignedIn("127.0.15.2");
    const QString receiveFolder = TransferSharedState::Instance().LastReceiveFolder();
    const std::string photo = Pattern(200000, 3);
    const QString source = Write(QStringLiteral("photo.jpg"), photo);
    const QString target = PathOf(QStringLiteral("inbox/받은 사진.jpg"));
    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(target);

    ChildProcess lee(NIMBO_CLI_PATH, As("lee", {"send-file", "kim", source.toStdString()}));
    ASSERT_TRUE(RunUntil([&] { return Windows().size() == 1; }));
    Dlg* window = Windows().front();
    ASSERT_TRUE(RunUntil([&] { return ShownText(*window, Dlg::IDC_STATUS) == RECEIVE_DONE; }));
    EXPECT_EQ(ReadBytes(target), photo);
    EXPECT_EQ(lee.Wait(), 0) << lee.Errors();
    EXPECT_TRUE(lee.Output().ends_with("end\tTE_SEND_DONE\n")) << lee.Output();

    ASSERT_EQ(m_boxes->ShownBoxes().size(), 1u);
    EXPECT_EQ(m_boxes->ShownBoxes()[0].text, Question(u"lee", u"photo.jpg", u"195.3KB"));
    EXPECT_EQ(m_boxes->ShownBoxes()[0].buttons, MessageBoxButtons::YesNo);
    ASSERT_EQ(m_chooser.Requests().size(), 1u);
    EXPECT_EQ(m_chooser.Requests()[0].kind, ScriptedFileChooser::Kind::Save);
    EXPECT_EQ(m_chooser.Requests()[0].initial, receiveFolder + QStringLiteral("photo.jpg"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("파일 받기"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_PEER), QStringLiteral("lee"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_LOCATION), target);
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILENAME), QStringLiteral("받은 사진.jpg"));
    EXPECT_EQ(ShownText(*window, Dlg::IDC_FILESIZE), QStringLiteral("195.3KB"));
    EXPECT_EQ(ShownPercent(*window), 100);
    EXPECT_FALSE(IsEnabled(*window, Dlg::IDC_OPEN));
    EXPECT_EQ(TransferSharedState::Instance().LastReceiveFolder(), m_files.path() + QStringLiteral("/inbox/"));
}

TEST_F(FileTransferTest, EachOfferIsAskedWithItsSizeAndOnlyAcceptedOnesOpenAWindow) {
    StartSignedIn("127.0.15.3");
    BuddyClient lee = Buddy("lee");
    for (const std::string& body : {OfferBody("127.0.16.3", "a.txt", 1024), OfferBody("127.0.16.3", "b.txt", 1048576),
                                    OfferBody("127.0.16.3", "c.txt", 1048577), std::string("not an offer")})
        ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, body));
    ASSERT_TRUE(RunUntil([&] { return m_boxes->Count() == 4; }));
    EXPECT_EQ(m_boxes->Texts(), (std::vector<std::u16string>{
                                    Question(u"lee", u"a.txt", u"1024Byte"), Question(u"lee", u"b.txt", u"1024.0KB"),
                                    Question(u"lee", u"c.txt", u"1.0MB"), Question(u"lee", u"", u"0Byte")}));
    EXPECT_TRUE(Windows().empty());
    EXPECT_TRUE(m_chooser.Requests().empty());

    // No to one offer leaves the next one to its own answer.
    m_boxes->Answer(MessageBoxResult::No);
    m_boxes->Answer(MessageBoxResult::Yes);
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.3", "d.txt", 10)));
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.3", "e.txt", 20)));
    ASSERT_TRUE(RunUntil([&] { return m_boxes->Count() == 6 && m_chooser.Waiting() == 1; }));
    ASSERT_EQ(Windows().size(), 1u);
    EXPECT_EQ(Windows().front()->m_strFileName, QStringLiteral("e.txt"));
    EXPECT_TRUE(m_chooser.Requests().back().initial.endsWith(QStringLiteral("e.txt")));
    m_chooser.Cancel();
    ASSERT_TRUE(RunUntil([&] { return Windows().empty(); }));
}

// With real message boxes: the first question's own event loop goes on
// taking peer calls, so the second offer's question opens over it.
TEST_F(FileTransferTest, AQuestionOpenDoesNotHoldUpTheNextOffersQuestion) {
    StartSignedIn("127.0.15.11");
    m_boxes.reset();
    QtMessageThread here;
    platform::SetMessageBoxHandler(QtMessageBoxHandler(here));
    const QString a = QString::fromStdU16String(Question(u"lee", u"a.txt", u"1Byte"));
    const QString b = QString::fromStdU16String(Question(u"lee", u"b.txt", u"2Byte"));
    bool firstOpenBelowSecond = false;
    QStringList answered;
    // The second question is answered first; the first one stays open until then.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || (box->text() == a && !answered.contains(b)))
            return;
        if (box->text() == b) {
            for (const QWidget* window : QApplication::topLevelWidgets()) {
                const auto* other = qobject_cast<const QMessageBox*>(window);
                firstOpenBelowSecond |= other != nullptr && other->isVisible() && other->text() == a;
            }
        }
        answered.append(box->text());
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("아니요"))
                button->click();
        }
    });
    poll.start(5);
    BuddyClient lee = Buddy("lee");
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.11", "a.txt", 1)));
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.11", "b.txt", 2)));
    ASSERT_TRUE(RunUntil([&] { return answered.size() == 2 && QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(answered, (QStringList{b, a}));
    EXPECT_TRUE(firstOpenBelowSecond);
    EXPECT_TRUE(Windows().empty());
    platform::SetMessageBoxHandler({});
}

TEST_F(FileTransferTest, SendFileOpensAWindowOnlyForABuddyAndACancelledFirstChoiceClosesIt) {
    StartSignedIn("127.0.15.4");
    Wnd().List().clearSelection();
    Command(ID_SEND_FILE);
    SelectRow(GROUP_ROW);
    Command(ID_SEND_FILE);
    EXPECT_TRUE(Windows().empty());
    EXPECT_TRUE(m_chooser.Requests().empty());

    SelectRow(LEE_ROW);
    Command(ID_SEND_FILE);
    ASSERT_EQ(Windows().size(), 1u);
    QPointer<Dlg> window = Windows().front();
    EXPECT_TRUE(window->isVisible());
    m_chooser.Cancel();
    ASSERT_TRUE(RunUntil([&] { return window.isNull(); }));
    EXPECT_TRUE(Windows().empty());
    EXPECT_EQ(m_boxes->Count(), 0u);
}

TEST_F(FileTransferTest, ARefusedOrBrokenSendIsToldAndClosesTheWindow) {
    StartSignedIn("127.0.15.5");
    BuddyClient lee = Buddy("lee");
    lee.Listen();

    QPointer<Dlg> refused = OpenSendWindow(Write(QStringLiteral("a.bin"), Pattern(5000, 5)));
    Press(*refused, Dlg::IDC_SEND);
    const FileOffer first = NextOffer(lee);
    EXPECT_EQ(first.strFileName, u"a.bin");
    EXPECT_EQ(first.nFileSize, 5000u);
    std::unique_ptr<PeerConnection> receiver = ConnectTo(first);
    ASSERT_TRUE(receiver);
    ASSERT_TRUE(receiver->WaitForBytes(4));
    EXPECT_EQ(receiver->Received(), Word(5000));
    ASSERT_TRUE(receiver->Send(Word(-1)));
    ASSERT_TRUE(RunUntil([&] { return refused.isNull(); }));
    EXPECT_EQ(m_boxes->Texts(), std::vector<std::u16string>{REFUSED});

    // The receiver goes away in the middle of the file. It plays on a
    // thread of its own, since the sender reports the start synchronously
    // to the window, on this thread.
    QPointer<Dlg> broken = OpenSendWindow(Write(QStringLiteral("b.bin"), Pattern(2 << 20, 6)));
    Press(*broken, Dlg::IDC_SEND);
    receiver = ConnectTo(NextOffer(lee));
    ASSERT_TRUE(receiver);
    std::thread peer([&receiver] {
        EXPECT_TRUE(receiver->WaitForBytes(4));
        EXPECT_TRUE(receiver->Send(Word(0)));
        EXPECT_TRUE(receiver->WaitForBytes(4 + 10000));
        receiver->Abort();
    });
    const bool closed = RunUntil([&] { return broken.isNull(); });
    peer.join();
    ASSERT_TRUE(closed);
    EXPECT_EQ(m_boxes->Texts(), (std::vector<std::u16string>{REFUSED, SEND_BROKEN}));
}

// Two files dragged from a file manager onto lee's row: a send window for
// each, its file chosen as the file dialog would have chosen it.
TEST_F(FileTransferTest, FilesDroppedOnABuddyOpenASendWindowEach) {
    StartSignedIn("127.0.15.21");
    BuddyClient lee = Buddy("lee");
    lee.Listen();
    const QStringList files = {Write(QStringLiteral("one.txt"), Pattern(100, 1)),
                               Write(QStringLiteral("두 번째.bin"), Pattern(2000, 2))};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(files[0]), QUrl::fromLocalFile(files[1])});
    CBuddyListCtrl& list = Wnd().List();
    const QPoint at = list.visualRect(list.IndexOf(LEE_ROW)).center();
    for (const QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove, QEvent::Drop}) {
        EXPECT_TRUE(SendDrag(*list.viewport(), type, at, data));
    }

    ASSERT_EQ(Windows().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ShownText(*Windows()[i], Dlg::IDC_PEER), QStringLiteral("lee"));
        EXPECT_EQ(ShownText(*Windows()[i], Dlg::IDC_LOCATION), files[i]);
        EXPECT_EQ(ShownText(*Windows()[i], Dlg::IDC_FILENAME), QFileInfo(files[i]).fileName());
        EXPECT_TRUE(IsEnabled(*Windows()[i], Dlg::IDC_SEND));
    }
    EXPECT_EQ(ShownText(*Windows()[1], Dlg::IDC_FILESIZE), QStringLiteral("2.0KB"));
    EXPECT_TRUE(m_chooser.Requests().empty());
    Press(*Windows()[1], Dlg::IDC_SEND);
    const FileOffer offer = NextOffer(lee);
    EXPECT_EQ(offer.strFileName, u"두 번째.bin");
    EXPECT_EQ(offer.nFileSize, 2000u);
}

// The server takes its time over the offer: meanwhile a timer of the GUI
// thread fires, and the offer is placed all the same.
TEST_F(FileTransferTest, TheGuiThreadRunsWhileTheServerIsSlowToTakeTheOffer) {
    ScriptedServers servers("127.0.15.22");
    StartApp("127.0.15.22");
    m_boxes = std::make_unique<MessageBoxRecorder>();
    Transfers().SetFileChooser(m_chooser);
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    Dlg* window = OpenSendWindow(Write(QStringLiteral("a.bin"), Pattern(100, 1)), 1);
    GuiHeartbeat heartbeat;
    servers.Agent().SetDefaultScript(heartbeat.Delayed(AnswerCommands()));
    heartbeat.Start();
    Press(*window, Dlg::IDC_SEND);
    EXPECT_GE(heartbeat.Ticks(), 3);
    EXPECT_EQ(ShownText(*window, Dlg::IDC_STATUS), QStringLiteral("상대방이 파일 수신하기를 기다립니다."));
    EXPECT_NE(servers.Commands().back().find("peercall lee ftp "), std::string::npos);
    EXPECT_EQ(m_boxes->Count(), 0u);
}

// park has not signed in: the server refuses the offer, and the window
// says so at once instead of waiting for a receiver who cannot come.
TEST_F(FileTransferTest, ASendToABuddyWhoIsNotSignedInIsRefusedAtOnce) {
    StartSignedIn("127.0.15.20");
    constexpr int PARK_ROW = 2;
    Dlg* window = OpenSendWindow(Write(QStringLiteral("a.bin"), Pattern(5000, 7)), PARK_ROW);
    Press(*window, Dlg::IDC_SEND);
    EXPECT_EQ(m_boxes->Texts(), std::vector<std::u16string>{u"박지훈(park)님이 접속해 있지 않아 파일을 보낼 수 없습니다."});
    EXPECT_NE(ShownText(*window, Dlg::IDC_STATUS), QStringLiteral("상대방이 파일 수신하기를 기다립니다."));
    EXPECT_EQ(Windows(), QList<Dlg*>{window});
}

TEST_F(FileTransferTest, ClosingASendWindowBeforeTheReceiverCameEndsTheSenderSilently) {
    StartSignedIn("127.0.15.6");
    BuddyClient lee = Buddy("lee");
    lee.Listen();
    QPointer<Dlg> window = OpenSendWindow(Write(QStringLiteral("a.bin"), Pattern(5000, 7)));
    Press(*window, Dlg::IDC_SEND);
    const FileOffer offer = NextOffer(lee);
    EXPECT_EQ(ShownText(*window, Dlg::IDC_STATUS), QStringLiteral("상대방이 파일 수신하기를 기다립니다."));

    Press(*window, CTemplateDialog::IDCANCEL);
    EXPECT_TRUE(Windows().empty());
    // Deleting the window waits for its worker, which has stopped listening.
    DeleteClosedWindows();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(ConnectTo(offer));
    EXPECT_EQ(m_boxes->Count(), 0u);
}

TEST_F(FileTransferTest, ABrokenReceiveIsToldAndCanBeContinuedIntoTheSameFile) {
    StartSignedIn("127.0.15.7");
    const std::string whole = Pattern(10000, 8);
    ScriptedPeer sender("127.0.16.7", SENDER_PORT);
    sender.Expect([&whole](PeerConnection& c) {
        c.Send(Word(10000));
        c.WaitForBytes(4);
        c.Send(whole.substr(0, 3000));
        c.Close();
    });
    sender.Expect([&whole](PeerConnection& c) {
        c.Send(Word(10000));
        c.WaitForBytes(4);
        c.Send(whole.substr(3000));
        c.WaitForText(std::string("FILE_RECV_END", 14));
    });
    BuddyClient lee = Buddy("lee");
    const QString target = PathOf(QStringLiteral("inbox/report.pdf"));
    const std::string offer = OfferBody("127.0.16.7", "report.pdf", 10000);

    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(target);
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    ASSERT_TRUE(RunUntil([&] { return m_boxes->Count() == 2 && Windows().empty(); }));
    EXPECT_EQ(m_boxes->Texts()[1], RECEIVE_BROKEN);
    EXPECT_EQ(ReadBytes(target), whole.substr(0, 3000));

    // Cancelling the question to continue goes back to the file dialog.
    m_boxes->Answer(MessageBoxResult::Yes);
    m_boxes->Answer(MessageBoxResult::Cancel);
    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(target);
    m_chooser.Answer(target);
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    ASSERT_TRUE(RunUntil([&] { return Windows().size() == 1; }));
    Dlg* window = Windows().front();
    ASSERT_TRUE(RunUntil([&] { return ShownText(*window, Dlg::IDC_STATUS) == RECEIVE_DONE; }));
    EXPECT_EQ(ReadBytes(target), whole);
    EXPECT_EQ(sender.Received(1), Word(3000) + std::string("FILE_RECV_END", 14));

    const std::vector<MessageBoxRecorder::Shown> boxes = m_boxes->ShownBoxes();
    ASSERT_EQ(boxes.size(), 5u);
    for (std::size_t i : {3u, 4u}) {
        EXPECT_EQ(boxes[i].buttons, MessageBoxButtons::YesNoCancel);
        EXPECT_EQ(boxes[i].text,
                  u"report.pdf 파일이 이미 있습니다.\n받다가 중단된 파일이면 이어서 받을 수 있습니다.\n\n"
                  u"이어서 받으시겠습니까?\n(아니요: 처음부터 다시 받기)");
    }
    ASSERT_EQ(m_chooser.Requests().size(), 3u);
    EXPECT_EQ(m_chooser.Requests()[1].initial, PathOf(QStringLiteral("inbox/report.pdf")));
}

TEST_F(FileTransferTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    StartSignedIn("127.0.15.8");
    ScriptedPeer sender("127.0.16.8", SENDER_PORT);
    const std::string kept = "these bytes were here first, and they stay";
    const QString target = Write(QStringLiteral("inbox/보고서.txt"), kept);
    const QString receiveFolder = TransferSharedState::Instance().LastReceiveFolder();
    BuddyClient lee = Buddy("lee");
    // The offered name cannot lead out of the chosen folder.
    const std::string offer = OfferBody("127.0.16.8", "../../보고서.txt", 20);

    // No goes back to the file dialog; cancelling it closes the window and
    // the sender is never reached.
    m_boxes->Answer(MessageBoxResult::Yes);
    m_boxes->Answer(MessageBoxResult::No);
    m_chooser.Answer(target);
    m_chooser.Cancel();
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    ASSERT_TRUE(RunUntil([&] { return m_chooser.Requests().size() == 2 && Windows().empty(); }));
    EXPECT_EQ(m_chooser.Requests()[0].initial, receiveFolder + QStringLiteral("보고서.txt"));
    ASSERT_EQ(m_boxes->ShownBoxes().size(), 2u);
    EXPECT_EQ(m_boxes->ShownBoxes()[1].text, u"보고서.txt 파일이 이미 있습니다.\n바꾸시겠습니까?");
    EXPECT_EQ(m_boxes->ShownBoxes()[1].buttons, MessageBoxButtons::YesNo);
    EXPECT_EQ(ReadBytes(target), kept);
    EXPECT_EQ(sender.ConnectionCount(), 0u);

    const std::string replacement = Pattern(20, 9);
    sender.Expect([&replacement](PeerConnection& c) {
        c.Send(Word(20));
        c.WaitForBytes(4);
        c.Send(replacement);
        c.WaitForText(std::string("FILE_RECV_END", 14));
    });
    m_boxes->Answer(MessageBoxResult::Yes);
    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(target);
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, offer));
    ASSERT_TRUE(RunUntil([&] { return Windows().size() == 1; }));
    Dlg* window = Windows().front();
    ASSERT_TRUE(RunUntil([&] { return ShownText(*window, Dlg::IDC_STATUS) == RECEIVE_DONE; }));
    EXPECT_EQ(ReadBytes(target), replacement);
    EXPECT_EQ(sender.Received(0), Word(0) + std::string("FILE_RECV_END", 14));
}

TEST_F(FileTransferTest, TwoSendsRunSideBySide) {
    StartSignedIn("127.0.15.9");
    std::unique_ptr<ChildProcess> lee = LeeAcceptingFiles();
    const std::string first = Pattern(1 << 20, 10);
    const std::string second = Pattern(3 << 19, 11);
    Dlg* one = OpenSendWindow(Write(QStringLiteral("one.bin"), first));
    Dlg* two = OpenSendWindow(Write(QStringLiteral("two.bin"), second));
    EXPECT_EQ(Windows(), (QList<Dlg*>{one, two}));
    Press(*one, Dlg::IDC_SEND);
    Press(*two, Dlg::IDC_SEND);
    ASSERT_TRUE(RunUntil([&] {
        return ShownText(*one, Dlg::IDC_STATUS) == SEND_DONE && ShownText(*two, Dlg::IDC_STATUS) == SEND_DONE;
    }));
    std::vector<std::string> lines;
    for (int i = 0; i < 4; ++i)
        lines.push_back(lee->ReadLine().value_or(""));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("file\t"); }),
              2);
    EXPECT_EQ(ReadBytes(PathOf(QStringLiteral("inbox/one.bin"))), first);
    EXPECT_EQ(ReadBytes(PathOf(QStringLiteral("inbox/two.bin"))), second);
    lee->Signal(SIGTERM);
    EXPECT_EQ(lee->Wait(), 0) << lee->Errors();
}

TEST_F(FileTransferTest, ClosingTheMainWindowEndsEveryTransfer) {
    StartSignedIn("127.0.15.10");
    BuddyClient lee = Buddy("lee");
    lee.Listen();
    // A send waiting for its receiver.
    Dlg* waiting = OpenSendWindow(Write(QStringLiteral("a.bin"), Pattern(5000, 12)));
    Press(*waiting, Dlg::IDC_SEND);
    const FileOffer offer = NextOffer(lee);
    // A receive in the middle of its file.
    ScriptedPeer sender("127.0.16.10", SENDER_PORT);
    sender.Expect([](PeerConnection& c) {
        c.Send(Word(100000));
        c.WaitForBytes(4);
        c.Send(Pattern(5000, 13));
        c.WaitForClose();
    });
    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(PathOf(QStringLiteral("inbox/big.bin")));
    ASSERT_TRUE(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.10", "big.bin", 100000)));
    ASSERT_TRUE(RunUntil([&] { return Windows().size() == 2; }));
    Dlg* receiving = Windows().back();
    ASSERT_TRUE(RunUntil([&] { return ShownText(*receiving, Dlg::IDC_STATUS).contains(QStringLiteral("KB / ")); }));
    // A send still choosing its file.
    Command(ID_SEND_FILE);
    ASSERT_EQ(Windows().size(), 3u);

    Frame().close();
    EXPECT_TRUE(Windows().empty());
    EXPECT_FALSE(ConnectTo(offer));
    EXPECT_EQ(sender.Received(0), Word(0));
    EXPECT_EQ(m_boxes->Count(), 1u);  // the offer's question only
    // Nothing new opens once the application ends.
    SelectRow(LEE_ROW);
    Command(ID_SEND_FILE);
    EXPECT_TRUE(Windows().empty());
}

// The application's end as main runs it, while a receiver connects to a
// sender that never answers and a sender waits for a file that cannot be
// read yet (a FIFO): the receiver ends at once, the sender is left behind
// after the bound, and the process ends cleanly though the sender goes on
// once the application has gone (the sanitizer builds watch what it
// touches then).
TEST_F(FileTransferTest, ExitingWhileWorkersAreStuckEndsTheProcessCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Inside the child a failed step ends it with a status of its own.
    const auto require = [](bool done, int status) {
        if (!done)
            std::_Exit(status);
    };
    EXPECT_EXIT(
        {
            StartSignedIn("127.0.15.12");
            const QString fifo = Write(QStringLiteral("fifo"), Pattern(100, 14));
            {
                BuddyClient lee = Buddy("lee");
                lee.Listen();
                UnansweringPort unanswering("127.0.16.12", SENDER_PORT);
                m_boxes->Answer(MessageBoxResult::Yes);
                m_chooser.Answer(PathOf(QStringLiteral("inbox/never.bin")));
                require(lee.PeerCall("kim", PeerCallKind::FileOffer, OfferBody("127.0.16.12", "never.bin", 100)), 2);
                require(RunUntil([&] { return Windows().size() == 1 && !Windows().front()->m_strLocation.isEmpty(); }), 3);

                Press(*OpenSendWindow(fifo), Dlg::IDC_SEND);
                const FileOffer offer = NextOffer(lee);
                require(QFile::remove(fifo) && mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0, 4);
                const std::unique_ptr<PeerConnection> receiver = ConnectTo(offer);
                // Once the sender has taken its receiver it stops listening
                // and opens the file, which holds it up.
                require(receiver && RunUntil([&] { return !ConnectTo(offer); }), 5);

                Frame().close();
                platform::EndWindowMessages();
                platform::EndMessageBoxes();
                m_session.reset();
                m_app.reset();
            }
            m_server.reset();
            // The sender left behind gets its file now, while the process ends.
            const QByteArray fifoName = QFile::encodeName(fifo);
            DestroyTestApplication();
            close(open(fifoName.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
            m_files.remove();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// A flood of offers from one peer holds at most 8 questions and 4 receive
// windows; the rest are declined without a word, and a later offer still
// arrives. The questions here stay open, each in an event loop of its own
// as a modal box's, until the whole flood has come.
TEST_F(FileTransferTest, ABurstOfOffersHoldsAFewQuestionsAndWindowsAndLaterOffersStillArrive) {
    constexpr int BURST = 1000;
    const std::string address = "127.0.15.13";
    const std::string senders = "127.0.16.13";
    ScriptedServers servers(address);
    std::promise<void> honestOffer;  // destroyed before the servers, so that their scripts end
    std::string burst;
    for (int i = 0; i < BURST; ++i)
        burst += BuddyClient::PeerCallBlock("lee", PeerCallKind::FileOffer, OfferBody(senders, "flood.bin", 100),
                                            "kim") +
                 "\r\n";
    const std::string honest = Pattern(20000, 14);
    servers.Notify().SetDefaultScript(AcceptListener([burst, senders, size = honest.size(),
                                                       due = honestOffer.get_future().share()](PeerConnection& c) {
        // The logon notice after the flood shows when every offer has been handled.
        c.Send(burst + "notify logon lee\r\n\r\n");
        due.wait();
        c.Send(BuddyClient::PeerCallBlock("lee", PeerCallKind::FileOffer,
                                          "<" + senders + "><" + std::to_string(SENDER_PORT + 1) + "><honest.bin><" +
                                              std::to_string(size) + ">",
                                          "kim") +
               "\r\n");
    }));
    ScriptedPeer flooder(senders, SENDER_PORT);
    std::promise<void> release;  // destroyed before the flooder, so that its scripts end
    flooder.SetDefaultScript([held = release.get_future().share()](PeerConnection& c) {
        held.wait();
        c.Close();
    });
    StartApp(address);
    Transfers().SetFileChooser(m_chooser);

    int open = 0;
    int most = 0;
    int asked = 0;
    bool answered = false;
    platform::SetMessageBoxHandler([&](const std::u16string&, const std::u16string&, MessageBoxButtons buttons) {
        if (buttons == MessageBoxButtons::Ok)
            return MessageBoxResult::Ok;
        ++asked;
        most = std::max(most, ++open);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (answered)
                loop.quit();
        });
        poll.start(5);
        loop.exec();
        --open;
        return MessageBoxResult::Yes;
    });
    for (int i = 0; i < 4; ++i)
        m_chooser.Answer(PathOf(QStringLiteral("inbox/flood%1.bin").arg(i)));
    // The sign-in's four commands, then the two of the logon notice's refresh.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { answered = answered || servers.CommandCount() >= 6; });
    watch.start(5);
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    ASSERT_TRUE(RunUntil([&] { return answered && open == 0 && flooder.ConnectionCount() == 4; }));
    EXPECT_EQ(asked, 8);
    EXPECT_EQ(most, 8);
    EXPECT_EQ(Windows().size(), 4u);  // the four other "Yes" came too late

    release.set_value();
    ASSERT_TRUE(RunUntil([&] { return Windows().empty(); }));
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_boxes->Answer(MessageBoxResult::Yes);
    m_chooser.Answer(PathOf(QStringLiteral("inbox/honest.bin")));
    ScriptedPeer sender(senders, SENDER_PORT + 1);
    sender.Expect([&honest](PeerConnection& c) {
        c.Send(Word(static_cast<std::int64_t>(honest.size())));
        c.WaitForBytes(4);
        c.Send(honest);
        c.WaitForBytes(4 + 14);
    });
    honestOffer.set_value();
    ASSERT_TRUE(RunUntil([&] { return Windows().size() == 1; }));
    ASSERT_TRUE(RunUntil([&] { return ShownText(*Windows().front(), Dlg::IDC_STATUS) == RECEIVE_DONE; }));
    EXPECT_EQ(ReadBytes(PathOf(QStringLiteral("inbox/honest.bin"))), honest);
}

}  // namespace
}  // namespace nimbo::test
