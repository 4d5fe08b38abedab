#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestAgentd.h"
#include "tests/support/ChildProcess.h"

// nimbo-cli processes against a nimbo-agentd process serving the demo
// directory on 127.0.14.N, as a user tries Nimbo out on a terminal. In the
// demo kim has lee and park in 친구, choi, jung and lee in 회사, yoon in a
// hidden group and kang in no group; park watches kim and lee; yoon, who
// only sends, watches kim and kang.

namespace nimbo::e2e {
namespace {

using test::TestAgentd;
using test::ChildProcess;
using test::ProcessRun;

class EndToEndCli : public ::testing::Test {
protected:
    void Serve(const std::string& address) { m_server = std::make_unique<TestAgentd>(address); }
    // The arguments of `command` run by `user` with the demo password.
    std::vector<std::string> As(const std::string& user, const std::vector<std::string>& command) const {
        return WithPassword(user, TestAgentd::DEMO_PASSWORD, command);
    }
    std::vector<std::string> WithPassword(const std::string& user, const std::string& password,
                                          const std::vector<std::string>& command) const {
        std::vector<std::string> args = {"--host", m_server->Address(), "--user", user, "--password", password};
        args.insert(args.end(), command.begin(), command.end());
        return args;
    }
    ProcessRun Run(const std::string& user, const std::vector<std::string>& command) const {
        return test::RunProcess(NIMBO_CLI_PATH, As(user, command));
    }
    std::unique_ptr<ChildProcess> Listen(const std::string& user, const std::vector<std::string>& options = {}) const {
        std::vector<std::string> command = {"listen"};
        command.insert(command.end(), options.begin(), options.end());
        return std::make_unique<ChildProcess>(NIMBO_CLI_PATH, As(user, command));
    }
    // Starts `user` listening and returns once its listener is identified:
    // a note from yoon reached it (kept notes too are handed over only then).
    std::unique_ptr<ChildProcess> ListenReady(const std::string& user,
                                              const std::vector<std::string>& options = {}) const {
        auto listener = Listen(user, options);
        EXPECT_EQ(Run("yoon", {"note", user, "준비됐나요?"}).status, 0);
        EXPECT_EQ(listener->ReadLine(), "note\tyoon\t준비됐나요?");
        return listener;
    }
    // The line `to`, listening, prints for the note `from` sends it.
    std::optional<std::string> NoteAsPrinted(const std::string& from, const std::string& to,
                                             const std::string& text) const {
        auto listener = Listen(to);
        ProcessRun note = Run(from, {"note", to, text});
        EXPECT_EQ(note.status, 0) << note.errors;
        EXPECT_EQ(note.output, "");
        std::optional<std::string> line = listener->ReadLine();
        EXPECT_EQ(Stop(*listener), 0) << listener->Errors();
        return line;
    }
    static int Stop(ChildProcess& listener) {
        listener.Signal(SIGTERM);
        return listener.Wait();
    }

    std::unique_ptr<TestAgentd> m_server;
};

TEST_F(EndToEndCli, BuddiesShowsTheDemoDirectoryWithWhoIsOnline) {
    Serve("127.0.14.1");
    auto park = ListenReady("park");
    auto lee = Listen("lee");
    EXPECT_EQ(park->ReadLine(), "logon");  // lee came online

    ProcessRun buddies = Run("kim", {"buddies"});
    EXPECT_EQ(buddies.status, 0) << buddies.errors;
    EXPECT_EQ(buddies.output,
              "1\t0\t친구\t\n"
              "2\t1\t 이서연(lee)\tPocketPC\n"
              "2\t1\t 박지훈(park)\tPocketPC\n"
              "1\t0\t회사\t\n"
              "3\t1\t 최유진(choi)\t\n"
              "3\t1\t 정하늘(jung)\t\n"
              "2\t1\t 이서연(lee)\tPocketPC\n"
              "3\t0\t 강도윤(kang)\t\n");
    EXPECT_EQ(Stop(*lee), 0) << lee->Errors();
    EXPECT_EQ(Stop(*park), 0) << park->Errors();
}

TEST_F(EndToEndCli, KoreanNotesCrossBetweenProcessesBothWays) {
    Serve("127.0.14.2");
    EXPECT_EQ(NoteAsPrinted("kim", "lee", "안녕하세요, 이서연 씨!\n내일 봬요."),
              "note\tkim\t안녕하세요, 이서연 씨!\\n내일 봬요.");
    EXPECT_EQ(NoteAsPrinted("lee", "kim", "네, 내일 봬요.\t이서연 드림"), "note\tlee\t네, 내일 봬요.\\t이서연 드림");
}

TEST_F(EndToEndCli, ListenForSecondsEndsOfflineAndSignedOutForItsWatchers) {
    Serve("127.0.14.3");
    auto park = ListenReady("park");
    ProcessRun lee = Run("lee", {"listen", "--seconds", "1"});
    EXPECT_EQ(lee.status, 0) << lee.errors;
    EXPECT_EQ(lee.output, "");
    EXPECT_EQ(park->ReadLine(), "logon");  // online
    EXPECT_EQ(park->ReadLine(), "logon");  // offline
    ProcessRun buddies = Run("kim", {"buddies"});
    EXPECT_NE(buddies.output.find("3\t1\t 이서연(lee)\t\n"), std::string::npos) << buddies.output;
    EXPECT_EQ(buddies.output.find("이서연(lee)\tPocketPC"), std::string::npos) << buddies.output;
    EXPECT_EQ(Stop(*park), 0) << park->Errors();
}

TEST_F(EndToEndCli, NotesKeptForAnOfflineUserOutliveItsOneShotCommands) {
    Serve("127.0.14.4");
    EXPECT_EQ(Run("lee", {"note", "kim", "첫 번째 쪽지"}).status, 0);
    EXPECT_EQ(Run("lee", {"note", "kim", "두 번째 쪽지"}).status, 0);
    // Neither command shows notes: they must leave them on the server.
    EXPECT_EQ(Run("kim", {"buddies"}).status, 0);
    EXPECT_EQ(Run("kim", {"note", "lee", "나중에 읽을게요"}).status, 0);
    auto kim = Listen("kim");
    EXPECT_EQ(kim->ReadLine(), "note\tlee\t첫 번째 쪽지");
    EXPECT_EQ(kim->ReadLine(), "note\tlee\t두 번째 쪽지");
    EXPECT_EQ(Stop(*kim), 0) << kim->Errors();
}

TEST_F(EndToEndCli, NoteSentWhileTheSameUserListensElsewhereLeavesTheListenerRunning) {
    Serve("127.0.14.5");
    auto kim = ListenReady("kim");
    EXPECT_EQ(Run("kim", {"note", "lee", "다른 창에서 보내요"}).status, 0);
    EXPECT_EQ(Run("lee", {"note", "kim", "잘 받았어요"}).status, 0);
    EXPECT_EQ(kim->ReadLine(), "note\tlee\t잘 받았어요");
    EXPECT_EQ(Stop(*kim), 0) << kim->Errors();
}

// What the demo offers: its buddy lee, listening, also runs the one-shot
// commands as lee. None of them takes lee offline or ends its listen.
TEST_F(EndToEndCli, OneShotCommandsLeaveTheSameUsersListenAsItWas) {
    Serve("127.0.14.7");
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("nimbo-e2e-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "inbox");
    std::ofstream(folder / "plan.txt") << "일정표";
    auto lee = ListenReady("lee");
    auto kim = ListenReady("kim", {"--accept-files", (folder / "inbox").string()});
    EXPECT_EQ(lee->ReadLine(), "logon");  // kim came online

    EXPECT_EQ(Run("lee", {"buddies"}).status, 0);
    EXPECT_EQ(Run("lee", {"note", "kim", "파일 보낼게요"}).status, 0);
    ProcessRun sent = Run("lee", {"send-file", "kim", (folder / "plan.txt").string()});
    EXPECT_EQ(sent.status, 0) << sent.errors;
    // kim, who watches lee, hears of no presence change in between.
    EXPECT_EQ(kim->ReadLine(), "note\tlee\t파일 보낼게요");
    EXPECT_TRUE(kim->ReadLine().value_or("").starts_with("offer\tlee\tplan.txt\t9\t"));
    EXPECT_EQ(kim->ReadLine(), "file\t" + (folder / "inbox" / "plan.txt").string() + "\tTE_RECV_DONE");

    EXPECT_EQ(Run("yoon", {"note", "lee", "아직 있어요?"}).status, 0);
    EXPECT_EQ(lee->ReadLine(), "note\tyoon\t아직 있어요?");
    EXPECT_NE(Run("park", {"buddies"}).output.find("2\t1\t 이서연(lee)\tPocketPC\n"), std::string::npos);
    EXPECT_EQ(Stop(*kim), 0) << kim->Errors();
    EXPECT_EQ(Stop(*lee), 0) << lee->Errors();
    std::filesystem::remove_all(folder);
}

TEST_F(EndToEndCli, UserAddedByTheAdminCommandsSignsInWithAKoreanPassword) {
    Serve("127.0.14.6");
    ASSERT_TRUE(m_server->Admin({"user", "add", "hong", "--name", "홍길동"}, "비밀번호\n"));
    ASSERT_TRUE(m_server->Admin({"group", "add", "hong", "동료", "kim"}));
    ASSERT_TRUE(m_server->Admin({"group", "add", "kim", "친구", "hong"}));
    ProcessRun hong = test::RunProcess(NIMBO_CLI_PATH, WithPassword("hong", "비밀번호", {"buddies"}));
    EXPECT_EQ(hong.status, 0) << hong.errors;
    EXPECT_EQ(hong.output, "1\t0\t동료\t\n3\t1\t 김민준(kim)\t\n");
    ProcessRun wrong = test::RunProcess(NIMBO_CLI_PATH, WithPassword("hong", "비밀번호2", {"buddies"}));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.errors,
              "nimbo-cli: login failed: Login at 127.0.14.6: the server refused: 401 wrong user ID or password\n");
    ProcessRun kim = Run("kim", {"buddies"});
    EXPECT_NE(kim.output.find("3\t1\t 박지훈(park)\t\n3\t1\t 홍길동(hong)\t\n1\t0\t회사"), std::string::npos)
        << kim.output;
}

}  // namespace
}  // namespace nimbo::e2e
