#pragma once

#include <map>
#include <string>
#include <string_view>

#include "tests/support/ScriptedPeer.h"

namespace nimbo::test {

// The reply by which an agent server accepts a command.
inline const std::string OK_REPLY = "OK\r\n\r\n";

// The lines of user "kim" with password "pass".
inline const std::string AUTH_LINE = "auth kim cGFzcw== \r\n";
inline const std::string LOGIN_LINE = "login kim cGFzcw== 0 0\r\n";

// "안녕하세요" in the wire code page, and its Base64.
inline const std::string KOREAN_HELLO = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";
inline const std::string KOREAN_HELLO_64 = "vsiz58fPvLy/5A==";

// A login reply that names the notification server at `host`, `port`.
std::string LoginReply(const std::string& host, int port);

// Base64 of `bytes`, for building notification blocks.
std::string Base64Of(std::string_view bytes);

// A scripted agent server connection: answers every command line with the
// reply `replies` holds for its first word ("login", "auth", ...), and with
// OK_REPLY when it holds none. Extra empty lines get no answer.
Script AnswerCommands(std::map<std::string, std::string> replies = {});

// A scripted notification server connection: answers the listener's "auth"
// line with OK_REPLY, then runs `then` (a silent server when it is empty).
Script AcceptListener(Script then = {});

}  // namespace nimbo::test
