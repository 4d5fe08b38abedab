#include "transfer/TransferPort.h"

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

sockaddr_in AnyAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<in_port_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return address;
}

}  // namespace

std::unique_ptr<CBlockingSocket> ListenOnFreePort(int& port) {
    auto socket = std::make_unique<CBlockingSocket>();
    for (int candidate : PortsInRandomOrder()) {
        try {
            socket->Create(SOCK_STREAM);
            socket->Bind(AnyAddress(candidate));
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
