#include "shell/NoteFlow.h"

#include "session/AgentSession.h"
#include "shell/CNoteDlg.h"
#include "shell/SessionWorker.h"
#include "shell/FailureText.h"

namespace nimbo {

NoteFlow::NoteFlow(AgentSession& session, SessionWorker& worker, QWidget* parent)
    : m_session(session), m_worker(worker), m_parent(parent) {}

void NoteFlow::SendNote(const QString& recipient) {
    QString text;
    QString notSentReason;
    for (;;) {
        CNoteDlg dialog(NoteTemplate::Send, m_parent);
        dialog.m_strName = recipient;
        dialog.m_strText = text;
        if (!notSentReason.isNull()) {
            dialog.ShowNotSentNotice(notSentReason);
        }
        if (dialog.DoModal() != QDialog::Accepted) {
            return;
        }
        text = dialog.m_strText;
        const bool sent = m_worker.Run(
            [&] { return m_session.SendInstantMessage(recipient.toStdU16String(), text.toStdU16String()); });
        if (sent) {
            return;
        }
        notSentReason = FailureText(m_session.LastFailure());
    }
}

void NoteFlow::ShowReceivedNote(std::unique_ptr<PeerCallRecord> record) {
    CNoteDlg dialog(NoteTemplate::Receive, m_parent);
    dialog.m_strName = QString::fromStdU16String(record->strFrom);
    dialog.m_strText = QString::fromStdU16String(record->strBody);
    record.reset();
    CountUnread(+1);
    const int result = dialog.DoModal();
    CountUnread(-1);
    if (result == QDialog::Accepted) {
        SendNote(dialog.m_strName);
    }
}

void NoteFlow::CountUnread(int change) {
    m_unread += change;
    if (m_unreadWatcher) {
        m_unreadWatcher(m_unread);
    }
}

}  // namespace nimbo
