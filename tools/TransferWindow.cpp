#include "tools/TransferWindow.h"

#include <utility>

#include "transfer/TransferProtocol.h"

namespace nimbo::cli {

TransferWindow::TransferWindow(platform::IMessageThread& thread, EndCall onEnd, ProgressCall onProgress)
    : m_onEnd(std::move(onEnd)), m_onProgress(std::move(onProgress)), m_hWnd(platform::CreateWindowHandle(*this, thread)) {}

TransferWindow::~TransferWindow() { platform::DestroyWindowHandle(m_hWnd); }

platform::LRESULT TransferWindow::HandleMessage(platform::UINT message, platform::WPARAM, platform::LPARAM lParam) {
    if (message == WM_TRANSFER_PROGRESS && m_onProgress)
        m_onProgress(lParam);
    else if (message == WM_TRANSFER_END)
        m_onEnd(lParam);
    return 0;
}

}  // namespace nimbo::cli
