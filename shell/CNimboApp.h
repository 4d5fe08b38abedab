#pragma once

#include <memory>

#include "platform/MessageBox.h"
#include "shell/QtMessageThread.h"

namespace nimbo {

class AgentSession;
class CBuddyWnd;
class CMainFrame;

// The application object: it owns the main window and the GUI thread's
// message queue, through which the notification listener reaches the
// window. Built after the QApplication and before the session; destroyed
// after the session, so that the session's listener has ended before the
// window it reports to goes away.
class CNimboApp {
public:
    CNimboApp();
    // Restores the message box handler that InitInstance replaced.
    ~CNimboApp();
    CNimboApp(const CNimboApp&) = delete;
    CNimboApp& operator=(const CNimboApp&) = delete;

    // Start-up: shows message boxes as Qt dialogs, creates the main window
    // with its buddy window over `session` (which must outlive this object's
    // main window), shows it, and posts the login command so that the login
    // dialog opens as soon as the event loop runs. True to enter the loop.
    bool InitInstance(AgentSession& session);

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    CBuddyWnd* GetBuddyWnd() const { return m_pBuddyWnd; }

private:
    QtMessageThread m_gui;
    platform::MessageBoxHandler m_previousMessageBox;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    CBuddyWnd* m_pBuddyWnd = nullptr;  // owned by the main window
};

}  // namespace nimbo
