#pragma once

#include "platform/WindowMessages.h"

namespace nimbo {

// What the notification listener tells the main window.

// Posted once per PeerCallRecord queued; wParam and lParam 0.
inline constexpr platform::UINT WM_PEERCALL = platform::WM_USER + 11;
// Posted with wParam LOGON_NOTIFY_FLAG when a buddy logged on: time to
// refresh the tables. Any other wParam means nothing.
inline constexpr platform::UINT WM_LOGONNOTIFY = platform::WM_USER + 12;
inline constexpr platform::WPARAM LOGON_NOTIFY_FLAG = 1;
// Sent (the listener waits until it is handled) when the notification
// connection failed while the session was still logged in.
inline constexpr platform::UINT WM_LISTENERLOST = platform::WM_USER + 18;

}  // namespace nimbo
