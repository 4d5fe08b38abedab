#pragma once

#include <cstdio>
#include <string_view>

namespace nimbo::server {

class Connection;

// One line per event on the given stream (stderr in the server): UTC time,
// then the connection's number, port and peer when there is one. Callers
// never pass a password or its Base64.
class ServerLog {
public:
    explicit ServerLog(std::FILE* out) : m_out(out) {}

    void Event(std::string_view text);
    void Event(const Connection& connection, std::string_view text);

private:
    void Write(std::string_view prefix, std::string_view text);

    std::FILE* m_out;
};

}  // namespace nimbo::server
