#pragma once

#include <QString>

namespace nimbo {

struct SessionFailure;

// Why a server operation failed, in the user's words, with the technical
// reason (the system's text, or the server's code and message) after it:
// "서버(10.0.0.1)에 연결할 수 없습니다. (Connect error #111 (Connection refused))".
QString FailureText(const SessionFailure& failure);

// The same for a sign-in, whose refusal means the ID or password.
QString LoginFailureText(const SessionFailure& failure);

}  // namespace nimbo
