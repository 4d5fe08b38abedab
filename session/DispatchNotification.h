#pragma once

#include "net/ByteString.h"

namespace nimbo {

class AgentSession;

// Acts on one notification block (lines through the empty line). Words are
// split at single spaces of the text before the first empty line.
// "notify logon ..." posts WM_LOGONNOTIFY (LOGON_NOTIFY_FLAG) to the main
// window; "peercall CALLER KIND BODY64 ..." of a PeerCallKind queues a
// PeerCallRecord with the whole decoded body (up to its first zero byte) in
// `session` and posts WM_PEERCALL. Everything else is ignored.
void DispatchNotification(AgentSession& session, const ByteString& block);

}  // namespace nimbo
