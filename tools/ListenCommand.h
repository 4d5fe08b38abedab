#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/FileAcceptor.h"
#include "tools/ICliCommand.h"

namespace nimbo::cli {

// listen [--seconds N] [--accept-files DIR [--resume] [--replace]]: signs in
// online, fetches the buddy list, then prints one line per event for N
// seconds or, without N, until SIGINT or SIGTERM; then ends the receives
// still running and signs out. With DIR offered files are received into DIR
// (see FileAcceptor); EXIT_FAILED when one of them was not received whole.
// A lost notification connection ends it at once with EXIT_LISTENER_LOST
// and without a word to the server.
class ListenCommand : public ICliCommand {
public:
    explicit ListenCommand(const std::vector<std::string>& args);
    int Run(CliContext& context) override;

private:
    std::optional<int> m_seconds;
    std::optional<std::string> m_acceptFolder;
    ExistingFiles m_existing;
    bool m_lost = false;
};

}  // namespace nimbo::cli
