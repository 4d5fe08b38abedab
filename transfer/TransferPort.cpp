#include "transfer/TransferPort.h"

#include <arpa/inet.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "net/CBlockingSocketException.h"
#include "transfer/TransferProtocol.h"

namespace nimbo {
namespace {

std::vector<int> PortsInRandomOrder() {
    std::vector<int> ports(TRANSFER_PORT_COUNT);
    std::iota(ports.begin(), ports.end(), FIRST_TRANSFER_PORT);
    std::mt19937 engine(std::random_device{}());
    std::shuffle(ports.begin(), ports.end(), engine);
    return ports;
}

}  // namespace

std::unique_ptr<CBlockingSocket> ListenOnFreePort(const std::string& address, int& port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
        return nullptr;
    auto socket = std::make_unique<CBlockingSocket>();
    for (int candidate : PortsInRandomOrder()) {
        try {
            local.sin_port = htons(static_cast<in_port_t>(candidate));
            socket->Create(SOCK_STREAM);
            socket->Bind(local);
            socket->Listen();
            port = candidate;
            return socket;
        } catch (const CBlockingSocketException&) {
            socket->Close();
        }
    }
    return nullptr;
}

}  // namespace nimbo
