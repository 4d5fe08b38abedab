#include "tests/support/RecordingWindow.h"

#include <algorithm>

namespace nimbo::test {

RecordingWindow::RecordingWindow(platform::IMessageThread& thread)
    : m_hWnd(platform::CreateWindowHandle(*this, thread)) {
    platform::SetMainWindow(m_hWnd);
}

RecordingWindow::~RecordingWindow() {
    platform::SetMainWindow(platform::NULL_WINDOW);
    platform::DestroyWindowHandle(m_hWnd);
}

platform::LRESULT RecordingWindow::HandleMessage(platform::UINT message, platform::WPARAM wParam, platform::LPARAM) {
    received.push_back({message, wParam});
    return 0;
}

std::size_t RecordingWindow::Count(platform::UINT message) const {
    auto matches = [message](const RecordedMessage& m) { return m.message == message; };
    return static_cast<std::size_t>(std::count_if(received.begin(), received.end(), matches));
}

}  // namespace nimbo::test
