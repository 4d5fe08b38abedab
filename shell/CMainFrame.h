#pragma once

#include <QHash>
#include <QMainWindow>

#include "platform/WindowMessages.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace nimbo {

class SessionWorker;
class StatusMenu;
class ICommandHandler;
struct SignInState;

// The application's one top-level window: title, menu bar, tool bar and
// accelerators, with a single pane as its central window. Every command is
// offered to the pane's handler first and only then handled by the frame.
// Closing the frame, by its close control or the exit command, first makes
// the pane log out, then tells Closing; a close asked for while a session
// operation runs waits for its end. Where the desktop has a tray, the user
// may choose (and the settings remember) that closing or minimising the
// frame hides it in the tray instead, signed in; the exit command still
// ends the application. Registered as the platform's main
// window, it takes the notification listener's messages and passes them to
// the pane. Its title and status bar tell who is signed in.
class CMainFrame : public QMainWindow, public platform::IMessageHandler {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);
    // Destroys the frame's window handle first, so that nothing can reach the
    // frame once it starts to go.
    ~CMainFrame() override;

    // Makes `pane` the frame's central window (the frame owns it), `handler`
    // the first receiver of every command and `messages` the receiver of the
    // listener's messages; any of them may be null.
    void SetPane(QWidget* pane, ICommandHandler* handler, platform::IMessageHandler* messages = nullptr);

    // Gives the frame a window handle owned by `thread` (the GUI thread) and
    // makes it the platform's main window, the one the notification listener
    // posts and sends to. `thread` must outlive the frame.
    void RegisterMainWindow(platform::IMessageThread& thread);
    // The worker whose running operation a close waits for; not owned, may
    // be null.
    void SetSessionWorker(SessionWorker* worker);
    // Whether the desktop has a tray to hide the frame in; none until told.
    void SetTrayAvailable(bool available);

    // Shows the sign-in in the title, the status bar and the status menu.
    void ShowState(const SignInState& state);
    // Shows `text` in the status bar until the next message.
    void ShowNotice(const QString& text);
    platform::HWND GetSafeHwnd() const { return m_hWnd; }

    // WM_COMMAND routes the command in wParam as OnCmdMsg does; the
    // listener's messages go on to the pane synchronously. Returns 0.
    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

    // Routes command `id`: the pane's handler, then the frame. Returns true
    // when one of them handled it.
    bool OnCmdMsg(unsigned id);

    // The buddy commands' menu ("친구"), also the buddy list's popup menu.
    QMenu* BuddyMenu() const { return m_buddyMenu; }
    StatusMenu* GetStatusMenu() const { return m_statusMenu; }
    // What the status bar shows: the lasting sign-in text, and the notice.
    QString StatusText() const;
    QString NoticeText() const;

    // The menu or tool bar action of command `id`, or nullptr.
    QAction* Action(unsigned id) const { return m_actions.value(id, nullptr); }

    QToolBar* CommandBar() const { return m_commandBar; }

signals:
    // The frame closes, after its pane logged out: the application ends.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    QAction* AddAction(QMenu* menu, const QString& text, unsigned id);
    bool OnFrameCommand(unsigned id);
    void OnHelp();
    void ShowOrHide();
    void HideInTray();
    bool HidesInTray() const;
    void CreateTraySetting();

    ICommandHandler* m_handler = nullptr;
    platform::IMessageHandler* m_paneMessages = nullptr;
    platform::HWND m_hWnd = platform::NULL_WINDOW;
    QHash<unsigned, QAction*> m_actions;
    QMenu* m_buddyMenu = nullptr;
    StatusMenu* m_statusMenu = nullptr;
    QToolBar* m_commandBar = nullptr;
    QLabel* m_signInLabel = nullptr;
    SessionWorker* m_worker = nullptr;
    bool m_closeWhenIdle = false;
    bool m_trayAvailable = false;
    // The exit command asked for the close, which no setting turns into hiding.
    bool m_exiting = false;
    QString m_signingIn;
};

}  // namespace nimbo
