#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "CheckGate.h"
#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

const std::string OK = "OK\r\n\r\n";
const std::string REFUSED = "ERR 401\r\nmessage=wrong user ID or password\r\n\r\n";
const std::string BUSY = "ERR 503\r\nmessage=server busy\r\n\r\n";
constexpr const char* ATTACKER = "127.0.25.2";
constexpr const char* ALICE_HOME = "127.0.25.3";
constexpr const char* ELSEWHERE = "127.0.25.4";

class Guessing : public ::testing::Test {
protected:
    // Configure, then Start().
    ServerHarness& On(const std::string& address) {
        m_server = std::make_unique<ServerHarness>(address);
        m_server->Config().passwordCheck = m_gate.Check();
        m_server->AddUsers({"alice", "bob", "carol"});
        return *m_server;
    }
    // A test that failed with the gate closed must not leave the server's
    // threads held.
    void TearDown() override { m_gate.Open(); }
    std::string Auth(const char* from, const std::string& id, const std::string& password) {
        return m_server->ConnectFrom(from)->Command(ServerHarness::AuthLine(id, password));
    }

    CheckGate m_gate;  // outlives the server
    std::unique_ptr<ServerHarness> m_server;
};

TEST_F(Guessing, GuessesAreThrottledPerAddressAndUserWhileOthersSignIn) {
    On("127.0.25.1").Start();
    ASSERT_EQ(Auth(ALICE_HOME, "alice", "pw-a"), OK);
    const int allowed = SignInLimits{}.failures;
    for (int guess = 0; guess < 3 * allowed; ++guess)
        EXPECT_EQ(Auth(ATTACKER, "alice", "guess-" + std::to_string(guess)), REFUSED) << guess;
    // Only the guesses before the lock cost a check; the right password
    // from the guessing address is refused like a wrong one.
    EXPECT_EQ(m_gate.Started(), 1 + allowed);
    EXPECT_EQ(Auth(ATTACKER, "alice", "pw-a"), REFUSED);
    EXPECT_EQ(Auth(ATTACKER, "bob", "pw-b"), REFUSED);
    // Elsewhere alice's ID is locked too, but not where she signs in daily,
    // and other users sign in normally.
    EXPECT_EQ(Auth(ELSEWHERE, "alice", "pw-a"), REFUSED);
    EXPECT_EQ(Auth(ALICE_HOME, "alice", "pw-a"), OK);
    EXPECT_EQ(Auth(ELSEWHERE, "bob", "pw-b"), OK);
    EXPECT_EQ(m_gate.Started(), 1 + allowed + 1);
}

TEST_F(Guessing, UnknownUserAndWrongPasswordAreAnsweredAlikeAfterACheckEach) {
    On("127.0.25.5").Start();
    EXPECT_EQ(Auth(ATTACKER, "alice", "wrong"), REFUSED);
    EXPECT_EQ(m_gate.Started(), 1);
    EXPECT_EQ(Auth(ELSEWHERE, "nobody", "wrong"), REFUSED);
    EXPECT_EQ(m_gate.Started(), 2);
}

TEST_F(Guessing, ResetFloodLeavesARealSignInBehindOnlyTheRunningCheck) {
    const int queued = 4;
    ServerHarness& server = On("127.0.25.6");
    server.Config().verifyThreads = 1;
    server.Config().maxQueuedChecks = queued;
    server.Config().maxPerAddress = 100;
    server.Start();
    ASSERT_EQ(Auth(ELSEWHERE, "carol", "pw-c"), OK);
    m_gate.Close();
    // carol's credential is known now: her "auth" is answered without a
    // check, after every line that reached the server before it.
    auto handshake = [&] { ASSERT_EQ(Auth(ELSEWHERE, "carol", "pw-c"), OK); };

    std::vector<std::unique_ptr<PeerConnection>> flood;
    auto guess = [&] {
        flood.push_back(m_server->ConnectFrom(ATTACKER));
        flood.back()->Send(ServerHarness::AuthLine("alice", "guess-" + std::to_string(flood.size())) + "\r\n");
    };
    // The first guess is being checked, `queued` wait, the rest are
    // answered at once.
    guess();
    m_gate.WaitUntilStarted(2);
    while (flood.size() < 20)
        guess();
    handshake();
    for (std::size_t i = 1 + queued; i < flood.size(); ++i)
        EXPECT_EQ(flood[i]->ReadBlock(), BUSY) << i;
    for (auto& connection : flood)
        connection->Abort();
    auto bob = m_server->ConnectFrom(ALICE_HOME);
    bob->Send(ServerHarness::AuthLine("bob", "pw-b") + "\r\n");
    handshake();
    m_gate.Open();
    EXPECT_EQ(bob->ReadBlock(), OK);
    // carol's first, the first guess, and bob's: the checks of the reset
    // connections never ran.
    EXPECT_EQ(m_gate.Started(), 1 + 1 + 1);
}

}  // namespace
}  // namespace nimbo::server::test
