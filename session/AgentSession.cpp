#include "session/AgentSession.h"

#include <string_view>
#include <utility>

#include "buddies/GroupList.h"
#include "buddies/LogonStatus.h"
#include "buddies/StatusListReader.h"
#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "session/AgentHost.h"
#include "session/CAgentSocket.h"
#include "session/NotificationListener.h"
#include "session/NotifyAddress.h"

namespace nimbo {
namespace {

// The first attempt and the one redirect that Login follows.
constexpr int MAX_LOGIN_ATTEMPTS = 2;
constexpr const char* REDIRECT_CODE = "202";

bool ToWire(const std::u16string& text, ByteString& bytes) { return bytes.AssignWide(text); }

bool EncodeText(const std::u16string& text, ByteString& text64) {
    ByteString bytes;
    return ToWire(text, bytes) &&
           base64::EncodeInto(bytes.c_str(), static_cast<std::size_t>(bytes.GetLength()), text64);
}

bool ConnectToAgent(CAgentSocket& socket) { return socket.ConnectHost(g_strAgentHost.Get(), AGENT_PORT); }

}  // namespace

std::mutex g_peerCallLock;

AgentSession::AgentSession() = default;

AgentSession::~AgentSession() {
    EndListener();
    m_buddyTable.Clear();
}

bool AgentSession::Login(const std::u16string& userId, const std::u16string& password, LoginListener listener) {
    const ByteString earlierUserId = GetUserId();
    const ByteString earlierPassword64 = GetPassword64();
    CAgentSocket socket;
    if (!Judge(u"Login", socket, SetIdentity(userId, password) && ExchangeLogin(socket))) {
        KeepOrEndEarlierSignIn(earlierUserId, earlierPassword64);
        return false;
    }
    // Only now does the running listener, which speaks for the earlier
    // sign-in, give way to the new one.
    EndListener();
    if (std::optional<NotifyAddress> notify = ParseNotifyAddress(socket.m_strReply)) {
        m_strNotifyHost = notify->host;
        m_nNotifyPort = notify->port;
    }
    m_bLoggedIn = true;
    if (listener == LoginListener::Start)
        m_hListener = std::make_unique<NotificationListener>(*this, m_strNotifyHost, m_nNotifyPort);
    return true;
}

bool AgentSession::Logout() {
    m_bLoggedIn = false;
    CAgentSocket socket;
    return Judge(u"Logout", socket, ConnectIdentified(socket) && socket.CmdLogout());
}

bool AgentSession::SetLogonStat(int status, const std::u16string& text) {
    CAgentSocket socket;
    ByteString text64;
    return Judge(u"SetLogonStat", socket,
                 ConnectIdentified(socket) && EncodeText(text, text64) &&
                     socket.CmdSetLogonStat(StatusWord(status), text64));
}

bool AgentSession::SendInstantMessage(const std::u16string& callee, const std::u16string& text) {
    CAgentSocket socket;
    ByteString calleeBytes;
    ByteString note;
    return Judge(u"SendInstantMessage", socket,
                 ConnectIdentified(socket) && ToWire(callee, calleeBytes) && ToWire(text, note) &&
                     socket.CmdPeerCall(calleeBytes, GetUserId(), PeerCallWord(PeerCallKind::Note), note,
                                        PeerCallForm::ThroughAgent));
}

BuddyTable* AgentSession::GetLogonStatusTable(bool refresh) {
    if (!refresh)
        return &m_buddyTable;
    m_buddyTable.Clear();
    CAgentSocket socket;
    if (!Judge(u"GetLogonStatusTable", socket, ConnectToAgent(socket)))
        return &m_buddyTable;
    if (!Judge(u"GetLogonStatusTable", socket, socket.CmdAuth(GetUserId(), GetPassword64())))
        return nullptr;
    socket.ExpectReply(m_nStatusReplyLength);
    // The entries are read while the rest of a long list arrives.
    StatusListReader reader(m_buddyTable);
    socket.WatchReply([&reader](std::string_view received) { reader.Received(received); });
    bool listed = false;
    try {
        listed = socket.CmdGetLogonStatAll();
    } catch (...) {
        // The entries read so far lie in the reply, which goes with the socket.
        m_buddyTable.Clear();
        throw;
    }
    m_nStatusReplyLength = static_cast<std::size_t>(socket.m_strReply.GetLength());
    if (!Judge(u"GetLogonStatusTable", socket, listed)) {
        m_buddyTable.Clear();
        return &m_buddyTable;
    }
    // The server checks the group connection's identification while the
    // last entries are read.
    CAgentSocket groupSocket;
    const bool started = StartGroupList(groupSocket);
    reader.Finish(socket.m_strReply);
    FinishGroupList(groupSocket, started);
    return &m_buddyTable;
}

bool AgentSession::LoadGroupList() {
    CAgentSocket socket;
    return FinishGroupList(socket, StartGroupList(socket));
}

bool AgentSession::StartGroupList(CAgentSocket& socket) {
    m_groupTable.Clear();
    return ConnectToAgent(socket) && socket.StartAuth(GetUserId(), GetPassword64());
}

bool AgentSession::FinishGroupList(CAgentSocket& socket, bool started) {
    if (!Judge(u"LoadGroupList", socket, started && socket.FinishCommand()))
        return false;
    // An error reply fails the first-line check of the parser, so the
    // command's own result adds nothing.
    socket.ExpectReply(m_nGroupReplyLength);
    socket.CmdGetGroup();
    m_nGroupReplyLength = static_cast<std::size_t>(socket.m_strReply.GetLength());
    ParseGroupListReply(socket.m_strReply, m_groupTable);
    return true;
}

void AgentSession::QueuePeerCall(std::unique_ptr<PeerCallRecord> record) {
    std::lock_guard lock(g_peerCallLock);
    m_peerCalls.push_back(std::move(record));
}

std::unique_ptr<PeerCallRecord> AgentSession::TakePeerCall() {
    std::unique_ptr<PeerCallRecord> record;
    std::lock_guard lock(g_peerCallLock);
    if (!m_peerCalls.empty()) {
        record = std::move(m_peerCalls.front());
        m_peerCalls.pop_front();
    }
    return record;
}

bool AgentSession::SetIdentity(const std::u16string& userId, const std::u16string& password) {
    ByteString userBytes;
    ByteString password64;
    if (!ToWire(userId, userBytes) || !EncodeText(password, password64))
        return false;
    m_strUserId.Set(userBytes);
    m_strPassword64.Set(password64);
    return true;
}

// Leaves `socket` holding the accepted login reply. A "202" error reply with
// a server text moves g_strAgentHost there, once; a "202" without one would
// leave no server to go to and counts as a refusal.
bool AgentSession::ExchangeLogin(CAgentSocket& socket) {
    for (int attempt = 1;; ++attempt) {
        if (!ConnectToAgent(socket))
            return false;
        // Fresh for each attempt: a failed exchange leaves the fields as they
        // were, and an earlier redirect must not count twice.
        socket.m_strErrCode.Empty();
        socket.m_strErrServer.Empty();
        if (socket.CmdLogin(GetUserId(), GetPassword64(), 0, 0))
            return true;
        socket.Close();
        if (socket.m_strErrCode != REDIRECT_CODE || socket.m_strErrServer.IsEmpty())
            return false;
        g_strAgentHost.Set(socket.m_strErrServer.ToWide());
        if (attempt == MAX_LOGIN_ATTEMPTS)
            return false;
    }
}

bool AgentSession::ConnectIdentified(CAgentSocket& socket) {
    return ConnectToAgent(socket) && socket.CmdAuth(GetUserId(), GetPassword64());
}

bool AgentSession::Judge(const char16_t* operation, const CAgentSocket& socket, bool done) {
    m_lastFailure = done ? SessionFailure{} : SessionFailure::Of(operation, g_strAgentHost.Get(), socket);
    return done;
}

// After a refused Login. An earlier sign-in whose listener still listens goes
// on as it was, under its own identity; any other is over, so that nobody
// counts as signed in while no notes can arrive.
void AgentSession::KeepOrEndEarlierSignIn(const ByteString& userId, const ByteString& password64) {
    if (m_bLoggedIn && m_hListener && m_hListener->IsListening()) {
        m_strUserId.Set(userId);
        m_strPassword64.Set(password64);
        return;
    }
    EndListener();
    m_bLoggedIn = false;
}

void AgentSession::EndListener() {
    if (m_hListener) {
        m_hListener->Stop();
        m_hListener.reset();
    }
}

}  // namespace nimbo
