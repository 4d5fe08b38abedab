#include "shell/CBuddyWnd.h"

#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include <optional>

#include "buddies/CBuddyInfo.h"
#include "buddies/LogonStatus.h"
#include "net/AgentProtocol.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "session/SessionMessages.h"
#include "shell/CAboutDlg.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CLoginDlg.h"
#include "shell/CRegistryKey.h"
#include "shell/CWaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/IFileTransferHook.h"

namespace nimbo {

namespace {

struct CommandEntry {
    unsigned id;
    void (CBuddyWnd::*handler)();
};

}  // namespace

CBuddyWnd::CBuddyWnd(AgentSession& session, QWidget* parent)
    : QWidget(parent),
      m_session(session),
      m_list(new CBuddyListCtrl(this)),
      m_notes(session, this),
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
}

void CBuddyWnd::SetPopupMenu(QMenu* menu) {
    m_list->SetPopupMenu(menu);
}

bool CBuddyWnd::OnCommand(unsigned id) {
    static constexpr CommandEntry kCommands[] = {
        {ID_LOGIN, &CBuddyWnd::OnLogin},       {ID_LOGOUT, &CBuddyWnd::OnLogout},
        {ID_SEND_NOTE, &CBuddyWnd::OnSendNote}, {ID_REFRESH, &CBuddyWnd::OnRefresh},
        {ID_SEND_FILE, &CBuddyWnd::OnSendFile}, {ID_APP_ABOUT, &CBuddyWnd::OnAbout},
        {ID_APP_EXIT, &CBuddyWnd::OnExit},
    };
    for (const CommandEntry& entry : kCommands) {
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
    return row != nullptr && row->buddy != nullptr ? row->buddy->userId : std::u16string();
}

// With `fetch`, a logged-in window has the session fetch the presence and
// group lists again first; the rows are then rebuilt from the tables.
void CBuddyWnd::Redraw(bool fetch) {
    if (IsLoggedIn()) {
        m_session.GetLogonStatusTable(fetch);
    }
    m_list->Refill(m_session.GetGroupTable(), m_session.GetBuddyTable());
}

// The values typed are saved before the login is tried, so a refused login
// offers them again next time. The window counts as logged in from the
// moment the dialog is confirmed; once the server has refused, it shows what
// the session is left with: the earlier sign-in when that still listens,
// else none.
void CBuddyWnd::OnLogin() {
    CRegistryKey settings;
    CLoginDlg dialog(this);
    settings.ReadString(QString::fromLatin1(CRegistryKey::USER_ID_VALUE), dialog.m_strUserId);
    settings.ReadString(QString::fromLatin1(CRegistryKey::PASSWORD_VALUE), dialog.m_strPassword);
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    settings.WriteString(QString::fromLatin1(CRegistryKey::USER_ID_VALUE), dialog.m_strUserId);
    settings.WriteString(QString::fromLatin1(CRegistryKey::PASSWORD_VALUE), dialog.m_strPassword);

    CWaitCursor wait;
    m_strUserId = dialog.m_strUserId;
    if (!m_session.Login(m_strUserId.toStdU16String(), dialog.m_strPassword.toStdU16String())) {
        m_strUserId = m_session.IsLoggedIn() ? QString::fromStdU16String(m_session.GetUserId().ToWide()) : QString();
        return;
    }
    if (m_session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT)) {
        Redraw(true);
    }
}

// The list keeps the tables as last fetched; logging out also lets the
// notification listener end.
void CBuddyWnd::OnLogout() {
    CWaitCursor wait;
    if (!IsLoggedIn()) {
        return;
    }
    m_strUserId.clear();
    Redraw(false);
    m_session.SetLogonStat(LOGON_OFFLINE, u"");
    m_session.Logout();
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

// One record per message; a record of a kind nobody takes is released.
void CBuddyWnd::OnPeerCall() {
    std::unique_ptr<PeerCallRecord> record = m_session.TakePeerCall();
    if (!record) {
        return;
    }
    const std::optional<PeerCallKind> kind = PeerCallKindOf(record->strKind);
    if (kind == PeerCallKind::Note) {
        m_notes.ShowReceivedNote(std::move(record));
    } else if (kind == PeerCallKind::FileOffer && m_transfer != nullptr) {
        m_transfer->OnFileOffer(std::move(record));
    }
}

void CBuddyWnd::OnLogonNotify(platform::WPARAM wParam) {
    if (wParam == LOGON_NOTIFY_FLAG) {
        m_logonRefresh.Notice();
    }
}

// Nothing goes to the server: the connection is already gone.
void CBuddyWnd::OnListenerLost() {
    m_strUserId.clear();
    Redraw(false);
}

}  // namespace nimbo
