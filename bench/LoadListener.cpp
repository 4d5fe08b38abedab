#include "bench/LoadListener.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench/NoteTally.h"
#include "buddies/LogonStatus.h"
#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "net/CBlockingSocketException.h"

namespace nimbo::bench {
namespace {

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

LoadListener::LoadListener(std::string userId, std::uint32_t index, NoteTally& tally)
    : m_userId(std::move(userId)), m_index(index), m_tally(tally) {}

LoadListener::~LoadListener() { Stop(); }

bool LoadListener::SignIn(const std::u16string& host, const ByteString& password64, std::string& failure) {
    ByteString online;
    ByteString online64;
    online.AssignWide(ONLINE_STATUS_TEXT);
    base64::EncodeInto(online.c_str(), static_cast<std::size_t>(online.GetLength()), online64);
    ByteString setOnline;
    setOnline.Format("setlogonstat online %s\r\n", online64.c_str());
    return Login(host, password64, failure) && ConnectListener(password64, failure) &&
           Command(host, password64, setOnline, failure) &&
           Command(host, password64, "getlogonstatall\r\n", failure) &&
           Command(host, password64, "getgroup\r\n", failure);
}

void LoadListener::Start() { m_reader = std::thread([this] { Run(); }); }

void LoadListener::Stop() {
    m_stopping = true;
    m_listener.Shutdown();
    if (m_reader.joinable())
        m_reader.join();
    m_listener.CloseNoShutdown();
}

std::size_t LoadListener::NoteNumber(std::string_view body) {
    std::size_t number = 0;
    if (body.size() < 2 || body[0] != '#')
        return SIZE_MAX;
    auto [end, error] = std::from_chars(body.data() + 1, body.data() + body.size(), number);
    return error == std::errc() && end != body.data() + 1 ? number : SIZE_MAX;
}

bool LoadListener::Login(const std::u16string& host, const ByteString& password64, std::string& failure) {
    CAgentSocket command;
    if (!command.ConnectHost(host, AGENT_PORT) || !command.CmdLogin(m_userId.c_str(), password64, 0, 0)) {
        failure = "login of " + m_userId + " failed: " + std::string(command.m_strErrMessage.view());
        return false;
    }
    ByteString address;
    command.m_strReply.Between("afw=", "\r\n", 0, address);
    ByteString notifyHost = address.Field(":", 0);
    m_notifyHost = Wide(std::string(notifyHost.view()));
    m_notifyPort = std::atoi(address.Field(":", 1).c_str());
    return true;
}

bool LoadListener::ConnectListener(const ByteString& password64, std::string& failure) {
    if (!m_listener.ConnectHost(m_notifyHost, m_notifyPort) || !m_listener.CmdAuth(m_userId.c_str(), password64)) {
        failure = "notification auth of " + m_userId + " failed: " + std::string(m_listener.m_strErrMessage.view());
        return false;
    }
    return true;
}

bool LoadListener::Command(const std::u16string& host, const ByteString& password64, const ByteString& command,
                           std::string& failure) {
    CAgentSocket socket;
    if (socket.ConnectHost(host, AGENT_PORT) && socket.CmdAuth(m_userId.c_str(), password64) &&
        socket.SendCommand_NonThr(command))
        return true;
    failure = "\"" + std::string(command.view().substr(0, 20)) + "\" of " + m_userId +
              " failed: " + std::string(socket.m_strErrMessage.view());
    return false;
}

void LoadListener::Run() {
    ByteString block;
    try {
        for (;;) {
            m_listener.ReadBlock(block, 0);
            Take(block);
        }
    } catch (const CBlockingSocketException&) {
        if (!m_stopping)
            m_failed = true;
    }
}

// "peercall CALLER KIND BODY64 CALLEE" + CR LF + CR LF of the note kind is a note; logon
// notices and everything else are only read.
void LoadListener::Take(const ByteString& block) {
    if (block.Field(" ", 0) != "peercall")
        return;
    ByteString body64 = block.Field(" ", 3);
    if (PeerCallKindOf(block.Field(" ", 2).view()) != PeerCallKind::Note) {
        m_tally.Stray();
        return;
    }
    std::vector<unsigned char> body = base64::Decode(body64.c_str(), static_cast<std::size_t>(body64.GetLength()));
    std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    m_tally.Arrived(NoteNumber(text), m_index);
}

}  // namespace nimbo::bench
