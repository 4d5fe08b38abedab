#pragma once

#include <functional>

#include "platform/WindowMessages.h"
#include "tools/CliContext.h"
#include "transfer/FileOffer.h"

namespace nimbo::cli {

// nimbo-cli's main window while it listens: receives the listener's messages
// on the thread of `thread` and prints one event line for each. A logon
// notification is followed by a refresh of the tables; a lost notification
// connection calls `onLost` after its line; a file offer is handed to
// `onFileOffer` after its line.
class EventWindow : public platform::IMessageHandler {
public:
    using OfferCall = std::function<void(const FileOffer& offer)>;

    // Registers the window and makes it the main window.
    EventWindow(CliContext& context, platform::IMessageThread& thread, std::function<void()> onLost,
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
    platform::HWND m_hWnd;
};

}  // namespace nimbo::cli
