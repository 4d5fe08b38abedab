#pragma once

#include <memory>

#include "net/CBlockingSocket.h"

namespace nimbo {

// A new socket that listens on every local IPv4 address at a free port of
// FIRST_TRANSFER_PORT .. +TRANSFER_PORT_COUNT-1, stored in `port`. The ports
// are tried in an order drawn afresh from a random source for every call, so
// two offers made at the same moment listen on different ports. nullptr when
// no port of the range is free.
std::unique_ptr<CBlockingSocket> ListenOnFreePort(int& port);

}  // namespace nimbo
