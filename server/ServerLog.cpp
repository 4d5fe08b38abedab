#include "server/ServerLog.h"

#include <ctime>
#include <string>

#include "server/Connection.h"

namespace nimbo::server {

void ServerLog::Event(std::string_view text) { Write("", text); }

void ServerLog::Event(const Connection& connection, std::string_view text) {
    std::string prefix = "#" + std::to_string(connection.Id()) +
                         (connection.GetPort() == Connection::Port::Agent ? " agent " : " notify ") +
                         connection.PeerText() + " ";
    Write(prefix, text);
}

void ServerLog::Write(std::string_view prefix, std::string_view text) {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::fprintf(m_out, "%s %.*s%.*s\n", stamp, static_cast<int>(prefix.size()), prefix.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(m_out);
}

}  // namespace nimbo::server
