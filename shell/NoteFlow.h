#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "session/PeerCallRecord.h"

class QWidget;

namespace nimbo {

class AgentSession;
class CNoteDlg;
class SessionWorker;

// The two note flows of the buddy window: addressing a note to a buddy and
// sending it, and showing a received note with the offer to reply. Both run
// modal dialogs, whose event loops keep handling the listener's messages; a
// dialog that opens while others are open is set off from the last one, so
// that every one of them stays in sight.
class NoteFlow {
public:
    // `parent` is the window the dialogs open over; `session` sends the notes
    // through `worker`.
    NoteFlow(AgentSession& session, SessionWorker& worker, QWidget* parent);

    // Opens the send-note dialog addressed to `recipient` (a bare user ID)
    // and sends the typed text on "보내기". A note the server did not take
    // is not lost: the dialog opens again with the same text and a notice
    // that it was not sent, and why, until it is sent or the user cancels.
    void SendNote(const QString& recipient);

    // Shows a received note: the sender as "NAME(ID)" when the buddy table
    // knows a display name, and the time the note arrived. The record is
    // released before the dialog appears. "답장" opens the send-note dialog
    // addressed to the sender's bare ID.
    void ShowReceivedNote(std::unique_ptr<PeerCallRecord> record);

    // Told the number of received notes on screen whenever it changes.
    void SetUnreadWatcher(std::function<void(int count)> watcher) { m_unreadWatcher = std::move(watcher); }

private:
    int RunStacked(CNoteDlg& dialog);
    void CountUnread(int change);

    AgentSession& m_session;
    SessionWorker& m_worker;
    QWidget* m_parent;
    std::vector<CNoteDlg*> m_open;  // the dialogs on screen, the last on top
    int m_unread = 0;
    std::function<void(int count)> m_unreadWatcher;
};

}  // namespace nimbo
