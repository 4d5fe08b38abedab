#include "tests/support/AgentScripts.h"

#include <utility>

#include "net/Base64.h"
#include "net/ByteString.h"

namespace nimbo::test {

std::string LoginReply(const std::string& host, int port) {
    return "OK\r\nafw=" + host + ":" + std::to_string(port) + "\r\n\r\n";
}

std::string Base64Of(std::string_view bytes) {
    ByteString encoded;
    base64::EncodeInto(bytes.data(), bytes.size(), encoded);
    return std::string(encoded.view());
}

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
