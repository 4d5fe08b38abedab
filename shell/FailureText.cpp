#include "shell/FailureText.h"

#include "session/SessionFailure.h"

namespace nimbo {

namespace {

QString ServerReason(const SessionFailure& failure) {
    QString reason = QString::fromStdU16String(failure.serverCode);
    if (!failure.serverMessage.empty()) {
        reason += u' ' + QString::fromStdU16String(failure.serverMessage);
    }
    return reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason);
}

QString SocketReason(const SessionFailure& failure) {
    return failure.socketText.empty() ? QString()
                                      : QStringLiteral(" (%1)").arg(QString::fromStdU16String(failure.socketText));
}

QString Headline(const SessionFailure& failure) {
    const QString host = QString::fromStdU16String(failure.host);
    switch (failure.kind) {
    case FailureKind::Unreachable:
        return QStringLiteral("서버(%1)에 연결할 수 없습니다.").arg(host);
    case FailureKind::TimedOut:
        return QStringLiteral("서버(%1)가 제때 응답하지 않았습니다.").arg(host);
    case FailureKind::Broken:
        return QStringLiteral("서버(%1)와의 연결이 끊어졌습니다.").arg(host);
    case FailureKind::Refused:
        return QStringLiteral("서버가 요청을 거부했습니다.");
    case FailureKind::Local:
        return QStringLiteral("보낼 수 없는 글자가 들어 있습니다.");
    case FailureKind::None:
        break;
    }
    return QString();
}

}  // namespace

QString FailureText(const SessionFailure& failure) {
    return Headline(failure) +
           (failure.kind == FailureKind::Refused ? ServerReason(failure) : SocketReason(failure));
}

QString LoginFailureText(const SessionFailure& failure) {
    if (failure.kind == FailureKind::Refused) {
        return QStringLiteral("서버가 ID 또는 비밀번호를 받아들이지 않았습니다.") + ServerReason(failure);
    }
    return FailureText(failure);
}

}  // namespace nimbo
