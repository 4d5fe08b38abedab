#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

#include "shell/SignInState.h"

namespace nimbo {

class StatusMenu;

// The application's icon in the desktop's system tray, shown only where
// there is a tray: its picture tells signed in, signed out and unread notes
// apart, its tip says who is signed in, and its menu offers show/hide, the
// own status, log in, log out and exit. A click shows or hides the main
// window. Every item sends its command to `command`.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(std::function<void(unsigned id)> command, QObject* parent = nullptr);

    void ShowState(const SignInState& state);

    QSystemTrayIcon& Icon() { return m_icon; }
    QMenu& Menu() { return m_menu; }
    // The menu item of command `id`, or nullptr.
    QAction* Action(unsigned id) const;

private:
    QMenu m_menu;
    StatusMenu* m_status;
    QSystemTrayIcon m_icon;
    QIcon m_signedIn;
    QIcon m_signedOut;
    QIcon m_unread;
};

}  // namespace nimbo
