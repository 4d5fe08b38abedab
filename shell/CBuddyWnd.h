#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "platform/WindowMessages.h"
#include "session/RefreshThrottle.h"
#include "shell/CNoteFlow.h"
#include "shell/ICommandHandler.h"

class QMenu;

namespace nimbo {

class AgentSession;
class CBuddyListCtrl;
class IFileTransferHook;

// The window the user works in: it holds the buddy list, keeps the user ID
// confirmed at the last login (logged in means: not empty), and turns every
// command and every message of the notification listener into session
// operations followed by a redraw of the list.
class CBuddyWnd : public QWidget, public ICommandHandler, public platform::IMessageHandler {
    Q_OBJECT

public:
    static constexpr int AFX_IDW_PANE_FIRST = 0xE900;

    explicit CBuddyWnd(AgentSession& session, QWidget* parent = nullptr);

    // Handles the commands of the menus, the tool bar and the popup menu;
    // false for any other command.
    bool OnCommand(unsigned id) override;
    // WM_PEERCALL, WM_LOGONNOTIFY and WM_LISTENERLOST; each returns 0.
    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

    // The menu a tap on the list opens outside a group header; not owned.
    void SetPopupMenu(QMenu* menu);
    // Where send-file and file offers go; not owned, may be null (none).
    void SetFileTransferHook(IFileTransferHook* hook) { m_transfer = hook; }

    CBuddyListCtrl& List() const { return *m_list; }
    const QString& RecordedUserId() const { return m_strUserId; }

    // The user ID of the buddy on the selected row, bare (no display name,
    // no leading blank); empty when no row or a group row is selected.
    std::u16string SelectedRecipient() const;

private:
    void OnLogin();
    void OnLogout();
    void OnSendNote();
    void OnRefresh();
    void OnSendFile();
    void OnAbout();
    void OnExit();
    void OnPeerCall();
    void OnLogonNotify(platform::WPARAM wParam);
    void OnListenerLost();
    void Redraw(bool fetch);
    bool IsLoggedIn() const { return !m_strUserId.isEmpty(); }

    AgentSession& m_session;
    CBuddyListCtrl* m_list;
    CNoteFlow m_notes;
    QString m_strUserId;
    IFileTransferHook* m_transfer = nullptr;
    // Logon notices redraw with fresh tables, coalesced.
    RefreshThrottle m_logonRefresh;
};

}  // namespace nimbo
