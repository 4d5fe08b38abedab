#include "tools/SignedInScope.h"

#include "buddies/LogonStatus.h"
#include "tools/CommandFailure.h"

namespace nimbo::cli {

SignedInScope::SignedInScope(CliContext& context, SignIn kind) : m_session(context.session) {
    const bool listening = kind == SignIn::Listening;
    if (!m_session.Login(context.userId, context.password, listening ? LoginListener::Start : LoginListener::None))
        throw CommandFailure::Because("login failed", m_session);
    if (!listening)
        return;
    if (!m_session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT)) {
        // No destructor runs for a constructor that throws.
        SignOut();
        throw CommandFailure::Because("setting the status online failed", m_session);
    }
    m_signedIn = true;
}

SignedInScope::~SignedInScope() {
    if (m_signedIn)
        SignOut();
}

void SignedInScope::End() {
    if (!m_signedIn)
        return;
    m_signedIn = false;
    if (!SignOut())
        throw CommandFailure::Because("logout failed", m_session);
}

// Both steps are tried even when the first fails: Logout also tells the
// listener to end.
bool SignedInScope::SignOut() {
    const bool offline = m_session.SetLogonStat(LOGON_OFFLINE, u"");
    return m_session.Logout() && offline;
}

}  // namespace nimbo::cli
