#include "shell/NoteFlow.h"

#include <QDateTime>
#include <QLocale>
#include <QScreen>
#include <QStyle>

#include "buddies/BuddyName.h"
#include "session/AgentSession.h"
#include "shell/CNoteDlg.h"
#include "shell/SessionWorker.h"
#include "shell/FailureText.h"

namespace nimbo {

namespace {

// "2026-12-09 오후 3:05"; empty for a record that carries no time.
QString ArrivalText(std::chrono::system_clock::time_point arrived) {
    if (arrived == std::chrono::system_clock::time_point{}) {
        return {};
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(arrived.time_since_epoch()).count();
    return QLocale(QLocale::Korean, QLocale::SouthKorea)
        .toString(QDateTime::fromSecsSinceEpoch(seconds), QStringLiteral("yyyy-MM-dd AP h:mm"));
}

}  // namespace

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
        if (RunStacked(dialog) != QDialog::Accepted) {
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
    const QString sender = QString::fromStdU16String(record->strFrom);
    CNoteDlg dialog(NoteTemplate::Receive, m_parent);
    dialog.m_strName = QString::fromStdU16String(BuddyName(m_session.GetBuddyTable(), record->strFrom));
    dialog.m_strText = QString::fromStdU16String(record->strBody);
    dialog.m_strTime = ArrivalText(record->receivedAt);
    record.reset();
    CountUnread(+1);
    const int result = RunStacked(dialog);
    CountUnread(-1);
    if (result == QDialog::Accepted) {
        SendNote(sender);
    }
}

// A dialog opening over others is placed a caption's height below and to
// the right of the topmost; past the screen's edge it starts again at the
// screen's top left corner.
int NoteFlow::RunStacked(CNoteDlg& dialog) {
    if (!m_open.empty()) {
        const CNoteDlg& top = *m_open.back();
        const int step = top.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &top) + top.fontMetrics().height();
        QPoint place = top.pos() + QPoint(step, step);
        const QRect screen = top.screen()->availableGeometry();
        if (!screen.contains(QRect(place, top.frameGeometry().size()))) {
            place = screen.topLeft() + QPoint(step, step);
        }
        dialog.move(place);
    }
    m_open.push_back(&dialog);
    const int result = dialog.DoModal();
    m_open.pop_back();
    return result;
}

void NoteFlow::CountUnread(int change) {
    m_unread += change;
    if (m_unreadWatcher) {
        m_unreadWatcher(m_unread);
    }
}

}  // namespace nimbo
