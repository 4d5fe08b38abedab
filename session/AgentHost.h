#pragma once

#include <string>

#include "net/AgentProtocol.h"
#include "session/LockedValue.h"

namespace nimbo {

// The agent server's host name or dotted address; its port is AGENT_PORT.
// Starts as the build's configured host; a redirect during Login replaces it
// for the rest of the run. Read by the user-interface and transfer threads
// alike.
extern LockedValue<std::u16string> g_strAgentHost;

// The address at which peers reach this device: the local end of the route
// to the agent server (platform::OwnIPv4Address); empty when there is none.
std::u16string OwnAddressForPeers();

}  // namespace nimbo
