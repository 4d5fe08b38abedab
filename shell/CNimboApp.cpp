#include "shell/CNimboApp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyleFactory>

#include "shell/AppStyle.h"
#include "shell/CBuddyWnd.h"
#include "shell/DesktopNotifier.h"
#include "shell/FileTransfers.h"
#include "shell/CMainFrame.h"
#include "shell/QtFileChooser.h"
#include "shell/SessionWorker.h"
#include "shell/TrayIcon.h"
#include "shell/CommandIds.h"
#include "shell/DialogUnits.h"

namespace nimbo {

namespace {

// Room for both columns of the buddy list.
constexpr int INITIAL_WIDTH = 500;
constexpr int INITIAL_HEIGHT = 420;

}  // namespace

CNimboApp::CNimboApp() = default;

CNimboApp::~CNimboApp() {
    if (m_buddyWnd != nullptr) {
        m_buddyWnd->SetNotifier(nullptr);
    }
    if (m_transfers) {
        m_buddyWnd->SetFileTransferHook(nullptr);
        m_transfers.reset();
    }
    if (m_pMainWnd) {
        m_messageBoxes.Close();
        platform::SetMessageBoxHandler(std::move(m_previousMessageBox));
    }
}

// No socket layer needs starting on this platform, so start-up cannot fail.
bool CNimboApp::InitInstance(AgentSession& session) {
    m_previousMessageBox = platform::SetMessageBoxHandler(m_messageBoxes);
    UseKoreanFamily();
    UseAppStyle();
    // The framework's own profile name; the sign-in settings name their
    // organisation and application themselves (CRegistryKey).
    QCoreApplication::setApplicationName(QStringLiteral("CENimbo"));
    // The installed desktop entry, by which the desktop shows the windows
    // with its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.halvorn.Nimbo"));

    m_worker = std::make_unique<SessionWorker>(m_gui);
    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pMainWnd->SetSessionWorker(m_worker.get());
    m_buddyWnd = new CBuddyWnd(session, *m_worker);
    m_pMainWnd->SetPane(m_buddyWnd, m_buddyWnd, m_buddyWnd);
    m_buddyWnd->SetPopupMenu(m_pMainWnd->BuddyMenu());
    m_fileChooser = std::make_unique<QtFileChooser>();
    m_transfers =
        std::make_unique<FileTransfers>(TransferServices{&session, &m_gui, m_fileChooser.get(), m_worker.get()});
    m_buddyWnd->SetFileTransferHook(m_transfers.get());
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [transfers = m_transfers.get()] { transfers->CloseAll(); });
    // A main window hidden in the tray is no visible window, so its close
    // ends the application itself.
    QObject::connect(m_pMainWnd.get(), &CMainFrame::Closing, m_pMainWnd.get(),
                     [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });

    CMainFrame* frame = m_pMainWnd.get();
    m_tray = std::make_unique<TrayIcon>([frame](unsigned id) { frame->OnCmdMsg(id); });
    frame->SetTrayAvailable(m_tray->Icon().isVisible());
    m_notifier = std::make_unique<DesktopNotifier>();
    m_notifier->SetTray(&m_tray->Icon());
    m_buddyWnd->SetNotifier(m_notifier.get());
    QObject::connect(m_buddyWnd, &CBuddyWnd::StateChanged, frame,
                     [frame, tray = m_tray.get()](const SignInState& state) {
                         frame->ShowState(state);
                         tray->ShowState(state);
                     });
    QObject::connect(m_buddyWnd, &CBuddyWnd::Notice, frame, &CMainFrame::ShowNotice);
    frame->ShowState(m_buddyWnd->State());
    m_tray->ShowState(m_buddyWnd->State());
    m_pMainWnd->RegisterMainWindow(m_gui);

    m_pMainWnd->resize(INITIAL_WIDTH, INITIAL_HEIGHT);
    m_pMainWnd->show();
    platform::PostMessage(m_pMainWnd->GetSafeHwnd(), WM_COMMAND, ID_LOGIN, 0);
    return true;
}

void CNimboApp::UseKoreanFamily() {
    QFont font = QApplication::font();
    if (QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Korean)) {
        return;
    }
    font.setFamily(DialogUnits::TemplateFont(QStringLiteral("System"), 8).family());
    QApplication::setFont(font);
}

// Over a style of the kind the application has, so that the user's choice
// (-style, QT_STYLE_OVERRIDE) stays.
void CNimboApp::UseAppStyle() {
    if (dynamic_cast<AppStyle*>(QApplication::style()))
        return;
    if (QStyle* base = QStyleFactory::create(QApplication::style()->name()))
        QApplication::setStyle(new AppStyle(base));
}

}  // namespace nimbo
