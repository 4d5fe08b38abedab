#include "tests/e2e/AgentdProcess.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <stdexcept>

namespace nimbo::e2e {
namespace {

std::filesystem::path MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-e2e-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// The text between the quotes of the demo command's first line:
// demo users (password "PASSWORD" for each):
std::string PrintedPassword(const std::string& output) {
    std::size_t start = output.find('"');
    std::size_t end = start == std::string::npos ? start : output.find('"', start + 1);
    if (end == std::string::npos)
        throw std::runtime_error("the demo command printed no password: " + output);
    return output.substr(start + 1, end - start - 1);
}

}  // namespace

AgentdProcess::AgentdProcess(const std::string& address, const std::vector<AdminRun>& more)
    : m_folder(MakeFolder()), m_strDatabase((m_folder / "agentd.sqlite").string()) {
    m_strDemoPassword = PrintedPassword(Administer({{"demo"}, ""}));
    for (const AdminRun& run : more)
        Administer(run);
    m_server = std::make_unique<test::ChildProcess>(
        NIMBO_AGENTD_PATH, std::vector<std::string>{"--db", m_strDatabase, "--listen", address});
    // The server logs this line once both ports listen.
    for (;;) {
        std::optional<std::string> line = m_server->ReadErrorLine();
        if (!line)
            throw std::runtime_error("nimbo-agentd did not start listening");
        if (line->find("listening on " + address + " port ") != std::string::npos)
            break;
    }
}

std::string AgentdProcess::Administer(const AdminRun& run) const {
    std::vector<std::string> args = {"--db", m_strDatabase};
    args.insert(args.end(), run.words.begin(), run.words.end());
    test::ProcessRun done = test::RunProcess(NIMBO_AGENTD_PATH, args, run.input);
    if (done.status != 0)
        throw std::runtime_error("nimbo-agentd " + run.words.front() + " failed: " + done.errors);
    return done.output;
}

// A server that ends badly (a sanitizer's report, say) fails the test.
AgentdProcess::~AgentdProcess() {
    m_server->Signal(SIGTERM);
    if (m_server->Wait() != 0)
        ADD_FAILURE() << "nimbo-agentd ended badly:\n" << m_server->Errors();
    std::filesystem::remove_all(m_folder);
}

}  // namespace nimbo::e2e
