#pragma once

#include "platform/WindowMessages.h"

namespace nimbo {

// How a transfer ended: the lParam of WM_TRANSFER_END.
enum TransferEnd {
    TE_SEND_DONE = 1,    // the whole file was sent and the receiver answered or closed
    TE_RECV_DONE = 2,    // the whole file was received and the end marker sent
    TE_SEND_BROKEN = 3,  // sending broke off: peer gone, network failure, time-out, file read failure
    TE_RECV_BROKEN = 4,  // receiving broke off: connection failed or closed early, time-out
    TE_SEND_CLOSED = 5,  // the sender stopped without a message of its own
    TE_RECV_CLOSED = 6,  // the receiver stopped without a message of its own
    TE_REFUSED = 7,      // the receiver refused the file
    // Writing the target failed; the receiver has shown why itself. A window
    // that does not know the code keeps what it shows.
    TE_RECV_WRITE_FAILED = 8,
};

// The code's name, e.g. "TE_SEND_DONE"; "TE_UNKNOWN" for any other value.
const char* TransferEndName(platform::LPARAM code);

}  // namespace nimbo
