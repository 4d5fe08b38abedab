#include "transfer/TransferEnd.h"

namespace nimbo {

const char* TransferEndName(platform::LPARAM code) {
    switch (code) {
    case TE_SEND_DONE: return "TE_SEND_DONE";
    case TE_RECV_DONE: return "TE_RECV_DONE";
    case TE_SEND_BROKEN: return "TE_SEND_BROKEN";
    case TE_RECV_BROKEN: return "TE_RECV_BROKEN";
    case TE_SEND_CLOSED: return "TE_SEND_CLOSED";
    case TE_RECV_CLOSED: return "TE_RECV_CLOSED";
    case TE_REFUSED: return "TE_REFUSED";
    case TE_RECV_WRITE_FAILED: return "TE_RECV_WRITE_FAILED";
    default: return "TE_UNKNOWN";
    }
}

}  // namespace nimbo
