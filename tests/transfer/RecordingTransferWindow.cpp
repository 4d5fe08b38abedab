#include "tests/transfer/RecordingTransferWindow.h"

#include <algorithm>

#include "transfer/TransferProtocol.h"

namespace nimbo::test {

RecordingTransferWindow::RecordingTransferWindow(platform::IMessageThread& thread)
    : m_hWnd(platform::CreateWindowHandle(*this, thread)) {}

void RecordingTransferWindow::Destroy() { platform::DestroyWindowHandle(m_hWnd); }

platform::LRESULT RecordingTransferWindow::HandleMessage(platform::UINT message, platform::WPARAM wParam,
                                                 platform::LPARAM lParam) {
    m_messages.push_back({message, wParam, lParam});
    if (onMessage)
        onMessage(m_messages.back());
    return 0;
}

bool RecordingTransferWindow::Started() const {
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [](const Message& m) { return m.message == WM_TRANSFER_START; });
}

std::vector<RecordingTransferWindow::Message> RecordingTransferWindow::Progress() const {
    std::vector<Message> progress;
    std::copy_if(m_messages.begin(), m_messages.end(), std::back_inserter(progress),
                 [](const Message& m) { return m.message == WM_TRANSFER_PROGRESS; });
    return progress;
}

std::optional<platform::LPARAM> RecordingTransferWindow::End() const {
    for (const Message& m : m_messages) {
        if (m.message == WM_TRANSFER_END)
            return m.lParam;
    }
    return std::nullopt;
}

}  // namespace nimbo::test
