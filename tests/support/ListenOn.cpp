#include "tests/support/ListenOn.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace nimbo::test {

int ListenOn(const std::string& address, int port, int backlog) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
        throw std::runtime_error("not a dotted address: " + address);
    int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (handle < 0 || setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(handle, backlog) != 0) {
        std::string reason = std::strerror(errno);
        if (handle >= 0)
            close(handle);
        throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port) + ": " + reason);
    }
    return handle;
}

}  // namespace nimbo::test
