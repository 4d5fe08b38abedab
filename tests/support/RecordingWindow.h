#pragma once

#include <cstddef>
#include <vector>

#include "platform/WindowMessages.h"

namespace nimbo::test {

// One message as the window got it.
struct RecordedMessage {
    platform::UINT message;
    platform::WPARAM wParam;
    bool operator==(const RecordedMessage&) const = default;
};

// The main window of a test: registered on `thread` and made the main
// window, so that notification listeners report to it; it records every
// message it handles. Read `received` on the owning thread only.
class RecordingWindow : public platform::IMessageHandler {
public:
    explicit RecordingWindow(platform::IMessageThread& thread);
    ~RecordingWindow() override;
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    platform::LRESULT HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM) override;
    std::size_t Count(platform::UINT message) const;

    std::vector<RecordedMessage> received;

private:
    platform::HWND m_hWnd;
};

}  // namespace nimbo::test
