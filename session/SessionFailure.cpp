#include "session/SessionFailure.h"

#include <utility>

#include "session/CAgentSocket.h"

namespace nimbo {
namespace {

bool IsConnectStep(const std::u16string& operation) {
    return operation == u"Create" || operation == u"Connect" || operation == u"GetHostByName";
}

bool IsTimeOut(const std::u16string& operation) {
    return operation == u"Receive timeout" || operation == u"Send timeout";
}

FailureKind KindOf(const CBlockingSocketException& failure) {
    if (IsConnectStep(failure.m_strOperation))
        return FailureKind::Unreachable;
    return IsTimeOut(failure.m_strOperation) ? FailureKind::TimedOut : FailureKind::Broken;
}

std::u16string SocketText(const CBlockingSocketException& failure) {
    std::u16string text = failure.GetErrorMessage();
    const std::u16string system = failure.GetSystemText();
    if (!system.empty())
        text += u" (" + system + u")";
    return text;
}

}  // namespace

SessionFailure SessionFailure::Of(std::u16string operation, std::u16string host, const CAgentSocket& socket) {
    SessionFailure failure;
    failure.operation = std::move(operation);
    failure.host = std::move(host);
    if (socket.m_socketFailure) {
        failure.kind = KindOf(*socket.m_socketFailure);
        failure.socketText = SocketText(*socket.m_socketFailure);
    } else if (socket.m_strReply.view().starts_with("ERR")) {
        failure.kind = FailureKind::Refused;
        failure.serverCode = socket.m_strErrCode.ToWide();
        failure.serverMessage = socket.m_strErrMessage.ToWide();
    } else {
        failure.kind = FailureKind::Local;
    }
    return failure;
}

std::u16string SessionFailure::Reason() const {
    switch (kind) {
    case FailureKind::None:
        return u"no failure";
    case FailureKind::Refused:
        return u"the server refused: " + serverCode + (serverMessage.empty() ? u"" : u" " + serverMessage);
    case FailureKind::Local:
        return u"the text cannot be sent in the wire code page";
    default:
        return socketText;
    }
}

std::u16string SessionFailure::Describe() const {
    return operation + (host.empty() ? u"" : u" at " + host) + u": " + Reason();
}

}  // namespace nimbo
