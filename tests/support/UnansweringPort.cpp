#include "tests/support/UnansweringPort.h"

#include <unistd.h>

#include "tests/support/ListenOn.h"

namespace nimbo::test {
namespace {

// Linux queues one connection more than the backlog asks for.
constexpr int NO_BACKLOG = 0;

}  // namespace

UnansweringPort::UnansweringPort(const std::string& address, int port)
    : m_listenHandle(ListenOn(address, port, NO_BACKLOG)), m_filler(PeerConnection::Connect(address, port)) {}

void UnansweringPort::Close() {
    if (m_listenHandle >= 0) {
        close(m_listenHandle);
        m_listenHandle = -1;
    }
    m_filler.reset();
}

}  // namespace nimbo::test
