#pragma once

#include <map>
#include <string>

#include "tests/support/ScriptedPeer.h"

namespace nimbo::test {

// The reply by which an agent server accepts a command.
inline const std::string OK_REPLY = "OK\r\n\r\n";

// A scripted agent server connection: answers every command line with the
// reply `replies` holds for its first word ("login", "auth", ...), and with
// OK_REPLY when it holds none. Extra empty lines get no answer.
Script AnswerCommands(std::map<std::string, std::string> replies = {});

// A scripted notification server connection: answers the listener's "auth"
// line with OK_REPLY, then runs `then` (a silent server when it is empty).
Script AcceptListener(Script then = {});

}  // namespace nimbo::test
