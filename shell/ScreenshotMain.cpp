// nimbo-screenshots [--host HOST --user ID --password PW] FOLDER: renders
// the main window with a demo buddy list and each dialog to PNG files in
// FOLDER, without a display. With a server to sign in to, it renders the
// application's own main window signed in there instead.
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QLinearGradient>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <QMessageBox>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"
#include "net/AgentProtocol.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "shell/CAboutDlg.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CBuddyWnd.h"
#include "shell/CLoginDlg.h"
#include "shell/CMainFrame.h"
#include "shell/CNimboApp.h"
#include "shell/CFileTransferDlg.h"
#include "shell/FileTransfers.h"
#include "shell/CNoteDlg.h"
#include "shell/StatusMenu.h"
#include "shell/SignInState.h"
#include "shell/IFileChooser.h"
#include "shell/QtMessageBoxHandler.h"
#include "shell/QtMessageThread.h"
#include "transfer/FileSender.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferPort.h"
#include "transfer/TransferProtocol.h"
#include "transfer/TransferWorker.h"

namespace nimbo {
namespace {

// Draws a simple caption bar with the window's title above a grabbed client
// area, since a grab holds no window decoration.
QImage WithCaption(const QWidget& window, const QPixmap& client) {
    const int captionHeight = 22;
    QImage image(client.width() + 2, client.height() + captionHeight + 1, QImage::Format_ARGB32);
    image.fill(QColor(0x1F, 0x4E, 0x9A));
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, captionHeight);
    gradient.setColorAt(0, QColor(0x4D, 0x8B, 0xE0));
    gradient.setColorAt(1, QColor(0x1F, 0x5F, 0xBF));
    painter.fillRect(QRect(0, 0, image.width(), captionHeight), gradient);
    window.windowIcon().paint(&painter, QRect(4, 3, 16, 16));
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(24, 0, image.width() - 48, captionHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawText(QRect(image.width() - 22, 0, 18, captionHeight), Qt::AlignCenter, QStringLiteral("×"));
    painter.drawPixmap(1, captionHeight, client);
    return image;
}

bool Save(const QWidget& window, const QPixmap& client, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    const bool saved = WithCaption(window, client).save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write",
                 qUtf8Printable(QDir::toNativeSeparators(path)));
    return saved;
}

// Runs the dialog as the application would and grabs it once it is up.
bool SaveDialog(CTemplateDialog& dialog, const QDir& folder, const QString& name) {
    bool saved = false;
    QTimer::singleShot(0, &dialog, [&] {
        saved = Save(dialog, dialog.grab(), folder, name);
        dialog.reject();
    });
    dialog.DoModal();
    return saved;
}

// A buddy list that shows every kind of row: groups open and closed, every
// presence, display names, status messages, and buddies outside any group.
struct DemoBuddies {
    CGroupTable groups;
    BuddyTable buddies;

    DemoBuddies() {
        AddGroup(u"가족", 0, 1, {u"lee", u"jung"});
        AddGroup(u"친구", 0, 1, {u"kim", u"choi", u"park", u"kang"});
        AddGroup(u"회사", 0, 0, {u"park", u"han"});
        AddGroup(NOGROUP_NAME, 1, 1, {u"yoon"});
        AddBuddy(u"kim", u"김민준", u"점심 먹으러 갑니다", LOGON_FOOD);
        AddBuddy(u"lee", u"이서연", u"오늘도 화이팅!", LOGON_ONLINE);
        AddBuddy(u"park", u"", u"회의 중", LOGON_BUSY);
        AddBuddy(u"choi", u"최지우", u"", LOGON_ABSENCE);
        AddBuddy(u"jung", u"정하늘", u"휴가 다녀올게요", LOGON_OFFLINE);
        AddBuddy(u"kang", u"강도윤", u"", LOGON_DENIAL);
        AddBuddy(u"han", u"한지민", u"", LOGON_ONLINE);
        AddBuddy(u"yoon", u"", u"새 번호로 바꿨어요", LOGON_ONLINE);
    }

    void AddGroup(const std::u16string& name, int type, int expanded, MemberIds members) {
        groups.Store(name, std::make_unique<CBuddyGroup>(CBuddyGroup{name, type, expanded, std::move(members)}));
    }

    void AddBuddy(const std::u16string& userId, const std::u16string& name, const std::u16string& message,
                  int status) {
        buddies.Store(BuddyTexts{userId, name, message, u"", 0, status});
    }
};

// The frame with its status menu dropped down, the menu drawn where it
// opened, as a grab of the frame alone leaves popups out.
QPixmap WithStatusMenu(CMainFrame& frame) {
    QMenu* menu = frame.GetStatusMenu();
    const QRect title = frame.menuBar()->actionGeometry(menu->menuAction());
    menu->popup(frame.menuBar()->mapToGlobal(title.bottomLeft()));
    menu->setActiveAction(menu->actions().at(LOGON_BUSY));
    QCoreApplication::processEvents();
    QPixmap client = frame.grab();
    QPainter painter(&client);
    painter.drawPixmap(frame.mapFromGlobal(menu->pos()), menu->grab());
    painter.end();
    menu->hide();
    return client;
}

// The main window at the pictures' size with the demo list, signed in as
// kim with `presence`.
struct DemoWindow {
    explicit DemoWindow(const OwnPresence& presence) : list(new CBuddyListCtrl) {
        frame.SetPane(list, nullptr);
        frame.resize(420, 300);
        frame.show();
        list->Refill(demo.groups, demo.buddies);
        list->SetSignedOut(false);
        frame.ShowState(SignInState{SignInPhase::SignedIn, QStringLiteral("kim"), presence, 0});
    }

    DemoBuddies demo;
    CMainFrame frame;
    CBuddyListCtrl* list;
};

// Signed in, with the status menu open, and signed out: every buddy shown
// absent and greyed.
bool SaveMainWindow(const QDir& folder) {
    DemoWindow window(OwnPresence{LOGON_BUSY, QStringLiteral("회의 중")});
    const DemoBuddies& demo = window.demo;
    CMainFrame& frame = window.frame;
    CBuddyListCtrl* list = window.list;
    list->setCurrentIndex(list->IndexOf(4));
    bool saved = Save(frame, frame.grab(), folder, QStringLiteral("main-window.png"));
    saved &= Save(frame, WithStatusMenu(frame), folder, QStringLiteral("status-menu.png"));

    std::vector<BuddyRow> rows = BuildBuddyRows(demo.groups, demo.buddies);
    ShowEveryoneOffline(rows);
    list->Refill(std::move(rows));
    list->SetSignedOut(true);
    frame.ShowState(SignInState{});
    frame.ShowNotice(QStringLiteral("서버와의 연결이 끊어졌습니다. 다시 로그인하십시오."));
    saved &= Save(frame, frame.grab(), folder, QStringLiteral("main-window-signed-out.png"));
    return saved;
}

// What a file manager's drag shows beside the pointer: the files' icon and
// how many there are. A grab holds no drag image, so it is drawn here.
void DrawDragImage(QPainter& painter, const QPoint& pointer, const QString& text, const QStyle& style) {
    const QPixmap icon = style.standardIcon(QStyle::SP_FileIcon).pixmap(32, 32);
    const QRect box(pointer + QPoint(12, 10), QSize(icon.width() + painter.fontMetrics().horizontalAdvance(text) + 20, 40));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x30, 0x60, 0xB0));
    painter.setBrush(QColor(0xE8, 0xF0, 0xFF, 0xE0));
    painter.drawRoundedRect(box, 6, 6);
    painter.drawPixmap(box.left() + 6, box.top() + 4, icon);
    painter.setPen(Qt::black);
    painter.drawText(box.adjusted(icon.width() + 12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    // The pointer itself, an arrow.
    const QPoint arrow[] = {pointer, pointer + QPoint(0, 16), pointer + QPoint(4, 12), pointer + QPoint(7, 18),
                            pointer + QPoint(9, 17), pointer + QPoint(6, 11), pointer + QPoint(11, 11)};
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow, 7);
}

// Two files from a file manager held over a buddy, who is marked as the one
// to receive them.
bool SaveDropInProgress(const QDir& folder) {
    const QTemporaryDir files;
    QStringList paths = {files.filePath(QStringLiteral("여행 사진.zip")), files.filePath(QStringLiteral("일정표.pdf"))};
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        QFile(path).open(QIODevice::WriteOnly);
        urls << QUrl::fromLocalFile(path);
    }
    data.setUrls(urls);

    DemoWindow window(OwnPresence{LOGON_ONLINE, QString()});
    CMainFrame& frame = window.frame;
    CBuddyListCtrl* list = window.list;
    int target = 0;
    while (list->RowAt(target) != nullptr && (list->RowAt(target)->buddy == nullptr ||
                                              list->RowAt(target)->buddy->UserId() != u"lee")) {
        ++target;
    }
    const QPoint at = list->visualRect(list->IndexOf(target)).center() + QPoint(-30, 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &move);

    QPixmap client = frame.grab();
    QPainter painter(&client);
    painter.setFont(frame.font());
    DrawDragImage(painter, list->viewport()->mapTo(&frame, at), QStringLiteral("여행 사진.zip 외 1개"), *frame.style());
    painter.end();
    QDragLeaveEvent leave;
    QApplication::sendEvent(list->viewport(), &leave);
    return Save(frame, client, folder, QStringLiteral("drop-files.png"));
}

struct SignIn {
    QString host;
    QString userId;
    QString password;
};

constexpr int SIGN_IN_LIMIT_MILLISECONDS = 30000;

// Answers the login dialog as soon as it is the active modal window.
void AnswerLogin(const SignIn& signIn) {
    auto* login = qobject_cast<CLoginDlg*>(QApplication::activeModalWidget());
    if (login == nullptr || !login->isVisible()) {
        return;
    }
    static_cast<QComboBox*>(login->Control(CLoginDlg::IDC_USER_ID))->setEditText(signIn.userId);
    static_cast<QLineEdit*>(login->Control(CLoginDlg::IDC_PASSWORD))->setText(signIn.password);
    login->accept();
}

// Runs the event loop until the application shows a signed-in buddy list.
bool WaitUntilSignedIn(const CBuddyWnd& wnd, const SignIn& signIn) {
    const QDeadlineTimer deadline(SIGN_IN_LIMIT_MILLISECONDS);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        AnswerLogin(signIn);
        const bool shown = QApplication::activeModalWidget() == nullptr && !wnd.RecordedUserId().isEmpty() &&
                           wnd.List().RowCount() > 0;
        if (shown || deadline.hasExpired()) {
            loop.quit();
        }
    });
    poll.start(20);
    loop.exec();
    return !deadline.hasExpired();
}

// The application as it starts, its login dialog answered, its settings
// kept apart from the user's own.
bool SaveSignedInWindow(const QDir& folder, const SignIn& signIn) {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    g_strAgentHost.Set(signIn.host.toStdU16String());
    CNimboApp app;
    AgentSession session;
    app.InitInstance(session);
    const bool signedIn = WaitUntilSignedIn(*app.GetBuddyWnd(), signIn);
    if (!signedIn) {
        std::fprintf(stderr, "could not sign in to %s as %s\n", qUtf8Printable(signIn.host),
                     qUtf8Printable(signIn.userId));
    }
    const bool saved = signedIn && Save(*app.GetMainWnd(), app.GetMainWnd()->grab(), folder,
                                        QStringLiteral("main-window-signed-in.png"));
    app.GetMainWnd()->close();
    return saved;
}

constexpr int TRANSFER_LIMIT_MILLISECONDS = 30000;

// Answers every file dialog at once with the same path.
class FixedFileChooser : public IFileChooser {
public:
    explicit FixedFileChooser(QString path) : m_path(std::move(path)) {}

    void ChooseFileToOpen(QWidget* /*parent*/, const QString& /*initial*/, Chosen chosen) override { chosen(m_path); }
    void ChooseFileToSave(QWidget* /*parent*/, const QString& /*initial*/, Chosen chosen) override { chosen(m_path); }

private:
    QString m_path;
};

// A file of `size` bytes named `name` in `folder`; its path.
QString MakeFile(const QTemporaryDir& folder, const QString& name, qint64 size) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray(static_cast<int>(size), 'n'));
    }
    return path;
}

// Runs the event loop until `done` holds or a generous limit ran out.
bool RunEventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(TRANSFER_LIMIT_MILLISECONDS);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    poll.start(10);
    loop.exec();
    return done();
}

// A send some seconds into its file, as the worker's messages leave it.
bool SaveSendWindow(const QDir& folder, const QTemporaryDir& files) {
    QtMessageThread gui;
    AgentSession session;
    FixedFileChooser chooser(MakeFile(files, QStringLiteral("여행 사진.zip"), 2457600));
    CFileTransferDlg window(TransferMode::Send, TransferServices{&session, &gui, &chooser});
    window.m_strPeerId = QStringLiteral("lee");
    std::time_t now = 1000;
    window.SetClock([&now] { return now; });
    window.Open();
    for (int id : {CFileTransferDlg::IDC_BROWSE, CFileTransferDlg::IDC_SEND}) {
        window.Control(id)->setEnabled(false);
    }
    window.HandleMessage(WM_TRANSFER_START, 0, 0);
    now += 12;
    window.HandleMessage(WM_TRANSFER_PROGRESS, 1150000, 1150000);
    return Save(window, window.grab(), folder, QStringLiteral("transfer-send.png"));
}

// A receive that ran to its end, from a sending worker on loopback.
bool SaveReceivedWindow(const QDir& folder, const QTemporaryDir& files) {
    QtMessageThread gui;
    AgentSession session;
    auto sending = std::make_shared<TransferInfo>();
    sending->strFilePath = MakeFile(files, QStringLiteral("sent.pdf"), 734003).toStdU16String();
    std::unique_ptr<CBlockingSocket> listening = ListenOnFreePort("127.0.0.1", sending->nPort);
    if (!listening) {
        std::fprintf(stderr, "no free transfer port for the received window\n");
        return false;
    }
    sending->PublishListenSocket(std::move(listening));
    TransferWorker sender(FileSendProc, sending);

    FixedFileChooser chooser(files.filePath(QStringLiteral("회의 자료.pdf")));
    CFileTransferDlg window(TransferMode::Receive, TransferServices{&session, &gui, &chooser});
    window.m_strPeerId = QStringLiteral("lee");
    window.m_strAddress = QStringLiteral("127.0.0.1");
    window.m_nPort = sending->nPort;
    window.m_strFileName = QStringLiteral("회의 자료.pdf");
    window.m_nFileSize = 734003;
    window.Open();
    const QString done = QStringLiteral("파일 받기 완료");
    if (!RunEventsUntil([&] { return window.m_strStatus == done; })) {
        std::fprintf(stderr, "the received window's transfer did not end\n");
        return false;
    }
    return Save(window, window.grab(), folder, QStringLiteral("transfer-received.png"));
}

// The question an arriving offer puts, as the application shows it.
bool SaveOfferQuestion(const QDir& folder) {
    QtMessageThread gui;
    AgentSession session;
    FixedFileChooser chooser{QString()};
    const platform::MessageBoxHandler previous = platform::SetMessageBoxHandler(QtMessageBoxHandler(gui));
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            poll.stop();
            saved = Save(*box, box->grab(), folder, QStringLiteral("file-offer.png"));
            box->reject();
        }
    });
    poll.start(10);
    {
        FileTransfers transfers(TransferServices{&session, &gui, &chooser});
        transfers.OnFileOffer(std::make_unique<PeerCallRecord>(
            PeerCallRecord{u"lee", PeerCallText(PeerCallKind::FileOffer), u"<192.168.0.21><9042><여행 사진.zip><2457600>"}));
    }
    platform::SetMessageBoxHandler(previous);
    return saved;
}

bool SaveTransfers(const QDir& folder) {
    const QTemporaryDir files;
    if (!files.isValid()) {
        std::fprintf(stderr, "cannot create a folder for the transfer pictures\n");
        return false;
    }
    bool saved = SaveSendWindow(folder, files);
    saved &= SaveReceivedWindow(folder, files);
    saved &= SaveOfferQuestion(folder);
    return saved;
}

int Run(const QDir& folder) {
    bool saved = SaveMainWindow(folder);
    saved &= SaveDropInProgress(folder);

    CLoginDlg login;
    login.m_strUserId = QStringLiteral("kim");
    login.m_strPassword = QStringLiteral("password");
    saved &= SaveDialog(login, folder, QStringLiteral("login.png"));

    CNoteDlg send(NoteTemplate::Send);
    send.m_strName = QStringLiteral("lee");
    send.m_strText = QStringLiteral("서연아, 오늘 저녁에 시간 있어?\r\n7시에 만나자.");
    saved &= SaveDialog(send, folder, QStringLiteral("send-note.png"));

    CNoteDlg retry(NoteTemplate::Send);
    retry.m_strName = QStringLiteral("lee");
    retry.m_strText = send.m_strText;
    retry.ShowNotSentNotice(QStringLiteral("서버(192.168.0.1)에 연결할 수 없습니다. (Connect error #111 (Connection refused))"));
    saved &= SaveDialog(retry, folder, QStringLiteral("send-note-not-sent.png"));

    CNoteDlg receive(NoteTemplate::Receive);
    receive.m_strName = QStringLiteral("박지훈(park)");
    receive.m_strTime = QStringLiteral("2026-12-09 오후 3:05");
    receive.m_strText = QStringLiteral(
        "회의 끝나고 연락할게요. 자료는 메일로 보냈으니 오늘 안에 한 번 읽어 봐 주세요.\r\n내일 봬요.");
    saved &= SaveDialog(receive, folder, QStringLiteral("receive-note.png"));

    CAboutDlg about(QStringLiteral("kim"), QStringLiteral("192.168.0.15"));
    saved &= SaveDialog(about, folder, QStringLiteral("about.png"));
    saved &= SaveTransfers(folder);
    return saved ? 0 : 1;
}

}  // namespace
}  // namespace nimbo

namespace {

// The sign-in options, or nullopt when there are none; argv must then hold
// only the folder.
std::optional<nimbo::SignIn> ParseSignIn(int argc, char* argv[]) {
    if (argc != 8) {
        return std::nullopt;
    }
    nimbo::SignIn signIn;
    const std::pair<const char*, QString*> options[] = {
        {"--host", &signIn.host}, {"--user", &signIn.userId}, {"--password", &signIn.password}};
    for (int i = 1; i < 7; i += 2) {
        for (const auto& [name, value] : options) {
            if (std::strcmp(argv[i], name) == 0) {
                *value = QString::fromLocal8Bit(argv[i + 1]);
            }
        }
    }
    if (signIn.host.isEmpty() || signIn.userId.isEmpty()) {
        return std::nullopt;
    }
    return signIn;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::optional<nimbo::SignIn> signIn = ParseSignIn(argc, argv);
    if (argc != 2 && !signIn) {
        std::fprintf(stderr, "usage: %s [--host HOST --user ID --password PW] FOLDER\n", argv[0]);
        return 2;
    }
    // The pictures are rendered, never shown, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    nimbo::CNimboApp::UseKoreanFamily();
    const QDir folder(QString::fromLocal8Bit(argv[argc - 1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[argc - 1]);
        return 1;
    }
    if (signIn) {
        return nimbo::SaveSignedInWindow(folder, *signIn) ? 0 : 1;
    }
    return nimbo::Run(folder);
}
