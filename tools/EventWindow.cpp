#include "tools/EventWindow.h"

#include <memory>
#include <optional>
#include <utility>

#include "net/AgentProtocol.h"
#include "session/SessionMessages.h"
#include "transfer/FileOffer.h"

namespace nimbo::cli {

EventWindow::EventWindow(CliContext& context, platform::MessageLoop& loop, std::function<void()> onLost,
                         OfferCall onFileOffer)
    : m_context(context),
      m_onLost(std::move(onLost)),
      m_onFileOffer(std::move(onFileOffer)),
      // A refused refresh is no reason to stop listening.
      m_logonRefresh([this] { m_context.session.GetLogonStatusTable(true); },
                     [&loop](std::chrono::milliseconds delay, std::function<void()> call) {
                         loop.QueueAfter(delay, std::move(call));
                     }),
      m_hWnd(platform::CreateWindowHandle(*this, loop)) {
    platform::SetMainWindow(m_hWnd);
}

EventWindow::~EventWindow() {
    platform::SetMainWindow(platform::NULL_WINDOW);
    platform::DestroyWindowHandle(m_hWnd);
}

platform::LRESULT EventWindow::HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM) {
    if (message == WM_PEERCALL)
        OnPeerCall();
    else if (message == WM_LOGONNOTIFY)
        OnLogonNotify(wParam);
    else if (message == WM_LISTENERLOST)
        OnListenerLost();
    return 0;
}

// One record per message, as the listener queues one per message.
void EventWindow::OnPeerCall() {
    std::unique_ptr<PeerCallRecord> record = m_context.session.TakePeerCall();
    if (!record)
        return;
    const std::optional<PeerCallKind> kind = PeerCallKindOf(record->strKind);
    if (kind == PeerCallKind::Note) {
        m_context.printer.PrintNote(record->strFrom, record->strBody);
    } else if (kind == PeerCallKind::FileOffer) {
        const FileOffer offer = ParseFileOffer(record->strBody);
        m_context.printer.PrintOffer(record->strFrom, offer);
        m_onFileOffer(record->strFrom, offer);
    }
}

void EventWindow::OnLogonNotify(platform::WPARAM wParam) {
    if (wParam != LOGON_NOTIFY_FLAG)
        return;
    m_context.printer.PrintLogon();
    m_logonRefresh.Notice();
}

void EventWindow::OnListenerLost() {
    m_context.printer.PrintLost();
    m_onLost();
}

}  // namespace nimbo::cli
