#include <gtest/gtest.h>

#include <chrono>
#include <stop_token>
#include <thread>
#include <vector>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

constexpr const char* ATTACKER = "127.0.24.2";
constexpr const char* USER = "127.0.24.3";
constexpr int PER_ADDRESS = 6;
// The attack's pace: a byte this often keeps a byte-counting time-out open.
constexpr std::chrono::milliseconds TRICKLE{50};

// Sends one byte at a time on each connection until stopped, never a line
// end, as a slow-loris attack does. Sends to connections the server closed
// fail; that is the point.
void Trickle(const std::vector<std::unique_ptr<PeerConnection>>& connections, std::stop_token stop) {
    while (!stop.stop_requested()) {
        for (const auto& connection : connections)
            connection->Send("x");
        std::this_thread::sleep_for(TRICKLE);
    }
}

TEST(LockOut, IdleAndSlowLorisConnectionsAreClosedWhileARealUserSignsInAndSendsANote) {
    ServerHarness server("127.0.24.1");
    server.Config().firstLineTimeout = std::chrono::milliseconds(400);
    server.Config().idleTimeout = std::chrono::milliseconds(400);
    server.Config().maxPerAddress = PER_ADDRESS;
    server.Config().maxConnections = 2 * PER_ADDRESS;
    server.AddUsers({"alice", "bob"});
    server.Start();
    std::vector<std::unique_ptr<PeerConnection>> idle, slow;
    for (int i = 0; i < PER_ADDRESS / 2; ++i) {
        idle.push_back(server.ConnectFrom(ATTACKER, i % 2 ? server.Config().notifyPort : AGENT_PORT));
        slow.push_back(server.ConnectFrom(ATTACKER));
    }
    // One of them completed a line: its next one is timed the same way.
    slow.back()->Send("getgroup\r\n");
    std::jthread trickler([&](std::stop_token stop) { Trickle(slow, stop); });
    // The server takes the agent port's new connections first: this one
    // comes after all of the attacker's others.
    EXPECT_EQ(server.ConnectFrom(ATTACKER, server.Config().notifyPort)->ReadUntilClosed(),
              "ERR 503\r\nmessage=too many connections from your address\r\n\r\n");

    auto bob = server.ConnectFrom(USER, server.Config().notifyPort);
    EXPECT_EQ(bob->Command(ServerHarness::AuthLine("bob", "pw-b")), "OK\r\n\r\n");
    auto alice = server.ConnectFrom(USER);
    EXPECT_EQ(alice->Command("login alice " + ServerHarness::Base64("pw-a") + " 0 0"),
              "OK\r\nafw=127.0.24.1:10001\r\n\r\n");
    EXPECT_EQ(alice->Command("peercall bob instmsg SGk="), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), "peercall alice instmsg SGk= bob\r\n\r\n");

    for (const auto& connection : idle)
        EXPECT_TRUE(connection->WaitForHangUp());
    for (const auto& connection : slow)
        EXPECT_TRUE(connection->WaitForHangUp());
    EXPECT_EQ(slow.back()->ReadBlock(), "ERR 401\r\nmessage=auth required\r\n\r\n");
    // The attacker's slots are free again.
    EXPECT_EQ(server.ConnectFrom(ATTACKER)->Command("getgroup"), "ERR 401\r\nmessage=auth required\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
