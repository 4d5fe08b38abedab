#include "bench/TcpSink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace nimbo::bench {
namespace {

constexpr std::size_t FIXED_ENTRIES = 2;

[[noreturn]] void Fail(const std::string& operation) {
    throw std::system_error(errno, std::generic_category(), operation);
}

}  // namespace

TcpSink::TcpSink(const std::string& address, std::uint16_t port)
    : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
      m_stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!m_listener.IsValid() || !m_stop.IsValid())
        Fail("socket");
    int on = 1;
    if (::setsockopt(m_listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        Fail("setsockopt");
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        throw std::invalid_argument("not a dotted IPv4 address: " + address);
    if (::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0)
        Fail("bind " + address);
    if (::listen(m_listener.Get(), SOMAXCONN) != 0)
        Fail("listen " + address);
    m_entries = {{m_stop.Get(), POLLIN, 0}, {m_listener.Get(), POLLIN, 0}};
    m_thread = std::thread([this] { Run(); });
}

TcpSink::~TcpSink() {
    std::uint64_t one = 1;
    // The counter cannot overflow in practice.
    [[maybe_unused]] ssize_t written = ::write(m_stop.Get(), &one, sizeof one);
    m_thread.join();
    for (std::size_t i = FIXED_ENTRIES; i < m_entries.size(); ++i)
        ::close(m_entries[i].fd);
}

void TcpSink::Run() {
    for (;;) {
        if (::poll(m_entries.data(), m_entries.size(), -1) < 0 && errno != EINTR)
            return;
        if (m_entries[0].revents)
            return;
        if (m_entries[1].revents)
            AcceptAll();
        for (std::size_t i = FIXED_ENTRIES; i < m_entries.size();) {
            if (m_entries[i].revents && Drain(m_entries[i].fd)) {
                ::close(m_entries[i].fd);
                m_entries[i] = m_entries.back();
                m_entries.pop_back();
                m_finished.fetch_add(1, std::memory_order_release);
            } else {
                ++i;
            }
        }
    }
}

void TcpSink::AcceptAll() {
    for (;;) {
        int fd = ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        m_entries.push_back({fd, POLLIN, 0});
    }
}

bool TcpSink::Drain(int fd) {
    char buffer[4096];
    for (;;) {
        ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count > 0)
            continue;
        return count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }
}

}  // namespace nimbo::bench
