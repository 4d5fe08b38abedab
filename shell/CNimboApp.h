#pragma once

#include <memory>

#include "platform/MessageBox.h"
#include "shell/QtMessageBoxHandler.h"
#include "shell/QtMessageThread.h"
#include "shell/QtStockTranslations.h"

namespace nimbo {

class AgentSession;
class CBuddyWnd;
class DesktopNotifier;
class FileTransfers;
class CMainFrame;
class QtFileChooser;
class SessionWorker;
class TrayIcon;

// The application object: it owns the main window, the file transfers, the
// tray icon, the desktop notifications, the worker that runs the session's
// operations and the GUI thread's message queue, through which the
// notification listener and the transfer workers reach their windows. Built after the QApplication
// and before the session; destroyed after the session, so that the session's
// listener has ended before the window it reports to goes away. The
// transfers end with the main window: closing it closes every transfer
// window and stops its worker with a bound.
class CNimboApp {
public:
    CNimboApp();
    // Closes the transfers still open, then closes and replaces the message
    // box handler that InitInstance installed, before the windows and the GUI
    // thread's queue go: a worker that outlived its bound then shows nothing
    // and can no longer reach the queue.
    ~CNimboApp();
    CNimboApp(const CNimboApp&) = delete;
    CNimboApp& operator=(const CNimboApp&) = delete;

    // Start-up: shows message boxes as Qt dialogs, creates the main window
    // with its buddy window over `session` (which must outlive this object's
    // main window), shows it, and posts the login command so that the login
    // dialog opens as soon as the event loop runs. True to enter the loop.
    bool InitInstance(AgentSession& session);
    // Every text of this application is Korean. A desktop font without
    // Hangul would borrow each Hangul glyph from a Korean font, mixing two
    // fonts' shapes in every line and loading both; the Korean family the
    // dialogs use is taken instead, at the desktop font's size.
    static void UseKoreanFamily();

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    CBuddyWnd* GetBuddyWnd() const { return m_buddyWnd; }
    FileTransfers* GetFileTransfers() const { return m_transfers.get(); }
    TrayIcon* GetTrayIcon() const { return m_tray.get(); }
    DesktopNotifier* GetNotifier() const { return m_notifier.get(); }

private:
    // Has the application draw with AppStyle.
    static void UseAppStyle();

    // First, so that every window speaks its language from the start.
    QtStockTranslations m_stockTexts;
    QtMessageThread m_gui;
    QtMessageBoxHandler m_messageBoxes{m_gui};
    platform::MessageBoxHandler m_previousMessageBox;
    std::unique_ptr<SessionWorker> m_worker;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    CBuddyWnd* m_buddyWnd = nullptr;  // owned by the main window
    std::unique_ptr<QtFileChooser> m_fileChooser;
    std::unique_ptr<FileTransfers> m_transfers;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<DesktopNotifier> m_notifier;
};

}  // namespace nimbo
