#pragma once

#include "tools/CliContext.h"

namespace nimbo::cli {

// Whether the command shows the user as present while it runs.
enum class Presence { Unchanged, Online };

// The sign-in of one command: Login, with the notification listener only
// for a command that shows peer calls (and, when asked, the status online
// with ONLINE_STATUS_TEXT) on construction; on End the status offline (when it was set
// online) and Logout. A sign-in that neither went online nor listened ends
// without a word to the server: its logout would take the user offline and
// close the notification connection of the user's client elsewhere. A scope
// left without End or Abandon, by a failure on the way, still signs out,
// quietly.
class SignedInScope {
public:
    // Throws CommandFailure when Login or the status change fails.
    SignedInScope(CliContext& context, Presence presence, LoginListener listener);
    ~SignedInScope();
    SignedInScope(const SignedInScope&) = delete;
    SignedInScope& operator=(const SignedInScope&) = delete;

    // Signs out; throws CommandFailure when the server did not accept it.
    void End();
    // Forgets the sign-in without a word to the server, as after a lost
    // notification connection.
    void Abandon() { m_bSignedIn = false; }

private:
    bool SignOut();

    AgentSession& m_session;
    const Presence m_presence;
    const LoginListener m_listener;
    bool m_bSignedIn = false;
};

}  // namespace nimbo::cli
