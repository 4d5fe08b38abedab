#pragma once

#include <string>

namespace nimbo {

class CAgentSocket;

// How a session operation failed, as the person who asked for it needs to
// know: whether the server could not be reached, did not answer in time,
// dropped the connection or said no.
enum class FailureKind {
    None,
    // The connection could not be made: the name was not found, nothing
    // listens, no route.
    Unreachable,
    // The server did not answer within the command time-out.
    TimedOut,
    // The connection failed in the middle of an exchange.
    Broken,
    // The server answered with an error reply.
    Refused,
    // The text could not be put on the wire.
    Local,
};

// The reason of a session operation's failure: the operation, the host it
// tried to reach, and either the socket failure with the system's words for
// it or the server's error code and message.
struct SessionFailure {
    std::u16string operation;
    FailureKind kind = FailureKind::None;
    std::u16string host;
    // "Connect error #111 (Connection refused)"; empty for a refusal.
    std::u16string socketText;
    std::u16string serverCode;
    std::u16string serverMessage;

    // The failure of `operation` on `socket`, whose last connect or exchange
    // failed, or Local when neither did.
    static SessionFailure Of(std::u16string operation, std::u16string host, const CAgentSocket& socket);

    // One line for a log or standard error:
    // "Login at 127.0.0.1: Connect error #111 (Connection refused)",
    // "Login at 127.0.0.1: the server refused: 401 wrong user ID or password".
    std::u16string Describe() const;
    // The part after the host: the socket text, or the server's code and
    // message.
    std::u16string Reason() const;
};

}  // namespace nimbo
