#pragma once

#include <string>

namespace nimbo::test {

// A socket listening on `address` (dotted IPv4) and `port` with room for
// `backlog` connections not yet accepted; throws std::runtime_error when
// that is impossible.
int ListenOn(const std::string& address, int port, int backlog);

}  // namespace nimbo::test
