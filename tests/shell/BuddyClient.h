#pragma once

#include <memory>
#include <optional>
#include <string>

#include "net/AgentProtocol.h"
#include "tests/support/PeerConnection.h"

namespace nimbo::test {

// Another user of the agent server, speaking the wire protocol with raw
// sockets: sets its presence, sends notes, and reads what its own
// notification connection receives.
class BuddyClient {
public:
    BuddyClient(std::string address, std::string userId, std::string password);

    // One command after "auth" on a fresh connection; the whole reply, or
    // nullopt when the server refused the identification.
    std::optional<std::string> Command(const std::string& line) const;
    // "setlogonstat WORD TEXT64"; `message` is UTF-8.
    bool SetStatus(const std::string& word, const std::string& message) const;
    // A note: "peercall CALLEE KIND BODY64"; `text` is UTF-8.
    bool SendNote(const std::string& callee, const std::string& text) const {
        return PeerCall(callee, PeerCallKind::Note, text);
    }

    // Opens the notification connection and identifies on it.
    void Listen();
    // The next block pushed on the notification connection, its lines with
    // their CR LF, the empty line left out; empty when the server closed it.
    std::string NextBlock();
    // The next peer call block, passing over logon notices.
    std::string NextPeerCall();

    // A peer call block as `callee` receives it from `caller`; `body` is UTF-8.
    static std::string PeerCallBlock(const std::string& caller, PeerCallKind kind, const std::string& body,
                                     const std::string& callee);
    // "peercall CALLEE KIND BODY64" as `callee`'s buddy sends it.
    bool PeerCall(const std::string& callee, PeerCallKind kind, const std::string& body) const;

private:
    std::string AuthLine() const;

    std::string m_address;
    std::string m_userId;
    std::string m_password;
    std::unique_ptr<PeerConnection> m_listener;
};

}  // namespace nimbo::test
