#include "shell/CNoteFlow.h"

#include "session/AgentSession.h"
#include "shell/CNoteDlg.h"
#include "shell/CSessionWorker.h"
#include "shell/FailureText.h"

namespace nimbo {

CNoteFlow::CNoteFlow(AgentSession& session, CSessionWorker& worker, QWidget* parent)
    : m_session(session), m_worker(worker), m_parent(parent) {}

void CNoteFlow::SendNote(const QString& recipient) {
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

void CNoteFlow::ShowReceivedNote(std::unique_ptr<PeerCallRecord> record) {
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

void CNoteFlow::CountUnread(int change) {
    m_nUnread += change;
    if (m_unreadWatcher) {
        m_unreadWatcher(m_nUnread);
    }
}

}  // namespace nimbo
