#pragma once

#include <cstdint>
#include <string>

namespace nimbo::platform {

// The IPv4 address, as dotted text, at which peers can reach this device: the
// local address of the route to `agentHost` (host name or dotted text) at
// `agentPort`, else the first non-loopback IPv4 address of an interface. For
// an agent server on a loopback address it is that very address, since its
// peers are on this device. Empty when the device has no usable address.
std::string OwnIPv4Address(const std::string& agentHost, std::uint16_t agentPort);

}  // namespace nimbo::platform
