#pragma once

#include <optional>
#include <string>
#include <utility>

#include "net/ByteString.h"
#include "net/CBlockingSocket.h"
#include "net/CBlockingSocketException.h"
#include "net/LineReader.h"

namespace nimbo {

// The two layouts of a "peercall" command.
enum class PeerCallForm {
    // "peercall <callee> <kind> <body64>": through the agent server, after
    // CmdAuth on the same connection.
    ThroughAgent,
    // "peercall <caller> <kind> <body64> <callee> " and an empty line:
    // straight to the callee's own listener, without CmdAuth.
    DirectToCallee,
};

// One connection speaking the agent protocol: the client sends a command line
// and reads the reply, a block of lines ended by an empty line. Socket
// failures inside ConnectHost and SendCommand_NonThr become false results.
class CAgentSocket : public CBlockingSocket {
public:
    // The time-out of every send and of every reply line of a command.
    static constexpr int COMMAND_TIMEOUT = 60;

    CAgentSocket() = default;
    // Closes the connection without a shutdown.
    ~CAgentSocket() override;

    // Connects to `host` (dotted IPv4 text, or a host name that is looked up)
    // on `port`. False on any socket failure, and at once when `stop` is
    // requested (see CBlockingSocket::Connect); commands then send nothing.
    bool ConnectHost(const std::u16string& host, int port, const platform::StopSignal* stop = nullptr);

    // Each formats one command, sends it and reads the reply; true when the
    // server accepted it (the reply is not an error reply).
    bool CmdLogin(const ByteString& userId, const ByteString& password64, int first, int second);
    bool CmdLogout();
    bool CmdAuth(const ByteString& userId, const ByteString& password64);
    bool CmdSetLogonStat(const ByteString& statusWord, const ByteString& text64);
    bool CmdGetGroup();
    bool CmdGetLogonStatAll();
    // Encodes `body` as Base64 itself; `caller` is used only by the direct form.
    bool CmdPeerCall(const ByteString& callee, const ByteString& caller, const ByteString& kind,
                     const ByteString& body, PeerCallForm form);

    // Sends `command` and reads its whole reply into m_strReply. Input left
    // over from an earlier exchange is dropped first. An orderly close ends
    // the reply. False without sending after a failed ConnectHost; false with
    // m_strErrMessage "Exception: SendCommand_NonThr" when the exchange fails
    // (socket failure, time-out, or a line or reply past its bound); false
    // for an error reply.
    bool SendCommand_NonThr(const ByteString& command);
    // The two halves of SendCommand_NonThr, so that a caller can work while
    // the server answers: StartCommand drops earlier input and sends,
    // FinishCommand reads and judges the reply.
    bool StartCommand(const ByteString& command);
    bool FinishCommand();
    // The first half of CmdAuth.
    bool StartAuth(const ByteString& userId, const ByteString& password64);
    // The reply to the next command will likely be about `length` bytes long
    // (the reply to the same command before): it is read into room made for
    // it at once.
    void ExpectReply(std::size_t length) { m_nExpectedReply = length; }
    // The reply to the next command is shown to `watcher` as it arrives.
    void WatchReply(LineReader::BlockWatcher watcher) { m_replyWatcher = std::move(watcher); }

    // Reads the next whole line, CR LF included, into `line` and returns its
    // length; 0 (and an empty line) when the peer closed the connection.
    // Waits up to `seconds` per receive, 0 without limit. Throws
    // CBlockingSocketException on socket failures and past the line bound.
    int ReadHeaderLine(ByteString& line, int seconds);
    // As ReadHeaderLine, but a close by the peer throws "ReadHeaderLine2".
    int ReadHeaderLine2(ByteString& line, int seconds);
    // Reads one notification block, lines through the empty line, with the
    // close rule of ReadHeaderLine2. Throws as that does, and past the block
    // bound. A Shutdown from another thread ends a wait without limit.
    void ReadBlock(ByteString& block, int seconds);

    // When m_strReply is an error reply ("ERR" first), fills the three error
    // fields from it and returns true; otherwise changes nothing.
    bool ParseErrorReply();

    bool m_bConnectOk = true;
    ByteString m_strReply;
    ByteString m_strErrCode;
    ByteString m_strErrMessage;
    ByteString m_strErrServer;
    // The socket failure that failed the last ConnectHost or exchange; empty
    // when it did not fail on the socket.
    std::optional<CBlockingSocketException> m_socketFailure;

private:
    // Runs `step` of an exchange; a socket failure becomes false.
    template <class Step>
    bool Exchange(Step step);
    LineReader::ReceiveFunction ReceiveWithin(int seconds);
    LineReader::ReceiveFunction ReceiveUntilClosed(int seconds);

    LineReader m_reader;
    LineReader::BlockWatcher m_replyWatcher;
    std::size_t m_nExpectedReply = 0;
};

}  // namespace nimbo
