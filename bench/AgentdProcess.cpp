#include "bench/AgentdProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "net/CBlockingSocket.h"
#include "net/CBlockingSocketException.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/ServerConfig.h"

extern char** environ;

namespace nimbo::bench {
namespace {

constexpr std::chrono::seconds START_TIMEOUT{20};
constexpr std::chrono::milliseconds START_POLL{50};

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-load-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

}  // namespace

AgentdProcess::AgentdProcess(std::string binary, std::string address)
    : m_binary(std::move(binary)),
      m_address(std::move(address)),
      m_folder(MakeFolder()),
      m_dbPath(m_folder + "/agentd.sqlite"),
      m_logPath(m_folder + "/agentd.log") {}

AgentdProcess::~AgentdProcess() {
    if (m_pid > 0)
        Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void AgentdProcess::CreateUsers(const std::vector<std::string>& ids, std::string_view password, int buddies) {
    server::PasswordHash::Initialize();
    server::Directory directory(m_dbPath);
    std::string hash = server::PasswordHash::Make(std::string(password));
    for (const auto& id : ids)
        directory.AddUser({id, id, hash});
    for (std::size_t i = 0; i < ids.size(); ++i) {
        std::vector<std::string> members;
        for (int k = 1; k <= buddies; ++k)
            members.push_back(ids[(i + static_cast<std::size_t>(k)) % ids.size()]);
        directory.AddGroup(ids[i], "friends", 0, members);
    }
}

void AgentdProcess::Start() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = {m_binary, "--db", m_dbPath, "--listen", m_address};
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int error = posix_spawn(&m_pid, m_binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + m_binary);
    auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    while (!Accepts()) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("nimbo-agentd ended at start; see " + m_logPath);
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("nimbo-agentd does not accept on " + m_address);
        std::this_thread::sleep_for(START_POLL);
    }
}

int AgentdProcess::Stop() {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool AgentdProcess::Accepts() const {
    CBlockingSocket probe;
    try {
        probe.Create(SOCK_STREAM);
        probe.Connect(CBlockingSocket::AddressFromDotted(m_address.c_str(), AGENT_PORT));
    } catch (const CBlockingSocketException&) {
        probe.CloseNoShutdown();
        return false;
    }
    probe.CloseNoShutdown();
    return true;
}

}  // namespace nimbo::bench
