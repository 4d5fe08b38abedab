#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <system_error>

#include "server/AdminCommand.h"
#include "server/AgentServer.h"
#include "server/CommandLine.h"
#include "server/DatabaseFiles.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/ServerLog.h"

namespace {

nimbo::server::AgentServer* g_server = nullptr;

void RequestStop(int) {
    if (g_server)
        g_server->Stop();
}

// Each connection needs a descriptor; the usual soft limit of 1024 would cap
// the connection bound below its default.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Serve(const nimbo::server::CommandLine& line, nimbo::server::Directory& directory) {
    RaiseDescriptorLimit();
    nimbo::server::ServerLog log(stderr);
    for (const auto& file : nimbo::server::DatabaseFiles::ReadableByOthers(line.database))
        log.Event("warning: " + file + " holds password hashes and notes but others may read it (chmod 600 it)");
    // Made now rather than at the first sign-in of an unknown user, which
    // would hold the loop for as long as a hash takes.
    nimbo::server::PasswordHash::Dummy();
    nimbo::server::AgentServer server(line.server, directory, log);
    server.Open();
    g_server = &server;
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0 ||
        std::signal(SIGPIPE, SIG_IGN) == SIG_ERR)
        throw std::system_error(errno, std::generic_category(), "sigaction");
    server.Run();
    g_server = nullptr;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    nimbo::server::CommandLine line;
    try {
        line = nimbo::server::CommandLine::Parse(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "nimbo-agentd: " << error.what() << '\n' << nimbo::server::CommandLine::Usage();
        return 2;
    }
    if (line.help) {
        std::cout << nimbo::server::CommandLine::Usage();
        return 0;
    }
    if (line.version) {
        std::cout << "nimbo-agentd " NIMBO_VERSION "\n";
        return 0;
    }
    try {
        nimbo::server::PasswordHash::Initialize();
        nimbo::server::DatabaseFiles::Prepare(line.database);
        nimbo::server::Directory directory(line.database);
        if (!line.adminWords.empty())
            return nimbo::server::AdminCommand(directory, std::cin, std::cout, std::cerr).Run(line.adminWords);
        return Serve(line, directory);
    } catch (const std::exception& error) {
        std::cerr << "nimbo-agentd: " << error.what() << '\n';
        return 1;
    }
}
