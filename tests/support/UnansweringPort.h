#pragma once

#include <memory>
#include <string>

#include "tests/support/PeerConnection.h"

namespace nimbo::test {

// A TCP port on a loopback address that never answers a connect: it listens
// with its backlog already full, so the system drops every further SYN and
// a connect to it waits until its own time-out, minutes later.
class UnansweringPort {
public:
    UnansweringPort(const std::string& address, int port);
    ~UnansweringPort() { Close(); }
    UnansweringPort(const UnansweringPort&) = delete;
    UnansweringPort& operator=(const UnansweringPort&) = delete;

    // Stops listening: a connect still waiting is refused at its next try.
    void Close();

private:
    int m_listenHandle;
    std::unique_ptr<PeerConnection> m_filler;
};

}  // namespace nimbo::test
