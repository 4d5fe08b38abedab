#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

constexpr int SMALL_RECEIVE_BUFFER = 4096;
constexpr int NOTES = 24;

std::string Note(int i) { return ServerHarness::Base64(std::to_string(i) + ":" + std::string(1500, 'n')); }
std::string Block(const std::string& note64) { return "peercall alice instmsg " + note64 + " bob\r\n\r\n"; }

// The whole blocks at the start of `bytes`; a cut one at the end is dropped,
// as a client's listener drops it when its connection ends.
std::vector<std::string> WholeBlocks(const std::string& bytes) {
    std::vector<std::string> blocks;
    for (std::size_t start = 0, end; (end = bytes.find("\r\n\r\n", start)) != std::string::npos; start = end + 4)
        blocks.push_back(bytes.substr(start, end + 4 - start));
    return blocks;
}

TEST(NoteDelivery, NotesAFrozenListenerDidNotAcknowledgeArriveAtTheNextSignInExactlyOnce) {
    ServerHarness server("127.0.25.9");
    server.Config().ackTimeout = std::chrono::milliseconds(300);
    server.AddUsers({"alice", "bob"});
    server.Start();
    // bob's client freezes: it reads nothing, its small window fills, and
    // the rest of the notes wait unacknowledged at the server.
    auto frozen = PeerConnection::Dial(server.Address(), server.Config().notifyPort, SMALL_RECEIVE_BUFFER);
    ASSERT_EQ(frozen->Command(ServerHarness::AuthLine("bob", "pw-b")), "OK\r\n\r\n");
    auto alice = server.SignedIn("alice", "pw-a");
    for (int i = 0; i < NOTES; ++i)
        ASSERT_EQ(alice->Command("peercall bob instmsg " + Note(i)), "OK\r\n\r\n") << i;
    ASSERT_TRUE(frozen->WaitForHangUp());
    // What the frozen client's kernel took is its; the rest comes again.
    std::vector<std::string> received = WholeBlocks(frozen->ReadUntilClosed());
    ASSERT_LT(received.size(), static_cast<std::size_t>(NOTES));
    auto bob = server.Listener("bob", "pw-b");
    while (received.size() < static_cast<std::size_t>(NOTES))
        received.push_back(bob->ReadBlock());
    for (int i = 0; i < NOTES; ++i)
        EXPECT_EQ(received[static_cast<std::size_t>(i)], Block(Note(i))) << i;
    ASSERT_EQ(alice->Command("peercall bob instmsg TGF0ZXI="), "OK\r\n\r\n");
    EXPECT_EQ(bob->ReadBlock(), Block("TGF0ZXI="));
}

}  // namespace
}  // namespace nimbo::server::test
