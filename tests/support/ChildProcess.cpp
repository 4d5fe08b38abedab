#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace nimbo::test {
namespace {

// Only a guard against a hang: a child that answers never keeps a test
// waiting this long.
constexpr int LINE_PATIENCE_MS = 30000;

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe MakePipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    return {ends[0], ends[1]};
}

void WriteAll(int handle, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(handle, bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return;
        done += static_cast<std::size_t>(written);
    }
}

// Takes what `polled` found readable on `handle`, closing it at its end.
void TakeFrom(const pollfd& polled, int& handle, std::string& into) {
    if (polled.revents == 0)
        return;
    char bytes[4096];
    const ssize_t count = read(handle, bytes, sizeof bytes);
    if (count <= 0) {
        close(handle);
        handle = -1;
        return;
    }
    into.append(bytes, static_cast<std::size_t>(count));
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& input) {
    Pipe in = MakePipe();
    Pipe out = MakePipe();
    Pipe err = MakePipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    std::vector<char*> argv;
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), args.begin(), args.end());
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int result = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in.read);
    close(out.write);
    close(err.write);
    if (result != 0)
        throw std::runtime_error("cannot start " + program);
    WriteAll(in.write, input);
    close(in.write);
    m_outputPipe = out.read;
    m_errorPipe = err.read;
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        Wait();
    }
}

// Both pipes are read together: a child that fills one while the other is
// being waited for must never block.
bool ChildProcess::TakeOutput(int patienceMs) {
    pollfd pipes[] = {{m_outputPipe, POLLIN, 0}, {m_errorPipe, POLLIN, 0}};
    if (poll(pipes, 2, patienceMs) <= 0)
        return false;
    TakeFrom(pipes[0], m_outputPipe, m_output);
    TakeFrom(pipes[1], m_errorPipe, m_errors);
    return true;
}

std::optional<std::string> ChildProcess::ReadLine() {
    std::size_t end;
    while ((end = m_output.find('\n')) == std::string::npos) {
        if (m_outputPipe < 0 || !TakeOutput(LINE_PATIENCE_MS))
            return std::nullopt;
    }
    std::string line = m_output.substr(0, end);
    m_output.erase(0, end + 1);
    return line;
}

void ChildProcess::Signal(int signal) { kill(m_pid, signal); }

int ChildProcess::Wait() {
    while (m_outputPipe >= 0 || m_errorPipe >= 0)
        TakeOutput(-1);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
    ChildProcess process(program, args, input);
    int status = process.Wait();
    return {status, process.Output(), process.Errors()};
}

}  // namespace nimbo::test
