#pragma once

#include <string>

namespace nimbo::platform {

// The IPv4 address, as dotted text, at which peers can reach this device: the
// local address of the route to `agentHost` (host name or dotted text), else
// the first non-loopback IPv4 address of an interface. For an agent server
// on a loopback address it is that very address, since its peers are on
// this device. Empty when the device has no usable address.
std::string OwnIPv4Address(const std::string& agentHost);

}  // namespace nimbo::platform
