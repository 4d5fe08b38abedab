#include "tests/shell/BuddyClient.h"

#include <stdexcept>

#include "platform/CodePage.h"
#include "tests/support/AgentdProcess.h"
#include "tests/support/AgentScripts.h"

namespace nimbo::test {
namespace {

std::string Wire64(const std::string& utf8) {
    return Base64Of(platform::CodePage::ToWire(platform::CodePage::FromUtf8(utf8)));
}

// The lines of one reply block, without its empty line.
std::string ReadBlock(PeerConnection& connection) {
    std::string block = connection.ReadBlock();
    if (block.ends_with("\r\n\r\n"))
        block.resize(block.size() - 2);
    return block;
}

}  // namespace

BuddyClient::BuddyClient(std::string address, std::string userId, std::string password)
    : m_address(std::move(address)), m_userId(std::move(userId)), m_password(std::move(password)) {}

std::string BuddyClient::AuthLine() const { return "auth " + m_userId + " " + Base64Of(m_password) + " \r\n"; }

std::optional<std::string> BuddyClient::Command(const std::string& line) const {
    std::unique_ptr<PeerConnection> connection = PeerConnection::Connect(m_address, AGENT_PORT);
    if (!connection || !connection->Send(AuthLine()) || ReadBlock(*connection) != "OK\r\n")
        return std::nullopt;
    connection->Send(line + "\r\n");
    return ReadBlock(*connection);
}

bool BuddyClient::SetStatus(const std::string& word, const std::string& message) const {
    return Command("setlogonstat " + word + " " + (message.empty() ? "" : Wire64(message))) == "OK\r\n";
}

bool BuddyClient::PeerCall(const std::string& callee, PeerCallKind kind, const std::string& body) const {
    return Command("peercall " + callee + " " + PeerCallWord(kind) + " " + Wire64(body)) == "OK\r\n";
}

void BuddyClient::Listen() {
    m_listener = PeerConnection::Connect(m_address, AgentdProcess::NOTIFY_PORT);
    if (!m_listener || !m_listener->Send(AuthLine()) || ReadBlock(*m_listener) != "OK\r\n")
        throw std::runtime_error("notification auth of " + m_userId + " refused");
}

std::string BuddyClient::NextBlock() { return ReadBlock(*m_listener); }

std::string BuddyClient::NextPeerCall() {
    std::string block;
    do {
        block = NextBlock();
    } while (block.starts_with("notify "));
    return block;
}

std::string BuddyClient::PeerCallBlock(const std::string& caller, PeerCallKind kind, const std::string& body,
                                       const std::string& callee) {
    return "peercall " + caller + " " + PeerCallWord(kind) + " " + Wire64(body) + " " + callee + "\r\n";
}

}  // namespace nimbo::test
