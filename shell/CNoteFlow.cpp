#include "shell/CNoteFlow.h"

#include "session/AgentSession.h"
#include "shell/CNoteDlg.h"
#include "shell/CWaitCursor.h"

namespace nimbo {

CNoteFlow::CNoteFlow(AgentSession& session, QWidget* parent) : m_session(session), m_parent(parent) {}

void CNoteFlow::SendNote(const QString& recipient) {
    QString text;
    bool notSent = false;
    for (;;) {
        CNoteDlg dialog(NoteTemplate::Send, m_parent);
        dialog.m_strName = recipient;
        dialog.m_strText = text;
        if (notSent) {
            dialog.ShowNotSentNotice();
        }
        if (dialog.DoModal() != QDialog::Accepted) {
            return;
        }
        text = dialog.m_strText;
        CWaitCursor wait;
        if (m_session.SendInstantMessage(recipient.toStdU16String(), text.toStdU16String())) {
            return;
        }
        notSent = true;
    }
}

void CNoteFlow::ShowReceivedNote(std::unique_ptr<PeerCallRecord> record) {
    CNoteDlg dialog(NoteTemplate::Receive, m_parent);
    dialog.m_strName = QString::fromStdU16String(record->strFrom);
    dialog.m_strText = QString::fromStdU16String(record->strBody);
    record.reset();
    if (dialog.DoModal() == QDialog::Accepted) {
        SendNote(dialog.m_strName);
    }
}

}  // namespace nimbo
