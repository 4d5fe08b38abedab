#pragma once

#include <functional>

#include "platform/WindowMessages.h"

namespace nimbo::cli {

// The window a transfer worker of nimbo-cli reports to: turns the transfer
// messages into calls on the thread of `thread`.
class TransferWindow : public platform::IMessageHandler {
public:
    // With the position in the file (lParam of WM_TRANSFER_PROGRESS).
    using ProgressCall = std::function<void(platform::LPARAM position)>;
    // With the end code.
    using EndCall = std::function<void(platform::LPARAM code)>;

    TransferWindow(platform::IMessageThread& thread, EndCall onEnd, ProgressCall onProgress = {});
    // The worker's later messages go nowhere, and a worker still running ends
    // without a word.
    ~TransferWindow() override;
    TransferWindow(const TransferWindow&) = delete;
    TransferWindow& operator=(const TransferWindow&) = delete;

    platform::HWND Handle() const { return m_hWnd; }
    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

private:
    EndCall m_onEnd;
    ProgressCall m_onProgress;
    platform::HWND m_hWnd;
};

}  // namespace nimbo::cli
