// How long the server takes to refuse a sign-in: an unknown user ID against a
// wrong password of a real user. Both must cost the same slow check, so that
// the answer's time does not tell which IDs exist; the program prints the
// ratio of the two times (the goal is 1, within the noise).
//
// The server runs in this process over a temporary directory with one user
// whose password was hashed as the administration command hashes it; the
// sign-in throttle is lifted so that every attempt is checked.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "server/AgentServer.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/ServerLog.h"

namespace {

constexpr const char* ADDRESS = "127.0.10.5";
const std::string REFUSED = "ERR 401\r\nmessage=wrong user ID or password\r\n\r\n";

class Server {
public:
    Server() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-signin-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_folder = pattern;
        m_directory = std::make_unique<nimbo::server::Directory>(m_folder + "/agentd.sqlite");
        m_directory->AddUser({"alice", "alice", nimbo::server::PasswordHash::Make("correct horse")});
        nimbo::server::ServerConfig config;
        config.listenAddress = ADDRESS;
        config.signInLimits.failures = 1 << 30;
        m_server = std::make_unique<nimbo::server::AgentServer>(config, *m_directory, m_log);
        m_server->Open();
        m_loop = std::thread([this] { m_server->Run(); });
    }
    ~Server() {
        m_server->Stop();
        m_loop.join();
        m_server.reset();
        m_directory.reset();
        std::filesystem::remove_all(m_folder);
        std::fclose(m_devNull);
    }

private:
    std::FILE* m_devNull = std::fopen("/dev/null", "w");
    std::string m_folder;
    nimbo::server::ServerLog m_log{m_devNull};
    std::unique_ptr<nimbo::server::Directory> m_directory;
    std::unique_ptr<nimbo::server::AgentServer> m_server;
    std::thread m_loop;
};

// One sign-in on a fresh connection: the reply to "auth ID PW64 ".
std::string Auth(const std::string& id, const std::string& password) {
    nimbo::ByteString password64;
    nimbo::base64::EncodeInto(password.data(), password.size(), password64);
    std::string line = "auth " + id + " " + std::string(password64.view()) + " \r\n";
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nimbo::AGENT_PORT);
    ::inet_pton(AF_INET, ADDRESS, &address.sin_addr);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
        char chunk[256];
        ssize_t count;
        while (reply.find("\r\n\r\n") == std::string::npos && (count = ::recv(fd, chunk, sizeof chunk, 0)) > 0)
            reply.append(chunk, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return reply;
}

void Refused(benchmark::State& state, const std::string& id) {
    static Server server;
    int attempt = 0;
    for (auto _ : state) {
        if (Auth(id, "guess " + std::to_string(++attempt)) != REFUSED)
            state.SkipWithError("not refused as a wrong password");
    }
}

void WrongPassword(benchmark::State& state) { Refused(state, "alice"); }
void UnknownUser(benchmark::State& state) { Refused(state, "mallory"); }

BENCHMARK(WrongPassword)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(UnknownUser)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Prints the runs as usual and keeps their times for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto wrong = reporter.times.find("WrongPassword");
    auto unknown = reporter.times.find("UnknownUser");
    if (wrong != reporter.times.end() && unknown != reporter.times.end())
        std::printf("unknown user / wrong password: %.3f (goal 1)\n", unknown->second / wrong->second);
    benchmark::Shutdown();
    return 0;
}
