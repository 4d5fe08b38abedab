#pragma once

#include <cstdint>
#include <ctime>

#include "platform/WindowMessages.h"
#include "transfer/TransferEnd.h"

namespace nimbo {

// How a worker tells its window: the transfer messages to the one window
// handle copied at the worker's start. A null handle tells nobody.
class TransferReporter {
public:
    explicit TransferReporter(platform::HWND window) : m_hWnd(window) {}

    // The window was closed (never for a null handle): the worker ends
    // without a word.
    bool WindowGone() const;

    void PostStart();
    // Waits until the window has handled WM_TRANSFER_START, unless `stop` is
    // (or becomes) requested or the window goes.
    void SendStart(const platform::StopSignal& stop);
    // After a block that moved data: posts WM_TRANSFER_PROGRESS when the
    // wall-clock second differs from that of the last one posted (the first
    // block always does).
    void Progress(std::int64_t position, std::int64_t startOffset);
    // Posts WM_TRANSFER_END while the window exists.
    void End(TransferEnd code);

private:
    platform::HWND m_hWnd;
    std::time_t m_lastProgress = 0;
};

}  // namespace nimbo
