#pragma once

#include <memory>
#include <string>

#include "net/CBlockingSocket.h"

namespace nimbo {

// A new socket that listens on `address` (dotted IPv4: the address an offer
// names, and no other) at a free port of FIRST_TRANSFER_PORT ..
// +TRANSFER_PORT_COUNT-1, stored in `port`. The ports are tried in an order
// drawn afresh from a random source for every call, so two offers made at
// the same moment listen on different ports. nullptr when the address is
// not dotted or no port of the range is free there.
std::unique_ptr<CBlockingSocket> ListenOnFreePort(const std::string& address, int& port);

}  // namespace nimbo
