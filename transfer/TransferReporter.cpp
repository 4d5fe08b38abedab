#include "transfer/TransferReporter.h"

#include "transfer/TransferProtocol.h"

namespace nimbo {

bool TransferReporter::WindowGone() const { return m_hWnd != platform::NULL_WINDOW && !platform::IsWindow(m_hWnd); }

void TransferReporter::PostStart() { platform::PostMessage(m_hWnd, WM_TRANSFER_START, 0, 0); }

void TransferReporter::SendStart(const platform::StopSignal& stop) {
    platform::SendMessage(m_hWnd, WM_TRANSFER_START, 0, 0, nullptr, &stop);
}

void TransferReporter::Progress(std::int64_t position, std::int64_t startOffset) {
    if (m_hWnd == platform::NULL_WINDOW)
        return;
    const std::time_t now = std::time(nullptr);
    if (now == m_lastProgress)
        return;
    m_lastProgress = now;
    platform::PostMessage(m_hWnd, WM_TRANSFER_PROGRESS, static_cast<platform::WPARAM>(position - startOffset),
                          static_cast<platform::LPARAM>(position));
}

void TransferReporter::End(TransferEnd code) { platform::PostMessage(m_hWnd, WM_TRANSFER_END, 0, code); }

}  // namespace nimbo
