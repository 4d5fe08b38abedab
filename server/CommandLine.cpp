#include "server/CommandLine.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "net/AgentProtocol.h"
#include "server/WireText.h"

namespace nimbo::server {
namespace {

long Number(const std::string& option, const std::string& text, long low, long high) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::invalid_argument(option + " needs a number from " + std::to_string(low) + " to " +
                                    std::to_string(high));
    return value;
}

std::string Host(const std::string& option, const std::string& text) {
    if (!WireText::IsHostName(text))
        throw std::invalid_argument(option + " needs a host name or dotted address");
    return text;
}

}  // namespace

const char* CommandLine::Usage() {
    return "usage: nimbo-agentd [--db PATH] [--listen ADDR] [--notify-port N] [--advertise HOST]\n"
           "                    [--redirect HOST] [--idle-timeout SECONDS] [--max-connections N]\n"
           "                    [--max-per-address N]\n"
           "       nimbo-agentd [--db PATH] user add ID [--name NAME]   (password: first line of stdin)\n"
           "       nimbo-agentd [--db PATH] user passwd ID              (password: first line of stdin)\n"
           "       nimbo-agentd [--db PATH] user del ID | user list\n"
           "       nimbo-agentd [--db PATH] group add OWNER GROUP [--type N] [MEMBER...]\n"
           "       nimbo-agentd [--db PATH] group del OWNER GROUP | group list OWNER\n"
           "       nimbo-agentd [--db PATH] demo\n"
           "       nimbo-agentd --help | --version\n";
}

std::string CommandLine::DefaultDatabase() {
    const char* state = std::getenv("STATE_DIRECTORY");
    if (state && *state && *state != ':')
        return std::string(state, std::strcspn(state, ":")) + "/agentd.sqlite";
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data)
        return std::string(data) + "/nimbo/agentd.sqlite";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/nimbo/agentd.sqlite";
}

CommandLine CommandLine::Parse(int argc, const char* const* argv) {
    CommandLine line;
    int i = 1;
    auto value = [&](const std::string& option) -> std::string {
        if (i + 1 >= argc)
            throw std::invalid_argument(option + " needs a value");
        return argv[++i];
    };
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            line.help = true;
        } else if (option == "--version") {
            line.version = true;
        } else if (option == "--db") {
            line.database = value(option);
        } else if (option == "--listen") {
            line.server.listenAddress = value(option);
            in_addr parsed{};
            if (inet_pton(AF_INET, line.server.listenAddress.c_str(), &parsed) != 1)
                throw std::invalid_argument("--listen needs a dotted IPv4 address");
        } else if (option == "--notify-port") {
            line.server.notifyPort = static_cast<std::uint16_t>(Number(option, value(option), 1, 65535));
        } else if (option == "--advertise") {
            line.server.advertiseHost = Host(option, value(option));
        } else if (option == "--redirect") {
            line.server.redirectHost = Host(option, value(option));
        } else if (option == "--idle-timeout") {
            line.server.idleTimeout = std::chrono::seconds(Number(option, value(option), 1, 24 * 60 * 60));
        } else if (option == "--max-connections") {
            line.server.maxConnections = static_cast<int>(Number(option, value(option), 1, 1000000));
        } else if (option == "--max-per-address") {
            line.server.maxPerAddress = static_cast<int>(Number(option, value(option), 1, 1000000));
        } else {
            throw std::invalid_argument("unknown option " + option);
        }
    }
    if (line.server.notifyPort == AGENT_PORT)
        throw std::invalid_argument("--notify-port must differ from the agent port " + std::to_string(AGENT_PORT));
    line.adminWords.assign(argv + i, argv + argc);
    if (line.database.empty())
        line.database = DefaultDatabase();
    return line;
}

}  // namespace nimbo::server
