#pragma once

#include <functional>

#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"
#include "session/RefreshThrottle.h"
#include "tools/CliContext.h"
#include "transfer/FileOffer.h"

namespace nimbo::cli {

// nimbo-cli's main window while it listens: receives the listener's messages
// on the thread of `loop` and prints one event line for each. Logon
// notifications are followed by refreshes of the tables, coalesced (see
// RefreshThrottle); a lost notification connection calls `onLost` after its
// line; a file offer is handed to `onFileOffer` after its line.
class EventWindow : public platform::IMessageHandler {
public:
    using OfferCall = std::function<void(const std::u16string& from, const FileOffer& offer)>;

    // Registers the window and makes it the main window.
    EventWindow(CliContext& context, platform::MessageLoop& loop, std::function<void()> onLost,
                OfferCall onFileOffer);
    // Unregisters it; the listener's later messages go nowhere.
    ~EventWindow() override;
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

private:
    void OnPeerCall();
    void OnLogonNotify(platform::WPARAM wParam);
    void OnListenerLost();

    CliContext& m_context;
    std::function<void()> m_onLost;
    OfferCall m_onFileOffer;
    RefreshThrottle m_logonRefresh;
    platform::HWND m_hWnd;
};

}  // namespace nimbo::cli
