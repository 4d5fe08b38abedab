#include "tests/support/AgentScripts.h"

#include <utility>

namespace nimbo::test {

Script AnswerCommands(std::map<std::string, std::string> replies) {
    return [replies = std::move(replies)](PeerConnection& c) {
        c.AnswerEachLine([&replies](const std::string& line) {
            if (line == "\r\n")
                return std::string();
            auto found = replies.find(line.substr(0, line.find_first_of(" \r\n")));
            return found == replies.end() ? OK_REPLY : found->second;
        });
    };
}

Script AcceptListener(Script then) {
    return [then = std::move(then)](PeerConnection& c) {
        c.WaitForText("\r\n");
        c.Send(OK_REPLY);
        if (then)
            then(c);
    };
}

}  // namespace nimbo::test
