#include "shell/CNimboApp.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include "shell/CBuddyWnd.h"
#include "shell/CDesktopNotifier.h"
#include "shell/CFileTransfers.h"
#include "shell/CMainFrame.h"
#include "shell/CQtFileChooser.h"
#include "shell/CSessionWorker.h"
#include "shell/CTrayIcon.h"
#include "shell/CommandIds.h"
#include "shell/QtMessageBoxHandler.h"

namespace nimbo {

namespace {

// Room for both columns of the buddy list.
constexpr int kInitialWidth = 500;
constexpr int kInitialHeight = 420;

}  // namespace

CNimboApp::CNimboApp() = default;

CNimboApp::~CNimboApp() {
    if (m_pBuddyWnd != nullptr) {
        m_pBuddyWnd->SetNotifier(nullptr);
    }
    if (m_pTransfers) {
        m_pBuddyWnd->SetFileTransferHook(nullptr);
        m_pTransfers.reset();
    }
    if (m_pMainWnd) {
        platform::SetMessageBoxHandler(std::move(m_previousMessageBox));
    }
}

// No socket layer needs starting on this platform, so start-up cannot fail.
bool CNimboApp::InitInstance(AgentSession& session) {
    m_previousMessageBox = platform::SetMessageBoxHandler(QtMessageBoxHandler(m_gui));
    // The framework's own profile name; the sign-in settings name their
    // organisation and application themselves (CRegistryKey).
    QCoreApplication::setApplicationName(QStringLiteral("CENimbo"));
    // The installed desktop entry, by which the desktop shows the windows
    // with its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.halvorn.Nimbo"));

    m_pWorker = std::make_unique<CSessionWorker>(m_gui);
    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pMainWnd->SetSessionWorker(m_pWorker.get());
    m_pBuddyWnd = new CBuddyWnd(session, *m_pWorker);
    m_pMainWnd->SetPane(m_pBuddyWnd, m_pBuddyWnd, m_pBuddyWnd);
    m_pBuddyWnd->SetPopupMenu(m_pMainWnd->BuddyMenu());
    m_pFileChooser = std::make_unique<CQtFileChooser>();
    m_pTransfers = std::make_unique<CFileTransfers>(TransferServices{&session, &m_gui, m_pFileChooser.get()});
    m_pBuddyWnd->SetFileTransferHook(m_pTransfers.get());
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [transfers = m_pTransfers.get()] { transfers->CloseAll(); });
    // A main window hidden in the tray is no visible window, so its close
    // ends the application itself.
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });

    CMainFrame* frame = m_pMainWnd.get();
    m_pTray = std::make_unique<CTrayIcon>([frame](unsigned id) { frame->OnCmdMsg(id); });
    frame->SetTrayAvailable(m_pTray->Icon().isVisible());
    m_pNotifier = std::make_unique<CDesktopNotifier>();
    m_pNotifier->SetTray(&m_pTray->Icon());
    m_pBuddyWnd->SetNotifier(m_pNotifier.get());
    QObject::connect(m_pBuddyWnd, &CBuddyWnd::StateChanged, frame,
                     [frame, tray = m_pTray.get()](const SignInState& state) {
                         frame->ShowState(state);
                         tray->ShowState(state);
                     });
    QObject::connect(m_pBuddyWnd, &CBuddyWnd::Notice, frame, &CMainFrame::ShowNotice);
    frame->ShowState(m_pBuddyWnd->State());
    m_pTray->ShowState(m_pBuddyWnd->State());
    m_pMainWnd->RegisterMainWindow(m_gui);

    m_pMainWnd->resize(kInitialWidth, kInitialHeight);
    m_pMainWnd->show();
    platform::PostMessage(m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_LOGIN, 0);
    return true;
}

}  // namespace nimbo
