#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>

#include "platform/WindowMessages.h"
#include "session/RefreshThrottle.h"
#include "shell/NoteFlow.h"
#include "shell/ICommandHandler.h"
#include "shell/SignInState.h"

class QMenu;

namespace nimbo {

class AgentSession;
class CBuddyListCtrl;
class DesktopNotifier;
class SessionWorker;
class IFileTransferHook;
struct PeerCallRecord;

// The window the user works in: it holds the buddy list, keeps the user ID
// of the sign-in the server accepted (logged in means: not empty), and turns
// every command and every message of the notification listener into session
// operations, run aside by the session worker, followed by a redraw of the
// list. It tells what it shows of the sign-in through StateChanged, and
// what the user should know in passing through Notice.
class CBuddyWnd : public QWidget, public ICommandHandler, public platform::IMessageHandler {
    Q_OBJECT

public:
    static constexpr int AFX_IDW_PANE_FIRST = 0xE900;

    // `session` and `worker` must outlive the window.
    CBuddyWnd(AgentSession& session, SessionWorker& worker, QWidget* parent = nullptr);

    // Handles the commands of the menus, the tool bar and the popup menu;
    // false for any other command.
    bool OnCommand(unsigned id) override;
    // WM_PEERCALL, WM_LOGONNOTIFY and WM_LISTENERLOST; each returns 0.
    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

    // The menu a tap on the list opens outside a group header; not owned.
    void SetPopupMenu(QMenu* menu);
    // Where send-file and file offers go; not owned, may be null (none).
    void SetFileTransferHook(IFileTransferHook* hook) { m_transfer = hook; }
    // What tells the user about notes, offers and a lost connection while
    // they look elsewhere; not owned, may be null (nothing is told).
    void SetNotifier(DesktopNotifier* notifier) { m_notifier = notifier; }

    CBuddyListCtrl& List() const { return *m_list; }
    const QString& RecordedUserId() const { return m_strUserId; }
    const SignInState& State() const { return m_state; }

    // The user ID of the buddy on the selected row, bare (no display name,
    // no leading blank); empty when no row or a group row is selected.
    std::u16string SelectedRecipient() const;

signals:
    void StateChanged(const SignInState& state);
    // A message for the status bar.
    void Notice(const QString& text);

private:
    void OnLogin();
    void OnLogout();
    void OnSendNote();
    void OnRefresh();
    void OnSendFile();
    void OnFilesDropped(const std::u16string& peerId, const QStringList& paths);
    void OnAbout();
    void OnExit();
    void OnStatus(int status);
    void OnStatusMessage();
    // Keeps `presence` for the next sign-in and, while signed in, sets it.
    void ChoosePresence(const OwnPresence& presence);
    void OnPeerCall();
    void OnLogonNotify(platform::WPARAM wParam);
    void OnListenerLost();
    bool SignIn(const QString& userId, const QString& password);
    void AnnouncePresence(const OwnPresence& presence);
    void Redraw(bool fetch);
    void SetPhase(SignInPhase phase);
    void NotifyPeerCall(const PeerCallRecord& record);
    bool IsLoggedIn() const { return !m_strUserId.isEmpty(); }

    AgentSession& m_session;
    SessionWorker& m_worker;
    CBuddyListCtrl* m_list;
    NoteFlow m_notes;
    QString m_strUserId;
    SignInState m_state;
    IFileTransferHook* m_transfer = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    // Logon notices redraw with fresh tables, coalesced.
    RefreshThrottle m_logonRefresh;
};

}  // namespace nimbo
