#include "shell/CBuddyWnd.h"

#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include <optional>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/BuddyName.h"
#include "buddies/CBuddyInfo.h"
#include "buddies/LogonStatus.h"
#include "net/AgentProtocol.h"
#include "platform/MessageBox.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "session/SessionMessages.h"
#include "shell/CAboutDlg.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/DesktopNotifier.h"
#include "shell/CLoginDlg.h"
#include "shell/CRegistryKey.h"
#include "shell/SessionWorker.h"
#include "shell/StatusMessageDlg.h"
#include "shell/CWaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/FailureText.h"
#include "shell/IFileTransferHook.h"
#include "shell/ResourceStrings.h"
#include "transfer/FileOffer.h"

namespace nimbo {

namespace {

struct CommandEntry {
    unsigned id;
    void (CBuddyWnd::*handler)();
};

const QString USER_ID_VALUE = QString::fromLatin1(CRegistryKey::USER_ID_VALUE);
const QString PASSWORD_VALUE = QString::fromLatin1(CRegistryKey::PASSWORD_VALUE);

struct Credentials {
    QString userId;
    QString password;
};

// A password the server refused is not kept. The one saved before stays
// when it was saved for the same ID and is another; otherwise none is kept.
void ForgetRefusedPassword(CRegistryKey& settings, const Credentials& saved, const Credentials& refused) {
    const bool keepSaved = saved.userId == refused.userId && saved.password != refused.password;
    settings.WriteString(PASSWORD_VALUE, keepSaved ? saved.password : QString());
}

}  // namespace

CBuddyWnd::CBuddyWnd(AgentSession& session, SessionWorker& worker, QWidget* parent)
    : QWidget(parent),
      m_session(session),
      m_worker(worker),
      m_list(new CBuddyListCtrl(this)),
      m_notes(session, worker, this),
      // A timer of this window never fires after the window has gone.
      m_logonRefresh([this] { Redraw(true); },
                     [this](std::chrono::milliseconds delay, std::function<void()> call) {
                         QTimer::singleShot(delay, this, std::move(call));
                     }) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    setFocusProxy(m_list);
    connect(m_list, &CBuddyListCtrl::RefillRequested, this, [this] { Redraw(false); });
    connect(m_list, &CBuddyListCtrl::SendNoteRequested, this, [this] { OnSendNote(); });
    connect(m_list, &CBuddyListCtrl::FilesDropped, this, &CBuddyWnd::OnFilesDropped);
    m_list->SetSignedOut(true);
    m_state.presence = OwnPresence::Load(CRegistryKey());
    m_notes.SetUnreadWatcher([this](int count) {
        m_state.unread = count;
        emit StateChanged(m_state);
    });
}

void CBuddyWnd::SetPopupMenu(QMenu* menu) {
    m_list->SetPopupMenu(menu);
}

bool CBuddyWnd::OnCommand(unsigned id) {
    static constexpr CommandEntry COMMANDS[] = {
        {ID_LOGIN, &CBuddyWnd::OnLogin},       {ID_LOGOUT, &CBuddyWnd::OnLogout},
        {ID_SEND_NOTE, &CBuddyWnd::OnSendNote}, {ID_REFRESH, &CBuddyWnd::OnRefresh},
        {ID_SEND_FILE, &CBuddyWnd::OnSendFile}, {ID_APP_ABOUT, &CBuddyWnd::OnAbout},
        {ID_APP_EXIT, &CBuddyWnd::OnExit},      {ID_STATUS_MESSAGE, &CBuddyWnd::OnStatusMessage},
    };
    if (const int status = StatusOfCommand(id); status >= 0) {
        OnStatus(status);
        return true;
    }
    for (const CommandEntry& entry : COMMANDS) {
        if (entry.id == id) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

platform::LRESULT CBuddyWnd::HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM) {
    switch (message) {
    case WM_PEERCALL:
        OnPeerCall();
        break;
    case WM_LOGONNOTIFY:
        OnLogonNotify(wParam);
        break;
    case WM_LISTENERLOST:
        OnListenerLost();
        break;
    default:
        break;
    }
    return 0;
}

std::u16string CBuddyWnd::SelectedRecipient() const {
    const BuddyRow* row = m_list->SelectedRow();
    return row != nullptr && row->buddy != nullptr ? row->buddy->UserId() : std::u16string();
}

// With `fetch`, a logged-in window has the session fetch the presence and
// group lists again first, the list repainting the rows it showed while the
// tables are emptied and filled; the rows are then rebuilt from the tables. A
// signed-out list keeps its buddies but shows none of them present: what
// was last fetched is no longer known to be true.
void CBuddyWnd::Redraw(bool fetch) {
    if (IsLoggedIn() && fetch) {
        m_list->KeepShown();
        m_worker.Run([this] { m_session.GetLogonStatusTable(true); });
        if (m_session.LastFailure().kind != FailureKind::None) {
            emit Notice(QStringLiteral("친구 목록을 받지 못했습니다. ") + FailureText(m_session.LastFailure()));
        }
    }
    std::vector<BuddyRow> rows = BuildBuddyRows(m_session.GetGroupTable(), m_session.GetBuddyTable());
    if (!IsLoggedIn()) {
        ShowEveryoneOffline(rows);
    }
    m_list->Refill(std::move(rows));
}

void CBuddyWnd::SetPhase(SignInPhase phase) {
    m_state.phase = phase;
    m_state.userId = phase == SignInPhase::SignedOut ? QString() : m_strUserId;
    m_list->SetSignedOut(phase != SignInPhase::SignedIn);
    emit StateChanged(m_state);
}

// The values typed are saved before the login is tried, so an unreachable
// server offers them again next time; a refused password is then taken
// back. The window counts as logged in once the server has accepted the
// sign-in; when it has not, the user is told why in one message box.
void CBuddyWnd::OnLogin() {
    CRegistryKey settings;
    CLoginDlg dialog(this);
    settings.ReadString(USER_ID_VALUE, dialog.m_strUserId);
    settings.ReadString(PASSWORD_VALUE, dialog.m_strPassword);
    const Credentials saved{dialog.m_strUserId, dialog.m_strPassword};
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    settings.WriteString(USER_ID_VALUE, dialog.m_strUserId);
    settings.WriteString(PASSWORD_VALUE, dialog.m_strPassword);

    if (!SignIn(dialog.m_strUserId, dialog.m_strPassword)) {
        const SessionFailure failure = m_session.LastFailure();
        if (failure.kind == FailureKind::Refused) {
            ForgetRefusedPassword(settings, saved, Credentials{dialog.m_strUserId, dialog.m_strPassword});
        }
        platform::ShowMessageBox(LoginFailureText(failure).toStdU16String(), platform::MessageBoxButtons::Ok,
                                 u"로그인");
        return;
    }
    m_state.presence = OwnPresence::Load(settings);
    AnnouncePresence(m_state.presence);
}

// True when the server accepted the sign-in. While it runs the window says
// so; a refused sign-in leaves the window as the session is left: signed in
// as before when that sign-in still stands, else signed out.
bool CBuddyWnd::SignIn(const QString& userId, const QString& password) {
    m_strUserId = userId;
    SetPhase(SignInPhase::SigningIn);
    if (m_worker.Run([&] { return m_session.Login(userId.toStdU16String(), password.toStdU16String()); })) {
        SetPhase(SignInPhase::SignedIn);
        return true;
    }
    m_strUserId = m_session.IsLoggedIn() ? QString::fromStdU16String(m_session.GetUserId().ToWide()) : QString();
    SetPhase(m_strUserId.isEmpty() ? SignInPhase::SignedOut : SignInPhase::SignedIn);
    Redraw(false);
    return false;
}

// Sets the own presence on the server; the list is fetched once the server
// took it, as after every sign-in.
void CBuddyWnd::AnnouncePresence(const OwnPresence& presence) {
    emit StateChanged(m_state);
    const std::u16string message = presence.message.toStdU16String();
    if (m_worker.Run([&] { return m_session.SetLogonStat(presence.status, message); })) {
        Redraw(true);
    } else {
        emit Notice(QStringLiteral("상태를 알리지 못했습니다. ") + FailureText(m_session.LastFailure()));
    }
}

// The list no longer shows presence; logging out also lets the
// notification listener end.
void CBuddyWnd::OnLogout() {
    CWaitCursor wait;
    if (!IsLoggedIn()) {
        return;
    }
    m_strUserId.clear();
    SetPhase(SignInPhase::SignedOut);
    Redraw(false);
    m_worker.Run([this] {
        m_session.SetLogonStat(LOGON_OFFLINE, u"");
        m_session.Logout();
    });
}

void CBuddyWnd::OnSendNote() {
    const std::u16string recipient = SelectedRecipient();
    if (!recipient.empty()) {
        m_notes.SendNote(QString::fromStdU16String(recipient));
    }
}

void CBuddyWnd::OnRefresh() {
    CWaitCursor wait;
    Redraw(true);
}

void CBuddyWnd::OnSendFile() {
    const std::u16string recipient = SelectedRecipient();
    if (!recipient.empty() && m_transfer != nullptr) {
        m_transfer->StartFileTransfer(m_session.GetUserId().ToWide(), recipient);
    }
}

// Each dropped file goes as if chosen in a send-file window of its own.
void CBuddyWnd::OnFilesDropped(const std::u16string& peerId, const QStringList& paths) {
    if (m_transfer == nullptr) {
        return;
    }
    std::vector<std::u16string> files;
    for (const QString& path : paths) {
        files.push_back(path.toStdU16String());
    }
    m_transfer->SendFiles(m_session.GetUserId().ToWide(), peerId, files);
}

// The address shown is the one file offers announce, the local address of
// the route to the agent server, not whatever the host name resolves to.
void CBuddyWnd::OnAbout() {
    CAboutDlg dialog(m_strUserId, QString::fromStdU16String(OwnAddressForPeers()), this);
    dialog.DoModal();
}

// The main window logs out before it closes.
void CBuddyWnd::OnExit() {
    window()->close();
}

// The choice is kept for the next sign-in; while signed in the server hears
// of it at once.
void CBuddyWnd::OnStatus(int status) {
    OwnPresence presence = OwnPresence::Saved(CRegistryKey()).value_or(OwnPresence{});
    presence.status = status;
    ChoosePresence(presence);
}

void CBuddyWnd::OnStatusMessage() {
    OwnPresence presence = OwnPresence::Saved(CRegistryKey()).value_or(OwnPresence{});
    StatusMessageDlg dialog(this);
    dialog.m_strMessage = presence.message;
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    presence.message = dialog.m_strMessage;
    ChoosePresence(presence);
}

void CBuddyWnd::ChoosePresence(const OwnPresence& presence) {
    CRegistryKey settings;
    presence.Save(settings);
    m_state.presence = presence;
    if (IsLoggedIn()) {
        AnnouncePresence(presence);
    } else {
        emit StateChanged(m_state);
    }
}

// One record per message; a record of a kind nobody takes is released.
void CBuddyWnd::OnPeerCall() {
    std::unique_ptr<PeerCallRecord> record = m_session.TakePeerCall();
    if (!record) {
        return;
    }
    NotifyPeerCall(*record);
    const std::optional<PeerCallKind> kind = PeerCallKindOf(record->strKind);
    if (kind == PeerCallKind::Note) {
        m_notes.ShowReceivedNote(std::move(record));
    } else if (kind == PeerCallKind::FileOffer && m_transfer != nullptr) {
        m_transfer->OnFileOffer(std::move(record));
    }
}

void CBuddyWnd::NotifyPeerCall(const PeerCallRecord& record) {
    if (m_notifier == nullptr) {
        return;
    }
    const QString from = QString::fromStdU16String(BuddyName(m_session.GetBuddyTable(), record.strFrom));
    const std::optional<PeerCallKind> kind = PeerCallKindOf(record.strKind);
    if (kind == PeerCallKind::Note) {
        QString text = QString::fromStdU16String(record.strBody);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_notifier->NotifyIfAway(*window(), QStringLiteral("%1님의 쪽지").arg(from), text);
    } else if (kind == PeerCallKind::FileOffer) {
        m_notifier->NotifyIfAway(*window(), QStringLiteral("%1님이 파일을 보내려 합니다").arg(from),
                                 QString::fromStdU16String(ParseFileOffer(record.strBody).strFileName));
    }
}

void CBuddyWnd::OnLogonNotify(platform::WPARAM wParam) {
    if (wParam == LOGON_NOTIFY_FLAG) {
        m_logonRefresh.Notice();
    }
}

// Nothing goes to the server: the connection is already gone. The user is
// told without a box that would stop the listener's report: in the status
// bar, and on the desktop when the window is out of sight.
void CBuddyWnd::OnListenerLost() {
    m_strUserId.clear();
    SetPhase(SignInPhase::SignedOut);
    Redraw(false);
    const QString lost = QStringLiteral("서버와의 연결이 끊어졌습니다. 다시 로그인하십시오.");
    emit Notice(lost);
    if (m_notifier != nullptr) {
        m_notifier->NotifyIfAway(*window(), LoadResourceString(AFX_IDS_APP_TITLE), lost);
    }
}

}  // namespace nimbo
