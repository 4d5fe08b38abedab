#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "server/AgentServer.h"
#include "server/Directory.h"
#include "server/ServerConfig.h"
#include "server/ServerLog.h"
#include "tests/support/PeerConnection.h"

namespace nimbo::server::test {

using nimbo::test::PeerConnection;

// The agent server in-process on its own loopback address, its loop on a
// thread of its own, over a temporary database. Users and groups are set up
// through the directory before Start(); users get a cheap password hash so
// that each test does not pay the real KDF.
class ServerHarness {
public:
    explicit ServerHarness(std::string address);
    // A second server over the database of another harness.
    ServerHarness(std::string address, const ServerHarness& sharing);
    ~ServerHarness();

    ServerConfig& Config() { return m_config; }
    Directory& GetDirectory() { return *m_directory; }
    const std::string& Address() const { return m_address; }

    void AddUser(const std::string& id, const std::string& displayName, std::string_view password);
    // Users named after their IDs, each with the password "pw-" and the ID's
    // first letter (alice: "pw-a").
    void AddUsers(std::initializer_list<std::string> ids);
    void AddGroup(const std::string& owner, const std::string& name, int type, const std::vector<std::string>& members);
    void Start();

    std::unique_ptr<PeerConnection> Connect(std::uint16_t port = AGENT_PORT) const;
    // A connection from another loopback address, as from another host.
    std::unique_ptr<PeerConnection> ConnectFrom(const std::string& source, std::uint16_t port = AGENT_PORT) const;
    // A command connection after a successful "auth".
    std::unique_ptr<PeerConnection> SignedIn(const std::string& id, std::string_view password) const;
    // A notification connection after a successful "auth".
    std::unique_ptr<PeerConnection> Listener(const std::string& id, std::string_view password) const;
    // The reply to one "peercall CALLEE instmsg BODY64" on a fresh connection.
    std::string SendNote(const std::string& caller, std::string_view password, const std::string& callee,
                         const std::string& body64) const;

    static std::string Base64(std::string_view bytes);
    static std::string AuthLine(const std::string& id, std::string_view password);

private:
    std::string m_address;
    std::string m_folder;  // removed at the end when owned
    bool m_ownsFolder;
    ServerConfig m_config;
    ServerLog m_log{stderr};
    std::unique_ptr<Directory> m_directory;
    std::unique_ptr<AgentServer> m_server;
    std::thread m_loop;
};

}  // namespace nimbo::server::test
