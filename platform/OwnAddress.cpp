#include "platform/OwnAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <vector>

namespace nimbo::platform {
namespace {

bool IsLoopback(in_addr address) {
    return (ntohl(address.s_addr) >> 24) == 127;
}

std::string ToText(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

bool IsDottedText(const std::string& host) {
    return host.find_first_not_of("0123456789.") == std::string::npos;
}

// Dotted text is taken as it stands, never looked up: "300.1.1.1" is no name.
std::vector<in_addr> Resolve(const std::string& host) {
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        return {dotted};
    }
    std::vector<in_addr> addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (host.empty() || IsDottedText(host) || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return addresses;
    }
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr);
    }
    freeaddrinfo(found);
    return addresses;
}

// The local address the kernel picks for the route to `target`:`port`. A
// datagram connect only picks the route; it sends nothing.
std::optional<in_addr> RouteSource(in_addr target, std::uint16_t port) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return std::nullopt;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    remote.sin_addr = target;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool routed = connect(probe, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 &&
                        getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
                        local.sin_addr.s_addr != htonl(INADDR_ANY);
    close(probe);
    return routed ? std::optional(local.sin_addr) : std::nullopt;
}

std::optional<in_addr> FirstInterfaceAddress() {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) {
        return std::nullopt;
    }
    std::optional<in_addr> first;
    for (const ifaddrs* entry = interfaces; entry != nullptr && !first; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || (entry->ifa_flags & IFF_UP) == 0) {
            continue;
        }
        const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        if (!IsLoopback(address)) {
            first = address;
        }
    }
    freeifaddrs(interfaces);
    return first;
}

}  // namespace

std::string OwnIPv4Address(const std::string& agentHost, std::uint16_t agentPort) {
    for (const in_addr agent : Resolve(agentHost)) {
        // The peers of a loopback agent live on this device and reach us on
        // its very address, so every agent address keeps its own transfers.
        if (IsLoopback(agent)) {
            return ToText(agent);
        }
        const std::optional<in_addr> local = RouteSource(agent, agentPort);
        // A loopback source is reachable only by peers of a loopback agent.
        if (local && !IsLoopback(*local)) {
            return ToText(*local);
        }
    }
    const std::optional<in_addr> fallback = FirstInterfaceAddress();
    return fallback ? ToText(*fallback) : std::string();
}

}  // namespace nimbo::platform
