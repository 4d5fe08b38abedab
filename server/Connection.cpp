#include "server/Connection.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace nimbo::server {
namespace {

constexpr std::size_t RECEIVE_CHUNK = 16 * 1024;
constexpr std::size_t RECEIVE_BUDGET = 64 * 1024;
// A buffer that grew past this for one long line or reply gives the memory
// back once it is nearly empty again, so that a thousand idle connections do
// not each keep a megabyte.
constexpr std::size_t KEPT_CAPACITY = 32 * 1024;

void GiveBackSpare(std::string& buffer) {
    if (buffer.capacity() > KEPT_CAPACITY && buffer.size() <= KEPT_CAPACITY / 2)
        buffer.shrink_to_fit();
}

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
    : m_fd(std::move(fd)), m_id(id), m_port(port), m_lastLine(Clock::now()), m_lastOutput(m_lastLine) {
    auto [peer, peerPort] = Endpoint(m_fd.Get(), ::getpeername);
    m_peerAddress = peer;
    m_peerText = peer + ":" + std::to_string(peerPort);
    m_localAddress = Endpoint(m_fd.Get(), ::getsockname).first;
}

void Connection::Receive() {
    char chunk[RECEIVE_CHUNK];
    // The budget keeps one fast sender from holding the loop while it drains.
    std::size_t budget = RECEIVE_BUDGET;
    while (!m_aborted && !m_inputClosed && budget > 0) {
        // A closing connection only drains what its peer still sends.
        std::size_t room = m_closing ? sizeof chunk : InputRoom();
        if (room == 0)
            return;
        ssize_t count = ::recv(m_fd.Get(), chunk, std::min({sizeof chunk, budget, room}), MSG_DONTWAIT);
        if (count > 0) {
            budget -= static_cast<std::size_t>(count);
            if (!m_closing) {
                m_input.append(chunk, static_cast<std::size_t>(count));
                FindLineEnd();
            }
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
    // Input stops at the bound while no LF has come, so a found LF always
    // ends a line within the bound.
    if (m_lineEnd == std::string::npos)
        return m_input.size() >= LineBound() ? LineStatus::TooLong : LineStatus::None;
    m_lastLine = Clock::now();
    m_hadLine = true;
    std::size_t end = m_lineEnd;
    std::size_t length = end > 0 && m_input[end - 1] == '\r' ? end - 1 : end;
    bool hasZero = std::memchr(m_input.data(), '\0', length) != nullptr;
    if (!hasZero)
        line.Assign(m_input.data(), static_cast<int>(length));
    m_input.erase(0, end + 1);
    GiveBackSpare(m_input);
    m_searched = 0;
    m_lineEnd = std::string::npos;
    FindLineEnd();
    return hasZero ? LineStatus::ZeroByte : LineStatus::Ready;
}

void Connection::DiscardInput() {
    m_input.clear();
    GiveBackSpare(m_input);
    m_searched = 0;
    m_lineEnd = std::string::npos;
}

void Connection::Flush() {
    while (!m_aborted && PendingOutput() > 0) {
        ssize_t count = ::send(m_fd.Get(), m_output.data() + m_outputSent, PendingOutput(),
                               MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count > 0) {
            m_lastOutput = Clock::now();
            m_outputSent += static_cast<std::size_t>(count);
            m_written += static_cast<std::uint64_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                Fail("Send", errno);
            break;
        }
    }
    DropWrittenOutput();
    ShutDownWhenFlushed();
}

void Connection::CloseAfterFlush(std::string reason) {
    if (!IsOpen())
        return;
    m_closing = true;
    m_closingSince = Clock::now();
    m_closeReason = std::move(reason);
    DiscardInput();
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
    return m_closing || InputRoom() > 0;
}

void Connection::SetVerifying(bool verifying) noexcept {
    if (m_verifying && !verifying)
        m_lastLine = Clock::now();
    m_verifying = verifying;
}

std::uint64_t Connection::Acknowledged() const noexcept {
    int unacknowledged = 0;
    if (::ioctl(m_fd.Get(), SIOCOUTQ, &unacknowledged) != 0 || unacknowledged < 0)
        return 0;
    // A sent FIN counts as one more unacknowledged byte.
    auto pending = static_cast<std::uint64_t>(unacknowledged);
    return pending < m_written ? m_written - pending : 0;
}

void Connection::DiscardUnacknowledgedOnClose() noexcept {
    linger reset{1, 0};
    // Should the option fail, the close is an ordinary one, which still ends
    // the connection: nothing is left to do about it.
    [[maybe_unused]] const int result = ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

std::optional<Connection::Clock::time_point> Connection::Deadline(const Timeouts& timeouts) const {
    if (m_aborted)
        return std::nullopt;
    if (m_closing)
        return m_closingSince + timeouts.idle;
    // A password check in progress is the server's delay, not the peer's; an
    // identified notification connection waits for blocks as long as it takes.
    if (m_verifying || (m_port == Port::Notify && IsAuthenticated()))
        return std::nullopt;
    if (!m_hadLine)
        return m_lastLine + timeouts.firstLine;
    // A signed-in client still reading a long reply is not idle.
    if (IsAuthenticated() && PendingOutput() > 0)
        return std::max(m_lastLine, m_lastOutput) + timeouts.idle;
    return m_lastLine + timeouts.idle;
}

void Connection::Fail(const char* operation, int error) {
    Abort(std::string(operation) + " error #" + std::to_string(error) + " (" + std::strerror(error) + ")");
}

void Connection::ShutDownWhenFlushed() {
    if (m_closing && !m_shutDown && PendingOutput() == 0) {
        ::shutdown(m_fd.Get(), SHUT_WR);
        m_shutDown = true;
    }
}

std::size_t Connection::InputRoom() const noexcept {
    std::size_t limit = m_lineEnd == std::string::npos ? LineBound() : INPUT_LIMIT;
    return m_input.size() < limit ? limit - m_input.size() : 0;
}

void Connection::FindLineEnd() noexcept {
    if (m_lineEnd != std::string::npos)
        return;
    const void* lf = std::memchr(m_input.data() + m_searched, '\n', m_input.size() - m_searched);
    if (lf)
        m_lineEnd = static_cast<std::size_t>(static_cast<const char*>(lf) - m_input.data());
    else
        m_searched = m_input.size();
}

// Written bytes are dropped when all is written, or once they make up half
// the buffer, so that a peer that never quite catches up costs no more than
// its pending bytes.
void Connection::DropWrittenOutput() {
    if (m_outputSent == m_output.size()) {
        m_output.clear();
        m_outputSent = 0;
        GiveBackSpare(m_output);
    } else if (m_outputSent > m_output.size() / 2) {
        m_output.erase(0, m_outputSent);
        m_outputSent = 0;
    }
}

}  // namespace nimbo::server
