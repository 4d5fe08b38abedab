#include "ServerHarness.h"

#include <sodium.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/AgentScripts.h"

namespace nimbo::server::test {
namespace {

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbo-server-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

}  // namespace

ServerHarness::ServerHarness(std::string address)
    : m_address(std::move(address)), m_folder(MakeFolder()), m_ownsFolder(true) {
    m_config.listenAddress = m_address;
    m_directory = std::make_unique<Directory>(m_folder + "/agentd.sqlite");
}

ServerHarness::ServerHarness(std::string address, const ServerHarness& sharing)
    : m_address(std::move(address)), m_folder(sharing.m_folder), m_ownsFolder(false) {
    m_config.listenAddress = m_address;
    m_directory = std::make_unique<Directory>(m_folder + "/agentd.sqlite");
}

ServerHarness::~ServerHarness() {
    if (m_loop.joinable()) {
        m_server->Stop();
        m_loop.join();
    }
    m_server.reset();
    m_directory.reset();
    if (m_ownsFolder)
        std::filesystem::remove_all(m_folder);
}

void ServerHarness::AddUser(const std::string& id, const std::string& displayName, std::string_view password) {
    char hash[crypto_pwhash_STRBYTES];
    if (sodium_init() < 0 || crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_MIN,
                                               crypto_pwhash_MEMLIMIT_MIN) != 0)
        throw std::runtime_error("crypto_pwhash_str failed");
    m_directory->AddUser({id, displayName, hash});
}

void ServerHarness::AddUsers(std::initializer_list<std::string> ids) {
    for (const std::string& id : ids)
        AddUser(id, id, "pw-" + id.substr(0, 1));
}

void ServerHarness::AddGroup(const std::string& owner, const std::string& name, int type,
                             const std::vector<std::string>& members) {
    m_directory->AddGroup(owner, name, type, members);
}

void ServerHarness::Start() {
    m_server = std::make_unique<AgentServer>(m_config, *m_directory, m_log);
    m_server->Open();
    m_loop = std::thread([this] { m_server->Run(); });
}

std::unique_ptr<PeerConnection> ServerHarness::Connect(std::uint16_t port) const {
    return PeerConnection::Dial(m_address, port);
}

std::unique_ptr<PeerConnection> ServerHarness::ConnectFrom(const std::string& source, std::uint16_t port) const {
    return PeerConnection::Dial(m_address, port, 0, source);
}

std::unique_ptr<PeerConnection> ServerHarness::SignedIn(const std::string& id, std::string_view password) const {
    auto client = Connect();
    std::string reply = client->Command(AuthLine(id, password));
    if (reply != "OK\r\n\r\n")
        throw std::runtime_error("auth of " + id + " refused: " + reply);
    return client;
}

std::unique_ptr<PeerConnection> ServerHarness::Listener(const std::string& id, std::string_view password) const {
    auto client = Connect(m_config.notifyPort);
    std::string reply = client->Command(AuthLine(id, password));
    if (reply != "OK\r\n\r\n")
        throw std::runtime_error("notification auth of " + id + " refused: " + reply);
    return client;
}

std::string ServerHarness::SendNote(const std::string& caller, std::string_view password, const std::string& callee,
                                    const std::string& body64) const {
    return SignedIn(caller, password)->Command("peercall " + callee + " instmsg " + body64);
}

std::string ServerHarness::Base64(std::string_view bytes) { return nimbo::test::Base64Of(bytes); }

std::string ServerHarness::AuthLine(const std::string& id, std::string_view password) {
    return "auth " + id + " " + Base64(password) + " ";
}

}  // namespace nimbo::server::test
