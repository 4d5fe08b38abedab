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

AgentdProcess::AgentdProcess(const std::string& address) : m_folder(MakeFolder()) {
    const std::string database = (m_folder / "agentd.sqlite").string();
    test::ProcessRun demo = test::RunProcess(NIMBO_AGENTD_PATH, {"--db", database, "demo"});
    if (demo.status != 0)
        throw std::runtime_error("nimbo-agentd demo failed: " + demo.errors);
    m_strDemoPassword = PrintedPassword(demo.output);
    m_server = std::make_unique<test::ChildProcess>(NIMBO_AGENTD_PATH,
                                                    std::vector<std::string>{"--db", database, "--listen", address});
    // The server logs this line once both ports listen.
    for (;;) {
        std::optional<std::string> line = m_server->ReadErrorLine();
        if (!line)
            throw std::runtime_error("nimbo-agentd did not start listening");
        if (line->find("listening on " + address + " port ") != std::string::npos)
            break;
    }
}

// A server that ends badly (a sanitizer's report, say) fails the test.
AgentdProcess::~AgentdProcess() {
    m_server->Signal(SIGTERM);
    if (m_server->Wait() != 0)
        ADD_FAILURE() << "nimbo-agentd ended badly:\n" << m_server->Errors();
    std::filesystem::remove_all(m_folder);
}

}  // namespace nimbo::e2e
