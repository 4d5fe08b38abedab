#include "bench/ReplyServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace nimbo::bench {
namespace {

const auto ACCEPTED = std::make_shared<const std::string>("OK\r\n\r\n");

[[noreturn]] void Fail(const char* call) { throw std::system_error(errno, std::generic_category(), call); }

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

ReplyServer::ReplyServer(const std::string& address, int port, std::map<std::string, std::string> replies) {
    for (auto& [word, reply] : replies)
        SetReply(word, std::move(reply));
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        throw std::system_error(EINVAL, std::generic_category(), "inet_pton " + address);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        Fail("socket");
    int on = 1;
    if (::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(m_listener, 64) != 0) {
        int error = errno;
        ::close(m_listener);
        throw std::system_error(error, std::generic_category(), "bind/listen " + address);
    }
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

ReplyServer::~ReplyServer() {
    // Wakes the blocked accept().
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptThread.join();
    ::close(m_listener);
    for (std::thread& connection : m_connections)
        connection.join();
}

void ReplyServer::AcceptLoop() {
    for (;;) {
        int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // Without it the replies would be timed with the sender's delay.
        int on = 1;
        if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
            ::close(fd);
            continue;
        }
        std::lock_guard lock(m_lock);
        m_connections.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
}

void ReplyServer::Serve(int fd) const {
    std::string pending;
    char buffer[4096];
    for (;;) {
        ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            return;
        pending.append(buffer, static_cast<std::size_t>(count));
        for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line != "\r" && !SendAll(fd, *ReplyTo(line)))
                return;
        }
    }
}

void ReplyServer::SetReply(const std::string& word, std::string reply) {
    auto shared = std::make_shared<const std::string>(std::move(reply));
    std::lock_guard lock(m_replyLock);
    m_replies[word] = std::move(shared);
}

std::shared_ptr<const std::string> ReplyServer::ReplyTo(const std::string& line) const {
    std::lock_guard lock(m_replyLock);
    auto found = m_replies.find(line.substr(0, line.find_first_of(" \r")));
    return found == m_replies.end() ? ACCEPTED : found->second;
}

}  // namespace nimbo::bench
