#pragma once

#include <string>

#include "session/CLockedValue.h"

namespace nimbo {

// Every connection to the agent server goes to this port.
inline constexpr int AGENT_PORT = 10000;

// The agent server's host name or dotted address. Starts as the build's
// configured host; a redirect during Login replaces it for the rest of the
// run. Read by the user-interface and transfer threads alike.
extern CLockedValue<std::u16string> g_strAgentHost;

}  // namespace nimbo
