#include "session/AgentHost.h"

#include "platform/CodePage.h"
#include "platform/OwnAddress.h"

namespace nimbo {

// The build's host as a UTF-16 literal, joined at compile time, so that no
// code page conversion is needed. The value is still constructed before main
// (it copies the literal), and no other global's initialisation reads it.
LockedValue<std::u16string> g_strAgentHost{u"" NIMBO_AGENT_HOST};

std::u16string OwnAddressForPeers() {
    const std::string host = platform::CodePage::ToUtf8(g_strAgentHost.Get());
    return platform::CodePage::FromUtf8(platform::OwnIPv4Address(host, AGENT_PORT));
}

}  // namespace nimbo
