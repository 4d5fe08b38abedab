#include "shell/CNimboApp.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include "shell/CBuddyWnd.h"
#include "shell/CFileTransfers.h"
#include "shell/CMainFrame.h"
#include "shell/CQtFileChooser.h"
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

    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pBuddyWnd = new CBuddyWnd(session);
    m_pMainWnd->SetPane(m_pBuddyWnd, m_pBuddyWnd, m_pBuddyWnd);
    m_pBuddyWnd->SetPopupMenu(m_pMainWnd->BuddyMenu());
    m_pFileChooser = std::make_unique<CQtFileChooser>();
    m_pTransfers = std::make_unique<CFileTransfers>(TransferServices{&session, &m_gui, m_pFileChooser.get()});
    m_pBuddyWnd->SetFileTransferHook(m_pTransfers.get());
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [transfers = m_pTransfers.get()] { transfers->CloseAll(); });
    m_pMainWnd->RegisterMainWindow(m_gui);

    m_pMainWnd->resize(kInitialWidth, kInitialHeight);
    m_pMainWnd->show();
    platform::PostMessage(m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_LOGIN, 0);
    return true;
}

}  // namespace nimbo
