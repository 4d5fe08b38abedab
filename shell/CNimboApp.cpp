#include "shell/CNimboApp.h"

#include <QCoreApplication>

#include "shell/CBuddyWnd.h"
#include "shell/FileTransfers.h"
#include "shell/CMainFrame.h"
#include "shell/QtFileChooser.h"
#include "shell/CommandIds.h"
#include "shell/QtMessageBoxHandler.h"

namespace nimbo {

namespace {

// Room for both columns of the buddy list.
constexpr int INITIAL_WIDTH = 500;
constexpr int INITIAL_HEIGHT = 420;

}  // namespace

CNimboApp::CNimboApp() = default;

CNimboApp::~CNimboApp() {
    if (m_transfers) {
        m_buddyWnd->SetFileTransferHook(nullptr);
        m_transfers.reset();
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

    m_pMainWnd = std::make_unique<CMainFrame>();
    m_buddyWnd = new CBuddyWnd(session);
    m_pMainWnd->SetPane(m_buddyWnd, m_buddyWnd, m_buddyWnd);
    m_buddyWnd->SetPopupMenu(m_pMainWnd->BuddyMenu());
    m_fileChooser = std::make_unique<QtFileChooser>();
    m_transfers = std::make_unique<FileTransfers>(TransferServices{&session, &m_gui, m_fileChooser.get()});
    m_buddyWnd->SetFileTransferHook(m_transfers.get());
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [transfers = m_transfers.get()] { transfers->CloseAll(); });
    m_pMainWnd->RegisterMainWindow(m_gui);

    m_pMainWnd->resize(INITIAL_WIDTH, INITIAL_HEIGHT);
    m_pMainWnd->show();
    platform::PostMessage(m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_LOGIN, 0);
    return true;
}

}  // namespace nimbo
