#include "shell/SignInState.h"

namespace nimbo {

QString SignInState::Summary() const {
    switch (phase) {
    case SignInPhase::SigningIn:
        return QStringLiteral("%1(으)로 로그인하는 중…").arg(userId);
    case SignInPhase::SignedIn: {
        QString summary = userId + QStringLiteral(" · ") + StatusLabel(presence.status);
        if (!presence.message.isEmpty()) {
            summary += QStringLiteral(" · ") + presence.message;
        }
        return summary;
    }
    case SignInPhase::SignedOut:
        break;
    }
    return QStringLiteral("로그아웃 상태");
}

}  // namespace nimbo
