#pragma once

#include "tools/CliContext.h"

namespace nimbo::cli {

// How a command is signed in.
enum class SignIn {
    // For the command's own exchanges only: no status, no notification
    // listener, and no logout at the end, which would take the user offline
    // and close the notification connection of the same user's application
    // or `listen` elsewhere. Those are left as they were.
    OneShot,
    // Present and listening: the status online (ONLINE_STATUS_TEXT) and the
    // notification listener; at the end the status offline and Logout.
    Listening,
};

// The sign-in of one command: Login on construction, and for a listening
// command the status online; on End the status offline and Logout. A
// listening scope left without End or Abandon, by a failure on the way,
// still signs out, quietly.
class SignedInScope {
public:
    // Throws CommandFailure when Login or the status change fails.
    SignedInScope(CliContext& context, SignIn kind);
    ~SignedInScope();
    SignedInScope(const SignedInScope&) = delete;
    SignedInScope& operator=(const SignedInScope&) = delete;

    // Signs out a listening command; throws CommandFailure when the server
    // did not accept it.
    void End();
    // Forgets the sign-in without a word to the server, as after a lost
    // notification connection.
    void Abandon() { m_signedIn = false; }

private:
    bool SignOut();

    AgentSession& m_session;
    bool m_signedIn = false;
};

}  // namespace nimbo::cli
