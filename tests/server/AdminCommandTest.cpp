#include <gtest/gtest.h>

#include <sstream>

#include "server/AdminCommand.h"
#include "server/DemoDirectory.h"
#include "ServerHarness.h"

namespace nimbo::server::test {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Admin(Directory& directory, std::vector<std::string> words, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    int status = AdminCommand(directory, in, out, err).Run(words);
    return {status, out.str(), err.str()};
}

std::string LoginLine(const std::string& id, const std::string& wirePassword) {
    return "login " + id + " " + ServerHarness::Base64(wirePassword) + " 0 0";
}

TEST(AdminCommand, UsersAreAddedListedRepasswordedAndDeleted) {
    ServerHarness server("127.0.4.23");
    Directory& directory = server.GetDirectory();
    EXPECT_EQ(Admin(directory, {"user", "add", "alice", "--name", "앨리스"}, "first\n").status, 0);
    EXPECT_EQ(Admin(directory, {"user", "add", "bob"}, "\xEB\xB9\x84\xEB\xB0\x80\r\nignored\n").status, 0);  // 비밀
    EXPECT_EQ(Admin(directory, {"user", "add", "carol"}, "gone\n").status, 0);
    EXPECT_EQ(Admin(directory, {"user", "passwd", "alice"}, "second\n").status, 0);
    EXPECT_EQ(Admin(directory, {"user", "del", "carol"}).status, 0);
    EXPECT_EQ(Admin(directory, {"user", "list"}).out, "alice\t앨리스\nbob\tbob\n");

    Outcome taken = Admin(directory, {"user", "add", "alice"}, "x\n");
    EXPECT_EQ(taken.status, 1);
    EXPECT_EQ(taken.err, "nimbo-agentd: user alice exists\n");
    EXPECT_EQ(Admin(directory, {"user", "add", "bad id"}, "x\n").status, 1);
    EXPECT_EQ(Admin(directory, {"user", "add", "dave", "--name", "<b>"}, "x\n").status, 1);
    EXPECT_EQ(Admin(directory, {"user", "add", "dave"}, "").status, 1);
    EXPECT_EQ(Admin(directory, {"user", "del", "carol"}).status, 1);
    EXPECT_EQ(Admin(directory, {"user", "frobnicate"}).status, 2);

    server.Start();
    EXPECT_EQ(server.Connect()->Command(LoginLine("alice", "second")), "OK\r\nafw=127.0.4.23:10001\r\n\r\n");
    EXPECT_EQ(server.Connect()->Command(LoginLine("alice", "first")).substr(0, 7), "ERR 401");
    EXPECT_EQ(server.Connect()->Command(LoginLine("bob", "\xBA\xF1\xB9\xD0")), "OK\r\nafw=127.0.4.23:10001\r\n\r\n");
    EXPECT_EQ(server.Connect()->Command(LoginLine("carol", "gone")).substr(0, 7), "ERR 401");
}

TEST(AdminCommand, GroupsKeepMemberOrderAndThePseudoGroupIsType2) {
    ServerHarness server("127.0.4.24");
    Directory& directory = server.GetDirectory();
    for (const char* id : {"kim", "lee", "park"})
        ASSERT_EQ(Admin(directory, {"user", "add", id}, "pw\n").status, 0);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "친구", "lee", "park", "lee"}).status, 0);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "숨김", "--type", "1", "park"}).status, 0);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "#$%NOGROUP@#$", "park"}).status, 0);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "친구", "kim"}).status, 0);  // appends
    EXPECT_EQ(Admin(directory, {"group", "list", "kim"}).out,
              "친구\t0\tlee park lee kim\n숨김\t1\tpark\n#$%NOGROUP@#$\t2\tpark\n");

    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "#$%NOGROUP@#$", "--type", "0"}).status, 1);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "x", "--type", "3"}).status, 1);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "a\"b"}).status, 1);
    EXPECT_EQ(Admin(directory, {"group", "add", "kim", "x", "nobody"}).err, "nimbo-agentd: no user nobody\n");
    EXPECT_EQ(Admin(directory, {"group", "add", "nobody", "x"}).status, 1);

    EXPECT_EQ(Admin(directory, {"group", "del", "kim", "숨김"}).status, 0);
    EXPECT_EQ(Admin(directory, {"group", "del", "kim", "숨김"}).status, 1);
    EXPECT_EQ(Admin(directory, {"user", "del", "park"}).status, 0);
    EXPECT_EQ(Admin(directory, {"group", "list", "kim"}).out, "친구\t0\tlee lee kim\n#$%NOGROUP@#$\t2\t\n");
}

TEST(AdminCommand, DemoDirectoryCanBeUsedWithThePrintedPassword) {
    ServerHarness server("127.0.4.25");
    Directory& directory = server.GetDirectory();
    Outcome demo = Admin(directory, {"demo"});
    ASSERT_EQ(demo.status, 0);
    EXPECT_NE(demo.out.find("\"" + std::string(DemoDirectory::PASSWORD) + "\""), std::string::npos);
    EXPECT_NE(demo.out.find("kim\t김민준\n"), std::string::npos);
    EXPECT_EQ(Admin(directory, {"demo"}).status, 0);  // again: replaces, does not fail
    std::string groups = Admin(directory, {"group", "list", "kim"}).out;
    EXPECT_NE(groups.find("\t1\t"), std::string::npos);
    EXPECT_NE(groups.find("#$%NOGROUP@#$\t2\t"), std::string::npos);

    server.Start();
    EXPECT_EQ(server.Connect()->Command(LoginLine("kim", DemoDirectory::PASSWORD)),
              "OK\r\nafw=127.0.4.25:10001\r\n\r\n");
    std::string list = server.SignedIn("kim", DemoDirectory::PASSWORD)->Command("getlogonstatall");
    for (const char* buddy : {"lee", "park", "choi", "jung", "kang", "yoon"})
        EXPECT_NE(list.find(std::string("<b>") + buddy + "\r\n"), std::string::npos) << buddy;
}

}  // namespace
}  // namespace nimbo::server::test
