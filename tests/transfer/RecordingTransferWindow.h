#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/WindowMessages.h"

namespace nimbo::test {

// A transfer window for tests: records every message a worker sends it, in
// order, on the thread that owns it.
class RecordingTransferWindow : public platform::IMessageHandler {
public:
    struct Message {
        platform::UINT message;
        platform::WPARAM wParam;
        platform::LPARAM lParam;
    };

    explicit RecordingTransferWindow(platform::IMessageThread& thread);
    ~RecordingTransferWindow() override { Destroy(); }
    RecordingTransferWindow(const RecordingTransferWindow&) = delete;
    RecordingTransferWindow& operator=(const RecordingTransferWindow&) = delete;

    platform::HWND Handle() const { return m_hWnd; }
    // Closes the window; nothing is recorded afterwards.
    void Destroy();

    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) override;

    const std::vector<Message>& Messages() const { return m_messages; }
    bool Started() const;
    std::vector<Message> Progress() const;
    // The end code, once WM_TRANSFER_END came.
    std::optional<platform::LPARAM> End() const;

    // Called after each message is recorded.
    std::function<void(const Message&)> onMessage;

private:
    platform::HWND m_hWnd;
    std::vector<Message> m_messages;
};

}  // namespace nimbo::test
