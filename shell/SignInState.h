#pragma once

#include <QString>

#include "shell/OwnPresence.h"

namespace nimbo {

enum class SignInPhase { SignedOut, SigningIn, SignedIn };

// What the main window, its status bar and the tray icon show of the
// sign-in: signed out, signing in, or signed in as whom with which presence,
// and how many received notes are waiting to be read.
struct SignInState {
    SignInPhase phase = SignInPhase::SignedOut;
    QString userId;
    OwnPresence presence;
    int unread = 0;

    // "kim · 바쁨 · 회의 중", "kim(으)로 로그인하는 중…", "로그아웃 상태".
    QString Summary() const;
};

}  // namespace nimbo
