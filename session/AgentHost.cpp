#include "session/AgentHost.h"

namespace nimbo {

// A UTF-16 literal joined at compile time, so that nothing runs before main.
CLockedValue<std::u16string> g_strAgentHost{u"" NIMBO_AGENT_HOST};

}  // namespace nimbo
