#include "tools/SignedInScope.h"

#include "buddies/LogonStatus.h"
#include "tools/CommandFailure.h"

namespace nimbo::cli {

SignedInScope::SignedInScope(CliContext& context, Presence presence, LoginListener listener)
    : m_session(context.session), m_presence(presence), m_listener(listener) {
    if (!m_session.Login(context.userId, context.password, m_listener))
        throw CommandFailure("login failed");
    if (m_presence == Presence::Online && !m_session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT)) {
        // No destructor runs for a constructor that throws.
        SignOut();
        throw CommandFailure("setting the status online failed");
    }
    m_bSignedIn = true;
}

SignedInScope::~SignedInScope() {
    if (m_bSignedIn)
        SignOut();
}

void SignedInScope::End() {
    m_bSignedIn = false;
    if (!SignOut())
        throw CommandFailure("logout failed");
}

// Both steps are tried even when the first fails: Logout also tells the
// listener to end.
bool SignedInScope::SignOut() {
    if (m_presence != Presence::Online && m_listener == LoginListener::None)
        return true;
    bool offline = m_presence != Presence::Online || m_session.SetLogonStat(LOGON_OFFLINE, u"");
    return m_session.Logout() && offline;
}

}  // namespace nimbo::cli
