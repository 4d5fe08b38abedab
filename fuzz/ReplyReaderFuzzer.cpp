// Feeds arbitrary bytes to the agent reply reader as one connection's stream
// and parses every reply it yields as an error reply.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "net/CBlockingSocketException.h"
#include "net/LineReader.h"
#include "session/CAgentSocket.h"

namespace {

using nimbo::fuzz::Check;

void CheckErrorFields(std::string_view reply) {
    nimbo::CAgentSocket socket;
    socket.m_strReply = nimbo::ByteString(reply.data(), static_cast<int>(reply.size()));
    if (!socket.ParseErrorReply())
        return;
    Check(reply.starts_with("ERR"));
    Check(socket.m_strErrMessage.Find("\r\n") < 0);
    Check(socket.m_strErrServer.Find("\r\n") < 0);
    std::string_view code = socket.m_strErrCode.view();
    const std::string_view blanks = " \t\r\n\v\f";
    Check(code.empty() || (blanks.find(code.front()) == blanks.npos && blanks.find(code.back()) == blanks.npos));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte sets the size of every receive, so that lines and
    // replies fall across receive boundaries in every way.
    const std::size_t piece = std::size_t{data[0]} + 1;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t delivered = 0;
    auto receive = [&](char* buffer, int capacity) {
        std::size_t count = std::min({piece, static_cast<std::size_t>(capacity), stream.size() - delivered});
        std::memcpy(buffer, stream.data() + delivered, count);
        delivered += count;
        return static_cast<int>(count);
    };
    nimbo::LineReader reader;
    std::size_t consumed = 0;
    for (;;) {
        nimbo::ByteString block;
        bool complete = false;
        try {
            complete = reader.ReadBlock(receive, block);
        } catch (const nimbo::CBlockingSocketException&) {
            return 0;
        }
        const std::string_view reply = block.view();
        // A reply is exactly the next bytes of the stream.
        Check(stream.substr(consumed, reply.size()) == reply);
        consumed += reply.size();
        CheckErrorFields(reply);
        if (!complete) {
            // Only an unfinished line can be left over.
            Check(stream.find('\n', consumed) == std::string_view::npos);
            return 0;
        }
        // It ends at the first empty line.
        Check(reply == "\r\n" || (!reply.starts_with("\r\n") && reply.find("\n\r\n") + 3 == reply.size()));
    }
}
