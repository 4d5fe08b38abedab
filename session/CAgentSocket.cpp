#include "session/CAgentSocket.h"

#include <utility>

#include "net/Base64.h"
#include "net/CBlockingSocketException.h"

namespace nimbo {

CAgentSocket::~CAgentSocket() { CloseNoShutdown(); }

bool CAgentSocket::ConnectHost(const std::u16string& host, int port, const platform::StopSignal* stop) {
    // Bytes left over from an earlier connection of this object are no part
    // of the new one.
    m_reader.Discard();
    m_socketFailure.reset();
    try {
        Create(SOCK_STREAM);
        ByteString hostBytes;
        hostBytes.AssignWide(host);
        Connect(ResolveHost(hostBytes.c_str(), port), stop);
    } catch (const CBlockingSocketException& failure) {
        m_socketFailure.emplace(failure);
        m_bConnectOk = false;
        return false;
    }
    m_bConnectOk = true;
    return true;
}

bool CAgentSocket::CmdLogin(const ByteString& userId, const ByteString& password64, int first, int second) {
    ByteString command;
    return command.Format("login %s %s %d %d\r\n", userId.c_str(), password64.c_str(), first, second) &&
           SendCommand_NonThr(command);
}

bool CAgentSocket::CmdLogout() { return SendCommand_NonThr("logout\r\n"); }

bool CAgentSocket::CmdAuth(const ByteString& userId, const ByteString& password64) {
    return StartAuth(userId, password64) && FinishCommand();
}

bool CAgentSocket::StartAuth(const ByteString& userId, const ByteString& password64) {
    ByteString command;
    return command.Format("auth %s %s \r\n", userId.c_str(), password64.c_str()) && StartCommand(command);
}

bool CAgentSocket::CmdSetLogonStat(const ByteString& statusWord, const ByteString& text64) {
    ByteString command;
    return command.Format("setlogonstat %s %s\r\n", statusWord.c_str(), text64.c_str()) &&
           SendCommand_NonThr(command);
}

bool CAgentSocket::CmdGetGroup() { return SendCommand_NonThr("getgroup\r\n"); }

bool CAgentSocket::CmdGetLogonStatAll() { return SendCommand_NonThr("getlogonstatall\r\n"); }

bool CAgentSocket::CmdPeerCall(const ByteString& callee, const ByteString& caller, const ByteString& kind,
                               const ByteString& body, PeerCallForm form) {
    ByteString body64;
    if (!base64::EncodeInto(body.c_str(), static_cast<std::size_t>(body.GetLength()), body64))
        return false;
    ByteString command;
    bool formatted =
        form == PeerCallForm::ThroughAgent
            ? command.Format("peercall %s %s %s\r\n", callee.c_str(), kind.c_str(), body64.c_str())
            : command.Format("peercall %s %s %s %s \r\n\r\n", caller.c_str(), kind.c_str(), body64.c_str(),
                             callee.c_str());
    return formatted && SendCommand_NonThr(command);
}

bool CAgentSocket::SendCommand_NonThr(const ByteString& command) { return StartCommand(command) && FinishCommand(); }

bool CAgentSocket::StartCommand(const ByteString& command) {
    if (!m_bConnectOk)
        return false;
    m_reader.Discard();
    m_strReply.Empty();
    m_socketFailure.reset();
    return Exchange([&] { SendAll(command.c_str(), command.GetLength(), COMMAND_TIMEOUT); });
}

bool CAgentSocket::FinishCommand() {
    const std::size_t expected = std::exchange(m_nExpectedReply, 0);
    const LineReader::BlockWatcher watcher = std::exchange(m_replyWatcher, {});
    return Exchange([&] { m_reader.ReadBlock(ReceiveWithin(COMMAND_TIMEOUT), m_strReply, expected, watcher); }) &&
           !ParseErrorReply();
}

template <class Step>
bool CAgentSocket::Exchange(Step step) {
    try {
        step();
    } catch (const CBlockingSocketException& failure) {
        m_socketFailure.emplace(failure);
        m_strErrMessage = "Exception: SendCommand_NonThr";
        return false;
    }
    return true;
}

int CAgentSocket::ReadHeaderLine(ByteString& line, int seconds) {
    std::string_view text = m_reader.ReadLine(ReceiveWithin(seconds));
    line.Assign(text.data(), static_cast<int>(text.size()));
    return line.GetLength();
}

int CAgentSocket::ReadHeaderLine2(ByteString& line, int seconds) {
    std::string_view text = m_reader.ReadLine(ReceiveUntilClosed(seconds));
    line.Assign(text.data(), static_cast<int>(text.size()));
    return line.GetLength();
}

void CAgentSocket::ReadBlock(ByteString& block, int seconds) { m_reader.ReadBlock(ReceiveUntilClosed(seconds), block); }

bool CAgentSocket::ParseErrorReply() {
    if (!m_strReply.view().starts_with("ERR"))
        return false;
    m_strReply.Between("ERR", "\r\n", 0, m_strErrCode);
    m_strErrCode.TrimLeft();
    m_strErrCode.TrimRight();
    m_strReply.Between("message=", "\r\n", 0, m_strErrMessage);
    m_strReply.Between("server=", "\r\n", 0, m_strErrServer);
    return true;
}

LineReader::ReceiveFunction CAgentSocket::ReceiveWithin(int seconds) {
    return [this, seconds](char* buffer, int capacity) { return Receive(buffer, capacity, seconds); };
}

// For the notification connection an orderly close is a failure.
LineReader::ReceiveFunction CAgentSocket::ReceiveUntilClosed(int seconds) {
    return [this, seconds](char* buffer, int capacity) {
        int count = Receive(buffer, capacity, seconds);
        if (count <= 0)
            throw CBlockingSocketException(u"ReadHeaderLine2", 0);
        return count;
    };
}

}  // namespace nimbo
