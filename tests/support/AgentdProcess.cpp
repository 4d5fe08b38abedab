#include "tests/support/AgentdProcess.h"

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

constexpr auto START_PATIENCE = std::chrono::seconds(30);
constexpr auto CONNECT_PAUSE = std::chrono::milliseconds(20);

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-agentd-XXXXXX").string();
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

AgentdProcess::AgentdProcess(std::string address, std::string program)
    : m_address(std::move(address)), m_program(std::move(program)), m_folder(MakeFolder()) {}

AgentdProcess::~AgentdProcess() {
    if (IsRunning()) {
        Signal(SIGKILL);
        Wait();
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string AgentdProcess::BuiltProgram() { return NIMBO_AGENTD_PATH; }

bool AgentdProcess::Admin(const std::vector<std::string>& words, const std::string& input) const {
    return ExitStatus(Spawn(words, input)) == 0;
}

void AgentdProcess::Start(const std::vector<std::string>& options) {
    std::vector<std::string> words = {"--listen", m_address};
    words.insert(words.end(), options.begin(), options.end());
    m_server = Spawn(words, "");
    WaitUntilListening();
}

void AgentdProcess::Signal(int signal) const {
    if (IsRunning())
        ::kill(m_server, signal);
}

int AgentdProcess::Wait() {
    const int status = IsRunning() ? ExitStatus(m_server) : -1;
    m_server = -1;
    return status;
}

int AgentdProcess::Stop() {
    Signal(SIGTERM);
    return Wait();
}

std::string AgentdProcess::Log() const {
    std::ostringstream log;
    log << std::ifstream(m_folder + "/agentd.log").rdbuf();
    return log.str();
}

// Standard input comes from a file holding `input`; both outputs go to the
// log. The child is killed when the thread that started it ends, also when
// the process ends without running any destructor (a sanitizer's abort), so
// that no server outlives its user and holds the address.
pid_t AgentdProcess::Spawn(const std::vector<std::string>& words, const std::string& input) const {
    const std::string inputFile = m_folder + "/stdin";
    std::ofstream(inputFile, std::ios::trunc) << input;
    const std::string logFile = m_folder + "/agentd.log";

    std::vector<std::string> all = {m_program, "--db", Database()};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : all)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + m_program);
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
    const auto deadline = std::chrono::steady_clock::now() + START_PATIENCE;
    for (;;) {
        const bool accepting =
            PeerConnection::Connect(m_address, AGENT_PORT) && PeerConnection::Connect(m_address, NOTIFY_PORT);
        int status = 0;
        if (::waitpid(m_server, &status, WNOHANG) == m_server) {
            m_server = -1;
            throw std::runtime_error("nimbo-agentd ended at start-up on " + m_address + "; its log:\n" + Log());
        }
        if (accepting)
            return;
        if (std::chrono::steady_clock::now() > deadline) {
            Signal(SIGKILL);
            Wait();
            throw std::runtime_error("nimbo-agentd does not listen on " + m_address + "; its log:\n" + Log());
        }
        std::this_thread::sleep_for(CONNECT_PAUSE);
    }
}

}  // namespace nimbo::test
