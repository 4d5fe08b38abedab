#include "server/Reply.h"

namespace nimbo::server {

ByteString Reply::Ok() { return ByteString("OK\r\n\r\n"); }

ByteString Reply::LoggedIn(const std::string& notifyHost, int notifyPort) {
    ByteString reply;
    reply.Format("OK\r\nafw=%s:%d\r\n\r\n", notifyHost.c_str(), notifyPort);
    return reply;
}

ByteString Reply::Error(Code code, const char* message) {
    ByteString reply;
    reply.Format("ERR %d\r\nmessage=%s\r\n\r\n", static_cast<int>(code), message);
    return reply;
}

ByteString Reply::Redirect(const std::string& host) {
    ByteString reply;
    reply.Format("ERR %d\r\nmessage=log in at %s\r\nserver=%s\r\n\r\n", static_cast<int>(MOVED), host.c_str(),
                 host.c_str());
    return reply;
}

ByteString Reply::LogonNotice(const std::string& userId) {
    ByteString block;
    block.Format("notify logon %s\r\n\r\n", userId.c_str());
    return block;
}

ByteString Reply::PeerCall(const std::string& caller, const std::string& kind, const std::string& body64,
                           const std::string& callee) {
    ByteString block;
    block.Format("peercall %s %s %s %s\r\n\r\n", caller.c_str(), kind.c_str(), body64.c_str(), callee.c_str());
    return block;
}

}  // namespace nimbo::server
