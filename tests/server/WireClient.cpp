#include "WireClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace nimbo::server::test {
namespace {

constexpr int SAFETY_TIMEOUT_SECONDS = 30;

sockaddr_in Address(const std::string& text, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, text.c_str(), &address.sin_addr);
    return address;
}

}  // namespace

WireClient::WireClient(const std::string& address, std::uint16_t port, int receiveBuffer, const std::string& source)
    : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
    if (receiveBuffer > 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    timeval timeout{SAFETY_TIMEOUT_SECONDS, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in from = Address(source.empty() ? address : source, 0);
    sockaddr_in target = Address(address, port);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        int error = errno;
        ::close(m_fd);
        throw std::system_error(error, std::generic_category(), "connect " + address);
    }
}

WireClient::~WireClient() { Close(); }

void WireClient::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            throw std::system_error(errno, std::generic_category(), "send");
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string WireClient::ReadBlock() {
    std::size_t end;
    std::size_t searched = 0;
    while ((end = m_buffer.find("\r\n\r\n", searched)) == std::string::npos) {
        searched = m_buffer.size() > 3 ? m_buffer.size() - 3 : 0;
        if (!Receive())
            throw std::runtime_error("connection closed before the end of a block; got: " + m_buffer.substr(0, 200));
    }
    std::string block = m_buffer.substr(0, end + 4);
    m_buffer.erase(0, end + 4);
    return block;
}

std::string WireClient::Command(std::string_view line) {
    Send(std::string(line) + "\r\n");
    return ReadBlock();
}

std::string WireClient::ReadUntilClosed() {
    while (Receive()) {
    }
    return std::exchange(m_buffer, {});
}

void WireClient::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void WireClient::Reset() {
    linger reset{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

void WireClient::WaitForHangUp() {
    // With no events asked for, poll() reports only the hang-up or error.
    pollfd entry{m_fd, 0, 0};
    if (::poll(&entry, 1, SAFETY_TIMEOUT_SECONDS * 1000) != 1)
        throw std::runtime_error("the server did not close the connection (safety time-out)");
}

bool WireClient::Receive() {
    char chunk[64 * 1024];
    ssize_t count = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (count > 0) {
        m_buffer.append(chunk, static_cast<std::size_t>(count));
        return true;
    }
    if (count == 0 || errno == ECONNRESET)
        return false;
    throw std::system_error(errno, std::generic_category(), "recv (safety time-out?)");
}

}  // namespace nimbo::server::test
