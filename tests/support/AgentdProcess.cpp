#include "tests/support/AgentdProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "net/AgentProtocol.h"
#include "tests/support/PeerConnection.h"

extern char** environ;

namespace nimbo::test {
namespace {

// How often, and how far apart, the start-up waits try to connect.
constexpr int kConnectAttempts = 1500;
constexpr auto kConnectPause = std::chrono::milliseconds(20);

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-shell-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

AgentdProcess::AgentdProcess(std::string address) : m_address(std::move(address)), m_folder(MakeFolder()) {
    if (!Admin({"demo"}))
        throw std::runtime_error("nimbo-agentd demo failed");
    m_server = Spawn({"--listen", m_address}, "");
    try {
        WaitUntilListening();
    } catch (...) {
        Stop();
        throw;
    }
}

AgentdProcess::~AgentdProcess() { Stop(); }

// A server that ends badly after SIGTERM (a sanitizer's report, say) fails
// the test that ran it.
void AgentdProcess::Stop() {
    if (m_server > 0) {
        ::kill(m_server, SIGTERM);
        if (ExitStatus(m_server) != 0) {
            std::ostringstream log;
            log << std::ifstream(m_folder + "/agentd.log").rdbuf();
            ADD_FAILURE() << "nimbo-agentd on " << m_address << " ended badly; its log:\n" << log.str();
        }
        m_server = -1;
    }
    std::filesystem::remove_all(m_folder);
}

bool AgentdProcess::Admin(const std::vector<std::string>& words, const std::string& input) const {
    return ExitStatus(Spawn(words, input)) == 0;
}

// Standard input comes from a file holding `input`; both outputs go to a
// log in the directory's folder. The child is killed when the test process
// ends, also when it ends without running any destructor (a sanitizer's
// abort), so that no server outlives its test and holds the address.
pid_t AgentdProcess::Spawn(const std::vector<std::string>& words, const std::string& input) const {
    const std::string inputFile = m_folder + "/stdin";
    std::ofstream(inputFile, std::ios::trunc) << input;
    const std::string logFile = m_folder + "/agentd.log";

    std::vector<std::string> all = {NIMBO_AGENTD_PATH, "--db", m_folder + "/agentd.sqlite"};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : all)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start nimbo-agentd");
    if (pid == 0)
        RunChild(parent, inputFile.c_str(), logFile.c_str(), argv.data());
    return pid;
}

// In the forked child: only calls that are safe between fork and exec.
void AgentdProcess::RunChild(pid_t parent, const char* inputFile, const char* logFile, char* const* argv) {
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    const int in = ::open(inputFile, O_RDONLY);
    const int log = ::open(logFile, O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (in < 0 || log < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(log, STDOUT_FILENO) < 0 ||
        ::dup2(log, STDERR_FILENO) < 0)
        ::_exit(127);
    ::execve(argv[0], argv, environ);
    ::_exit(127);
}

void AgentdProcess::WaitUntilListening() {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        const bool accepting =
            PeerConnection::Connect(m_address, AGENT_PORT) && PeerConnection::Connect(m_address, NOTIFY_PORT);
        int status = 0;
        if (::waitpid(m_server, &status, WNOHANG) == m_server) {
            m_server = -1;
            throw std::runtime_error("nimbo-agentd ended at start-up on " + m_address);
        }
        if (accepting)
            return;
        std::this_thread::sleep_for(kConnectPause);
    }
    throw std::runtime_error("nimbo-agentd does not listen on " + m_address);
}

}  // namespace nimbo::test
