#include "shell/NoteFlow.h"

#include "session/AgentSession.h"
#include "shell/CNoteDlg.h"
#include "shell/CWaitCursor.h"

namespace nimbo {

NoteFlow::NoteFlow(AgentSession& session, QWidget* parent) : m_session(session), m_parent(parent) {}

void NoteFlow::SendNote(const QString& recipient) {
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

void NoteFlow::ShowReceivedNote(std::unique_ptr<PeerCallRecord> record) {
    CNoteDlg dialog(NoteTemplate::Receive, m_parent);
    dialog.m_strName = QString::fromStdU16String(record->strFrom);
    dialog.m_strText = QString::fromStdU16String(record->strBody);
    record.reset();
    if (dialog.DoModal() == QDialog::Accepted) {
        SendNote(dialog.m_strName);
    }
}

}  // namespace nimbo
