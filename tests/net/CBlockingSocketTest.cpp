#include "net/CBlockingSocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <string>
#include <vector>

#include "tests/support/BlockingCall.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/SocketFailure.h"

// Each test that needs the network has its own loopback address 127.0.2.N.

namespace nimbo {
namespace {

using test::BlockingCall;
using test::PeerConnection;
using test::ScriptedPeer;
using test::SocketFailure;

constexpr int PORT = 10000;

// A host name that cannot resolve and that no resolver is ever asked about:
// a label longer than 63 characters is refused before any query is sent.
const std::string UNRESOLVABLE_HOST = std::string(70, 'a') + ".invalid";

std::string Dotted(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

// A client connected to `host`:PORT.
struct Client {
    explicit Client(const char* host) {
        socket.Create();
        socket.Connect(CBlockingSocket::AddressFromDotted(host, PORT));
    }
    ~Client() { socket.Close(); }
    CBlockingSocket socket;
};

TEST(CBlockingSocket, SendsAndReceivesOverLoopback) {
    ScriptedPeer peer("127.0.2.1", PORT);
    peer.Expect([](PeerConnection& c) {
        c.WaitForText("hello\r\n");
        c.Send("world");
    });
    {
        Client client("127.0.2.1");
        EXPECT_EQ(client.socket.SendAll("hello\r\n", 7, 5), 7);
        char buffer[16] = {};
        int count = client.socket.Receive(buffer, sizeof buffer, 5);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), "world");
    }
    EXPECT_EQ(peer.Received(0), "hello\r\n");
}

TEST(CBlockingSocket, AcceptHandsTheConnectionToTheTarget) {
    CBlockingSocket listener;
    listener.Create();
    listener.Bind(CBlockingSocket::AddressFromDotted("127.0.2.2", PORT));
    listener.Listen();
    auto client = PeerConnection::Connect("127.0.2.2", PORT);
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->Send("ping"));

    CBlockingSocket accepted;
    sockaddr_in from{};
    ASSERT_TRUE(listener.Accept(accepted, from));
    EXPECT_EQ(from.sin_family, AF_INET);
    char buffer[8] = {};
    const int count = accepted.Receive(buffer, sizeof buffer, 5);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), "ping");
    sockaddr_in local = accepted.GetSockName();
    EXPECT_EQ(Dotted(local), "127.0.2.2");
    EXPECT_EQ(ntohs(local.sin_port), PORT);
    accepted.Close();
    listener.Close();
}

TEST(CBlockingSocket, ReceiveReturnsZeroWhenThePeerCloses) {
    ScriptedPeer peer("127.0.2.3", PORT);
    peer.Expect([](PeerConnection& c) { c.Close(); });
    Client client("127.0.2.3");
    char buffer[8];
    EXPECT_EQ(client.socket.Receive(buffer, sizeof buffer, 5), 0);
}

TEST(CBlockingSocket, ReceiveTimesOutWhenNothingArrives) {
    ScriptedPeer peer("127.0.2.4", PORT);
    Client client("127.0.2.4");
    char buffer[8];
    auto failure = SocketFailure([&] { client.socket.Receive(buffer, sizeof buffer, 1); });
    EXPECT_EQ(failure.m_strOperation, u"Receive timeout");
    EXPECT_EQ(failure.m_nErrorCode, 0);
}

TEST(CBlockingSocket, SendTimesOutWhenThePeerStopsReading) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ScriptedPeer peer("127.0.2.5", PORT);
    peer.Expect([released](PeerConnection&) { released.wait(); });
    Client client("127.0.2.5");
    // More than the send and receive buffers of a loopback connection hold.
    std::vector<char> bytes(64 << 20, 'x');
    auto failure = SocketFailure([&] { client.socket.SendAll(bytes.data(), static_cast<int>(bytes.size()), 1); });
    EXPECT_EQ(failure.m_strOperation, u"Send timeout");
    EXPECT_EQ(failure.m_nErrorCode, 0);
    release.set_value();
}

TEST(CBlockingSocket, ResetConnectionFailsReceiveAndSendWithoutSignal) {
    ScriptedPeer peer("127.0.2.6", PORT);
    peer.Expect([](PeerConnection& c) {
        c.WaitForText("go");
        c.Abort();
    });
    Client client("127.0.2.6");
    client.socket.SendAll("go", 2, 5);
    char buffer[8];
    auto received = SocketFailure([&] { client.socket.Receive(buffer, sizeof buffer, 5); });
    EXPECT_EQ(received.m_strOperation, u"Receive");
    EXPECT_EQ(received.m_nErrorCode, ECONNRESET);
    // A send on the dead connection must fail, not kill the process.
    auto sent = SocketFailure([&] { client.socket.SendAll("more", 4, 5); });
    EXPECT_EQ(sent.m_strOperation, u"Send");
    EXPECT_EQ(sent.m_nErrorCode, EPIPE);
}

TEST(CBlockingSocket, SendWithoutSocketThrowsClose) {
    CBlockingSocket socket;
    auto failure = SocketFailure([&] { socket.Send("x", 1, 1); });
    EXPECT_EQ(failure.m_strOperation, u"Close");
    std::u16string message = failure.GetErrorMessage();
    EXPECT_EQ(message.substr(0, 11), u"Close error");
}

TEST(CBlockingSocket, CloseIsHarmlessWithoutSocketAndWhenRepeated) {
    CBlockingSocket socket;
    socket.Close();
    socket.CloseNoShutdown();
    socket.Create();
    EXPECT_TRUE(socket.IsValid());
    socket.Close();
    socket.Close();
    EXPECT_FALSE(socket.IsValid());
}

TEST(CBlockingSocket, AcceptWokenByShutdownReturnsFalse) {
    CBlockingSocket listener;
    listener.Create();
    listener.Bind(CBlockingSocket::AddressFromDotted("127.0.2.7", PORT));
    listener.Listen();
    bool accepted = true;
    BlockingCall waiter([&] {
        CBlockingSocket target;
        sockaddr_in from{};
        accepted = listener.Accept(target, from);
    });
    EXPECT_TRUE(waiter.WaitUntilBlockedIn({SYS_accept4}));
    listener.Shutdown();
    waiter.Join();
    EXPECT_FALSE(accepted);
    listener.Close();
}

TEST(CBlockingSocket, ReceiveWithoutLimitWokenByShutdownReturnsZero) {
    ScriptedPeer peer("127.0.2.8", PORT);
    Client client("127.0.2.8");
    int received = -1;
    BlockingCall waiter([&] {
        char buffer[8];
        received = client.socket.Receive(buffer, sizeof buffer, 0);
    });
    EXPECT_TRUE(waiter.WaitUntilBlockedIn(test::POLL_CALLS));
    client.socket.Shutdown();
    waiter.Join();
    EXPECT_EQ(received, 0);
}

TEST(CBlockingSocket, FailuresCarryTheSystemError) {
    ScriptedPeer peer("127.0.2.9", PORT);
    CBlockingSocket socket;
    socket.Create();
    auto bind = SocketFailure([&] { socket.Bind(CBlockingSocket::AddressFromDotted("127.0.2.9", PORT)); });
    EXPECT_EQ(bind.GetErrorMessage(), u"Bind error #98");  // EADDRINUSE
    socket.Create();
    auto connect = SocketFailure([&] { socket.Connect(CBlockingSocket::AddressFromDotted("127.0.2.10", PORT)); });
    EXPECT_EQ(connect.GetErrorMessage(), u"Connect error #111");  // ECONNREFUSED
    socket.Close();
}

TEST(CBlockingSocket, DottedTextIsConvertedNotLookedUp) {
    sockaddr_in address = CBlockingSocket::AddressFromDotted("10.0.0.2", 8002);
    EXPECT_EQ(address.sin_family, AF_INET);
    EXPECT_EQ(ntohs(address.sin_port), 8002);
    EXPECT_EQ(Dotted(address), "10.0.0.2");
    sockaddr_in resolved = CBlockingSocket::ResolveHost("10.0.0.2", 8002);
    EXPECT_EQ(Dotted(resolved), "10.0.0.2");
    EXPECT_EQ(resolved.sin_port, address.sin_port);
    // Only strict dotted quads count; everything else is a name.
    for (const char* notDotted : {"localhost", "127.1", "10.0.0.256", ""}) {
        auto failure = SocketFailure([&] { CBlockingSocket::AddressFromDotted(notDotted, 1); });
        EXPECT_EQ(failure.GetErrorMessage(), u"GetHostByName error") << notDotted;
    }
}

TEST(CBlockingSocket, HostNamesAreResolved) {
    EXPECT_EQ(Dotted(CBlockingSocket::GetHostByName("localhost", 1)), "127.0.0.1");
    auto failure = SocketFailure([] { CBlockingSocket::GetHostByName(UNRESOLVABLE_HOST.c_str(), 1); });
    EXPECT_EQ(failure.m_strOperation, u"GetHostByName");
    EXPECT_NE(failure.m_nErrorCode, 0);
}

}  // namespace
}  // namespace nimbo
