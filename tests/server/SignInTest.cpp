#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

const std::string REFUSED = "ERR 401\r\nmessage=wrong user ID or password\r\n\r\n";
const std::string AUTH_REQUIRED = "ERR 401\r\nmessage=auth required\r\n\r\n";

std::string LoginLine(const std::string& id, std::string_view password) {
    return "login " + id + " " + ServerHarness::Base64(password) + " 0 0";
}

TEST(SignIn, LoginNamesTheNotificationServerAndIdentifiesTheConnection) {
    ServerHarness server("127.0.4.1");
    server.AddUser("alice", "alice", "secret");
    server.Start();
    auto client = server.Connect();
    EXPECT_EQ(client->Command(LoginLine("alice", "secret")), "OK\r\nafw=127.0.4.1:10001\r\n\r\n");
    EXPECT_EQ(client->Command("getgroup"), "OK\r\n\r\n");
}

TEST(SignIn, LoginAdvertisesTheConfiguredHostAndNotificationPort) {
    ServerHarness server("127.0.4.2");
    server.Config().advertiseHost = "chat.example.org";
    server.Config().notifyPort = 10005;
    server.AddUser("alice", "alice", "secret");
    server.Start();
    EXPECT_EQ(server.Connect()->Command(LoginLine("alice", "secret")), "OK\r\nafw=chat.example.org:10005\r\n\r\n");
    EXPECT_NO_THROW(server.Listener("alice", "secret"));
}

TEST(SignIn, WrongPasswordAndUnknownUserAreRefusedAndTheConnectionStaysUsable) {
    ServerHarness server("127.0.4.3");
    server.AddUser("alice", "alice", "secret");
    server.Start();
    auto client = server.Connect();
    EXPECT_EQ(client->Command(LoginLine("alice", "Secret")), REFUSED);
    EXPECT_EQ(client->Command(LoginLine("nobody", "secret")), REFUSED);
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("alice", "")), REFUSED);
    EXPECT_EQ(client->Command("auth alice"), REFUSED);
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("alice", "secret")), "OK\r\n\r\n");
    // The second time the credentials come from the cache; the answer is the same.
    EXPECT_EQ(server.Connect()->Command(ServerHarness::AuthLine("alice", "secret")), "OK\r\n\r\n");
    EXPECT_EQ(server.Connect()->Command(ServerHarness::AuthLine("alice", "secreT")), REFUSED);
}

TEST(SignIn, CommandsBeforeAuthAndAfterARefusedAuthAreRefused) {
    ServerHarness server("127.0.4.4");
    server.AddUser("alice", "alice", "secret");
    server.AddUser("bob", "bob", "hunter2");
    server.Start();
    auto client = server.Connect();
    for (const char* line :
         {"getgroup", "getlogonstatall", "setlogonstat online ", "logout", "peercall bob instmsg QQ=="})
        EXPECT_EQ(client->Command(line), AUTH_REQUIRED) << line;
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("alice", "secret")), "OK\r\n\r\n");
    EXPECT_EQ(client->Command("setlogonstat online "), "OK\r\n\r\n");
    EXPECT_EQ(client->Command(ServerHarness::AuthLine("bob", "wrong")), REFUSED);
    EXPECT_EQ(client->Command("getgroup"), AUTH_REQUIRED);
}

TEST(SignIn, LogoutEndsTheIdentificationOfItsConnection) {
    ServerHarness server("127.0.25.7");
    server.AddUser("alice", "alice", "secret");
    server.Start();
    auto client = server.SignedIn("alice", "secret");
    EXPECT_EQ(client->Command("logout"), "OK\r\n\r\n");
    for (const char* line : {"getgroup", "setlogonstat online ", "logout"})
        EXPECT_EQ(client->Command(line), AUTH_REQUIRED) << line;
}

TEST(SignIn, UnknownCommandIsAnsweredAndTheNextCommandWorks) {
    ServerHarness server("127.0.4.5");
    server.AddUser("alice", "alice", "secret");
    server.Start();
    auto client = server.SignedIn("alice", "secret");
    const std::string unknown = "ERR 500\r\nmessage=unknown command\r\n\r\n";
    EXPECT_EQ(client->Command("hello world"), unknown);
    EXPECT_EQ(client->Command("GETGROUP"), unknown);
    EXPECT_EQ(client->Command("setlogonstat sleeping "),
              "ERR 400\r\nmessage=unknown status word or bad status text\r\n\r\n");
    EXPECT_EQ(client->Command("getgroup"), "OK\r\n\r\n");
}

TEST(SignIn, RedirectingServerSendsEveryLoginToTheOtherServer) {
    ServerHarness first("127.0.4.6");
    first.AddUser("alice", "alice", "secret");
    first.Config().redirectHost = "127.0.5.1";
    ServerHarness second("127.0.5.1", first);
    first.Start();
    second.Start();
    const std::string moved = "ERR 202\r\nmessage=log in at 127.0.5.1\r\nserver=127.0.5.1\r\n\r\n";
    EXPECT_EQ(first.Connect()->Command(LoginLine("alice", "secret")), moved);
    EXPECT_EQ(first.Connect()->Command(LoginLine("alice", "wrong")), moved);
    EXPECT_EQ(second.Connect()->Command(LoginLine("alice", "secret")), "OK\r\nafw=127.0.5.1:10001\r\n\r\n");
    // Commands other than login are still served where they arrive.
    EXPECT_EQ(first.SignedIn("alice", "secret")->Command("getgroup"), "OK\r\n\r\n");
}

}  // namespace
}  // namespace nimbo::server::test
