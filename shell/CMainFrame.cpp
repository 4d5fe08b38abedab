#include "shell/CMainFrame.h"

#include <QAction>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <utility>

#include "session/SessionMessages.h"
#include "shell/SessionWorker.h"
#include "shell/CRegistryKey.h"
#include "shell/StatusMenu.h"
#include "shell/CommandIds.h"
#include "shell/ICommandHandler.h"
#include "shell/QtMessageBoxHandler.h"
#include "shell/ResourceStrings.h"
#include "shell/ScalableIcon.h"
#include "shell/SignInState.h"

namespace nimbo {

namespace {

struct MenuItem {
    const char16_t* text;  // nullptr: a separator
    unsigned id;
};

constexpr MenuItem FILE_MENU[] = {
    {u"로그인(&I)", ID_LOGIN},
    {u"로그아웃(&O)", ID_LOGOUT},
    {nullptr, 0},
    {u"트레이로 최소화(&T)", ID_MINIMIZE_TO_TRAY},
    {nullptr, 0},
    {u"종료(&X)", ID_APP_EXIT},
};

constexpr MenuItem BUDDY_MENU[] = {
    {u"쪽지 보내기(&M)", ID_SEND_NOTE},
    {u"파일 보내기(&F)", ID_SEND_FILE},
    {nullptr, 0},
    {u"새로고침(&R)", ID_REFRESH},
};

constexpr MenuItem HELP_MENU[] = {
    {u"님보 정보(&I)", ID_APP_ABOUT},
};

// F1 asks for help; the rest are the standard file and editing keys, whose
// commands nothing handles, so that they do nothing anywhere in the frame.
const std::pair<QKeyCombination, unsigned> ACCELERATORS[] = {
    {Qt::Key_F1, ID_HELP},
    {Qt::CTRL | Qt::Key_N, ID_FILE_NEW},
    {Qt::CTRL | Qt::Key_O, ID_FILE_OPEN},
    {Qt::CTRL | Qt::Key_S, ID_FILE_SAVE},
    {Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO},
    {Qt::CTRL | Qt::Key_X, ID_EDIT_CUT},
    {Qt::CTRL | Qt::Key_C, ID_EDIT_COPY},
    {Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE},
    {Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO},
    {Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT},
    {Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY},
    {Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE},
    {Qt::Key_F6, ID_NEXT_PANE},
    {Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE},
};

constexpr int BUTTON_SIZE = 16;

// "1" when closing or minimising the frame hides it in the tray.
const QString MINIMIZE_TO_TRAY_VALUE = QStringLiteral("Minimize To Tray");

// A menu text without its mnemonic: "쪽지 보내기(&M)" -> "쪽지 보내기".
// Checked by hand: a regular expression here loaded and compiled a whole
// pattern engine (about 370 KB resident) for one suffix.
QString WithoutMnemonic(QString text) {
    const qsizetype n = text.size();
    if (n >= 4 && text[n - 4] == u'(' && text[n - 3] == u'&' && text[n - 1] == u')') {
        text.chop(4);
    }
    return text.remove(u'&');
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(ResourceStringField(IDR_MAINFRAME, 0));
    setWindowIcon(ScalableIcon(QStringLiteral("nimbo")));
    CreateMenus();
    CreateTraySetting();
    CreateCommandBar();
    CreateAccelerators();
    m_signInLabel = new QLabel;
    statusBar()->addPermanentWidget(m_signInLabel);
    ShowState(SignInState{});
}

CMainFrame::~CMainFrame() {
    if (m_hWnd == platform::NULL_WINDOW) {
        return;
    }
    if (platform::GetMainWindow() == m_hWnd) {
        platform::SetMainWindow(platform::NULL_WINDOW);
    }
    platform::DestroyWindowHandle(m_hWnd);
}

void CMainFrame::SetPane(QWidget* pane, ICommandHandler* handler, platform::IMessageHandler* messages) {
    setCentralWidget(pane);
    m_handler = handler;
    m_paneMessages = messages;
}

void CMainFrame::RegisterMainWindow(platform::IMessageThread& thread) {
    m_hWnd = platform::CreateWindowHandle(*this, thread);
    platform::SetMainWindow(m_hWnd);
}

void CMainFrame::SetSessionWorker(SessionWorker* worker) {
    m_worker = worker;
    if (m_worker != nullptr) {
        connect(m_worker, &SessionWorker::Idle, this, [this] {
            if (m_closeWhenIdle) {
                QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            }
        });
    }
}

void CMainFrame::SetTrayAvailable(bool available) {
    m_trayAvailable = available;
    Action(ID_MINIMIZE_TO_TRAY)->setEnabled(available);
}

void CMainFrame::ShowState(const SignInState& state) {
    const QString who = state.phase == SignInPhase::SignedIn ? state.userId : state.Summary();
    setWindowTitle(ResourceStringField(IDR_MAINFRAME, 0) + QStringLiteral(" - ") + who);
    m_signInLabel->setText(state.Summary());
    m_statusMenu->ShowStatus(state.presence.status);
    // The notice that a sign-in runs goes with the sign-in.
    if (state.phase == SignInPhase::SigningIn) {
        m_signingIn = state.Summary();
        ShowNotice(m_signingIn);
    } else if (!m_signingIn.isEmpty()) {
        if (NoticeText() == m_signingIn) {
            statusBar()->clearMessage();
        }
        m_signingIn.clear();
    }
}

void CMainFrame::ShowNotice(const QString& text) {
    statusBar()->showMessage(text);
}

QString CMainFrame::StatusText() const {
    return m_signInLabel->text();
}

QString CMainFrame::NoticeText() const {
    return statusBar()->currentMessage();
}

platform::LRESULT CMainFrame::HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCmdMsg(static_cast<unsigned>(wParam & 0xFFFF));
        break;
    case WM_PEERCALL:
    case WM_LOGONNOTIFY:
    case WM_LISTENERLOST:
        if (m_paneMessages != nullptr) {
            m_paneMessages->HandleMessage(message, wParam, lParam);
        }
        break;
    default:
        break;
    }
    return 0;
}

bool CMainFrame::OnCmdMsg(unsigned id) {
    if (m_handler != nullptr && m_handler->OnCommand(id)) {
        return true;
    }
    return OnFrameCommand(id);
}

bool CMainFrame::OnFrameCommand(unsigned id) {
    switch (id) {
    case ID_APP_EXIT:
        m_exiting = true;
        close();
        return true;
    case ID_MINIMIZE_TO_TRAY:
        CRegistryKey().WriteString(MINIMIZE_TO_TRAY_VALUE,
                                   Action(ID_MINIMIZE_TO_TRAY)->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        return true;
    case ID_HELP:
        OnHelp();
        return true;
    case ID_SHOW_HIDE:
        ShowOrHide();
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnHelp() {
    QtMessageBoxHandler::ShowHere(u"친구 목록에서 친구를 고른 뒤 [친구] 메뉴로 쪽지나 파일을 보냅니다.\n"
                                  u"그룹 이름을 누르면 그 그룹의 친구들을 접거나 펼칩니다.",
                                  u"", platform::MessageBoxButtons::Ok);
}

// While the window is hidden, closing the last other window (a transfer, a
// note) must not end the application unseen, without its logout.
void CMainFrame::ShowOrHide() {
    if (isVisible() && !isMinimized()) {
        HideInTray();
        return;
    }
    QGuiApplication::setQuitOnLastWindowClosed(true);
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::HideInTray() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    hide();
}

bool CMainFrame::HidesInTray() const {
    return m_trayAvailable && Action(ID_MINIMIZE_TO_TRAY)->isChecked();
}

// Off by default: as on any desktop, a closed window ends the application
// unless the user asked otherwise.
void CMainFrame::CreateTraySetting() {
    QAction* toTray = Action(ID_MINIMIZE_TO_TRAY);
    toTray->setCheckable(true);
    QString saved;
    toTray->setChecked(CRegistryKey().ReadString(MINIMIZE_TO_TRAY_VALUE, saved) && saved == QStringLiteral("1"));
    toTray->setEnabled(m_trayAvailable);
}

// The pane logs out completely (offline status and logout sent) before the
// frame goes away; while a session operation runs, the close waits for it.
void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_exiting && HidesInTray()) {
        event->ignore();
        HideInTray();
        return;
    }
    if (m_worker != nullptr && m_worker->IsRunning()) {
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    m_closeWhenIdle = false;
    if (m_handler != nullptr) {
        m_handler->OnCommand(ID_LOGOUT);
    }
    emit Closing();
    event->accept();
}

// Hidden once the minimising is through: hiding within it would be undone.
void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && HidesInTray()) {
        QMetaObject::invokeMethod(this, &CMainFrame::HideInTray, Qt::QueuedConnection);
    }
}

QAction* CMainFrame::AddAction(QMenu* menu, const QString& text, unsigned id) {
    auto* action = menu->addAction(text);
    action->setIconVisibleInMenu(false);
    const QString tip = ResourceStringField(id, 1);
    action->setToolTip(tip.isEmpty() ? WithoutMnemonic(text) : tip);
    connect(action, &QAction::triggered, this, [this, id] { OnCmdMsg(id); });
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    const auto addMenu = [this](const QString& title, const auto& items) {
        QMenu* menu = menuBar()->addMenu(title);
        for (const MenuItem& item : items) {
            if (item.text == nullptr) {
                menu->addSeparator();
            } else {
                AddAction(menu, QString::fromUtf16(item.text), item.id);
            }
        }
        return menu;
    };
    addMenu(QStringLiteral("파일"), FILE_MENU);
    m_statusMenu = new StatusMenu([this](unsigned id) { OnCmdMsg(id); }, this);
    menuBar()->addMenu(m_statusMenu);
    for (unsigned id = ID_STATUS_ONLINE; id <= ID_STATUS_MESSAGE; ++id) {
        m_actions.insert(id, m_statusMenu->Action(id));
    }
    m_buddyMenu = addMenu(QStringLiteral("친구"), BUDDY_MENU);
    addMenu(QStringLiteral("도움말"), HELP_MENU);
}

// Two 16 x 16 buttons whose images sit side by side in one bitmap.
void CMainFrame::CreateCommandBar() {
    m_commandBar = addToolBar(QString());
    m_commandBar->setMovable(false);
    m_commandBar->setFloatable(false);
    m_commandBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_commandBar->setIconSize(QSize(BUTTON_SIZE, BUTTON_SIZE));

    QAction* sendNote = Action(ID_SEND_NOTE);
    QAction* about = Action(ID_APP_ABOUT);
    sendNote->setIcon(ScalableStripIcon(QStringLiteral("toolbar"), 0, BUTTON_SIZE));
    about->setIcon(ScalableStripIcon(QStringLiteral("toolbar"), 1, BUTTON_SIZE));
    m_commandBar->addAction(sendNote);
    m_commandBar->addSeparator();
    m_commandBar->addAction(about);
}

// F10 opens the first menu, as desktops do, so that every command of the
// menus can be reached from the keyboard; their titles carry no mnemonic.
void CMainFrame::CreateAccelerators() {
    for (const auto& [keys, id] : ACCELERATORS) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        const unsigned command = id;
        connect(shortcut, &QShortcut::activated, this, [this, command] { OnCmdMsg(command); });
    }
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
}

}  // namespace nimbo
