#pragma once

#include "platform/WindowMessages.h"

namespace nimbo {

// The direct stream between two devices and the window messages by which a
// transfer's worker reports to its window.

// The most bytes one file read, one send or one receive of the data phase moves.
inline constexpr int FILE_BLOCK_SIZE = 4096;
// Every send and receive on the direct connection waits at most this long.
inline constexpr int FILE_TIMEOUT = 30;

// The receiver's last word: these 13 characters and a zero byte.
inline constexpr char FILE_RECV_END[] = "FILE_RECV_END";
inline constexpr int FILE_RECV_END_LENGTH = sizeof FILE_RECV_END;

// The sender listens on one port of this range.
inline constexpr int FIRST_TRANSFER_PORT = 9000;
inline constexpr int TRANSFER_PORT_COUNT = 100;

// The data phase begins; wParam and lParam 0. Sent synchronously by the
// sender, so the window has noted the start before any progress arrives;
// posted by the receiver.
inline constexpr platform::UINT WM_TRANSFER_START = platform::WM_USER + 100;
// Posted at most once per wall-clock second: wParam the bytes moved on this
// connection, lParam the position in the file (start offset included).
inline constexpr platform::UINT WM_TRANSFER_PROGRESS = platform::WM_USER + 101;
// Posted once when the transfer has ended: lParam a TransferEnd code.
inline constexpr platform::UINT WM_TRANSFER_END = platform::WM_USER + 102;

}  // namespace nimbo
