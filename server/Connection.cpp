#include "server/Connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace nimbo::server {
namespace {

constexpr std::size_t RECEIVE_CHUNK = 4096;

// The dotted address and port of one end of the socket.
std::pair<std::string, int> Endpoint(int fd, int (*query)(int, sockaddr*, socklen_t*)) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (query(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET)
        return {"0.0.0.0", 0};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return {text, ntohs(address.sin_port)};
}

}  // namespace

Connection::Connection(UniqueFd fd, std::uint64_t id, Port port)
    : m_fd(std::move(fd)), m_id(id), m_port(port), m_lastActivity(Clock::now()) {
    auto [peer, peerPort] = Endpoint(m_fd.Get(), ::getpeername);
    m_peerAddress = peer;
    m_peerText = peer + ":" + std::to_string(peerPort);
    m_localAddress = Endpoint(m_fd.Get(), ::getsockname).first;
}

void Connection::Receive() {
    char chunk[RECEIVE_CHUNK];
    // The budget keeps one fast sender from holding the loop while it drains.
    std::size_t budget = INPUT_LIMIT;
    while (!m_aborted && !m_inputClosed && budget > 0 && (m_closing || m_input.size() < INPUT_LIMIT)) {
        ssize_t count = ::recv(m_fd.Get(), chunk, std::min(sizeof chunk, budget), MSG_DONTWAIT);
        if (count > 0) {
            budget -= static_cast<std::size_t>(count);
            m_lastActivity = Clock::now();
            // A closing connection only drains what its peer still sends.
            if (!m_closing)
                m_input.append(chunk, static_cast<std::size_t>(count));
        } else if (count == 0) {
            m_inputClosed = true;
        } else if (errno == EINTR) {
            continue;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                Fail("Receive", errno);
            return;
        }
    }
}

Connection::LineStatus Connection::TakeLine(ByteString& line) {
    std::size_t searched = std::min(m_input.size(), MAX_LINE);
    std::size_t end = m_input.find('\n');
    if (end == std::string::npos || end >= searched)
        return m_input.size() >= MAX_LINE ? LineStatus::TooLong : LineStatus::None;
    std::size_t length = end > 0 && m_input[end - 1] == '\r' ? end - 1 : end;
    bool hasZero = m_input.find('\0') < length;
    if (!hasZero)
        line.Assign(m_input.data(), static_cast<int>(length));
    m_input.erase(0, end + 1);
    return hasZero ? LineStatus::ZeroByte : LineStatus::Ready;
}

bool Connection::HasLine() const noexcept {
    return m_input.size() >= MAX_LINE || m_input.find('\n') != std::string::npos;
}

void Connection::Flush() {
    while (!m_aborted && !m_output.empty()) {
        ssize_t count = ::send(m_fd.Get(), m_output.data(), m_output.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count > 0) {
            m_lastActivity = Clock::now();
            m_output.erase(0, static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                Fail("Send", errno);
            return;
        }
    }
    ShutDownWhenFlushed();
}

void Connection::CloseAfterFlush(std::string reason) {
    if (!IsOpen())
        return;
    m_closing = true;
    m_closingSince = Clock::now();
    m_closeReason = std::move(reason);
    m_input.clear();
}

void Connection::Abort(std::string reason) {
    if (m_aborted)
        return;
    if (m_closeReason.empty())
        m_closeReason = std::move(reason);
    m_aborted = true;
}

bool Connection::WantsRead() const noexcept {
    if (m_aborted || m_inputClosed)
        return false;
    return m_closing || m_input.size() < INPUT_LIMIT;
}

std::optional<Connection::Clock::time_point> Connection::Deadline(std::chrono::milliseconds idleTimeout) const {
    if (m_aborted)
        return std::nullopt;
    if (m_closing)
        return m_closingSince + idleTimeout;
    // A password check in progress is the server's delay, not the peer's; an
    // identified notification connection waits for blocks as long as it takes.
    if (m_verifying || (m_port == Port::Notify && IsAuthenticated()))
        return std::nullopt;
    return m_lastActivity + idleTimeout;
}

void Connection::Fail(const char* operation, int error) {
    Abort(std::string(operation) + " error #" + std::to_string(error) + " (" + std::strerror(error) + ")");
}

void Connection::ShutDownWhenFlushed() {
    if (m_closing && !m_shutDown && m_output.empty()) {
        ::shutdown(m_fd.Get(), SHUT_WR);
        m_shutDown = true;
    }
}

}  // namespace nimbo::server
