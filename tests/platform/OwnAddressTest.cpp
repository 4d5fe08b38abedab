#include "platform/OwnAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "net/AgentProtocol.h"

namespace nimbo::platform {
namespace {

// A peer can reach us at `address` only if a listener can be bound there.
bool CanListenAt(const std::string& address) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        return false;
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const bool bound = bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                       listen(listener, 1) == 0;
    close(listener);
    return bound;
}

bool IsLoopback(const std::string& address) {
    return address.starts_with("127.");
}

// Build machines without any network but loopback cannot have a
// non-loopback own address; the cases that need one are skipped there.
bool HasInterfaceAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET) {
            auto* address = reinterpret_cast<sockaddr_in*>(entry->ifa_addr);
            found = (ntohl(address->sin_addr.s_addr) >> 24) != 127;
        }
    }
    freeifaddrs(list);
    return found;
}

// So that the transfers of agents on different loopback addresses never meet.
TEST(OwnAddress, ALoopbackAgentIsReachedAtItsOwnAddress) {
    EXPECT_EQ(OwnIPv4Address("127.0.3.1", AGENT_PORT), "127.0.3.1");
    const std::string own = OwnIPv4Address("localhost", AGENT_PORT);
    EXPECT_TRUE(IsLoopback(own)) << own;
    EXPECT_TRUE(CanListenAt(own)) << own;
}

TEST(OwnAddress, ARemoteAgentIsReachedFromAnInterfaceAddress) {
    if (!HasInterfaceAddress())
        GTEST_SKIP() << "no non-loopback IPv4 interface";
    const std::string own = OwnIPv4Address("198.51.100.7", AGENT_PORT);
    EXPECT_FALSE(IsLoopback(own)) << own;
    EXPECT_TRUE(CanListenAt(own)) << own;
}

TEST(OwnAddress, AnUnusableAgentAddressFallsBackToAnInterfaceAddress) {
    if (!HasInterfaceAddress())
        GTEST_SKIP() << "no non-loopback IPv4 interface";
    for (const char* agent : {"", "300.1.2.3", "0.0.0.0"}) {
        const std::string own = OwnIPv4Address(agent, AGENT_PORT);
        EXPECT_FALSE(IsLoopback(own)) << agent << " -> " << own;
        EXPECT_TRUE(CanListenAt(own)) << agent << " -> " << own;
    }
}

}  // namespace
}  // namespace nimbo::platform
