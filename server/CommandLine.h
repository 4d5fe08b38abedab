#pragma once

#include <string>
#include <vector>

#include "server/ServerConfig.h"

namespace nimbo::server {

// The command line of nimbo-agentd: options first, then either nothing (serve)
// or an administration command (its words go to AdminCommand).
class CommandLine {
public:
    // Throws std::invalid_argument with a message for the user.
    static CommandLine Parse(int argc, const char* const* argv);
    static const char* Usage();
    // agentd.sqlite in the state directory that the service manager gives
    // ($STATE_DIRECTORY, its first entry), else
    // $XDG_DATA_HOME/nimbo/agentd.sqlite, or ~/.local/share/nimbo/agentd.sqlite.
    static std::string DefaultDatabase();

    bool help = false;
    bool version = false;
    std::string database;
    ServerConfig server;
    std::vector<std::string> adminWords;
};

}  // namespace nimbo::server
