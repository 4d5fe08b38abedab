#include "tests/transfer/RecordingWindow.h"

#include <algorithm>

#include "transfer/TransferProtocol.h"

namespace nimbo::test {

RecordingWindow::RecordingWindow(platform::IMessageThread& thread)
    : m_hWnd(platform::CreateWindowHandle(*this, thread)) {}

void RecordingWindow::Destroy() { platform::DestroyWindowHandle(m_hWnd); }

platform::LRESULT RecordingWindow::HandleMessage(platform::UINT message, platform::WPARAM wParam,
                                                 platform::LPARAM lParam) {
    m_messages.push_back({message, wParam, lParam});
    if (onMessage)
        onMessage(m_messages.back());
    return 0;
}

bool RecordingWindow::Started() const {
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [](const Message& m) { return m.message == WM_TRANSFER_START; });
}

std::vector<RecordingWindow::Message> RecordingWindow::Progress() const {
    std::vector<Message> progress;
    std::copy_if(m_messages.begin(), m_messages.end(), std::back_inserter(progress),
                 [](const Message& m) { return m.message == WM_TRANSFER_PROGRESS; });
    return progress;
}

std::optional<platform::LPARAM> RecordingWindow::End() const {
    for (const Message& m : m_messages) {
        if (m.message == WM_TRANSFER_END)
            return m.lParam;
    }
    return std::nullopt;
}

}  // namespace nimbo::test
