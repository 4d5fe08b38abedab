#pragma once

#include <string>

#include "buddies/BuddyTable.h"
#include "net/ByteString.h"
#include "transfer/FileOffer.h"

namespace nimbo {

// How an offer went: placed, no connection to its route, or refused by the
// agent server because the callee is not signed in.
enum class OfferPlacement { Placed, NotConnected, CalleeOffline };

// Places `offer` as a peer call of kind "ftp" to `recipient`, by the route
// the buddy table gives, and shows nothing:
// - not in the table: nothing is sent, and that is no failure;
// - a buddy with a port of its own: straight to its address and port, in the
//   second "peercall" form naming `userId` as the caller, without "auth";
// - otherwise: to g_strAgentHost at AGENT_PORT, "auth" with `userId` and
//   `password64`, then the first "peercall" form.
// The replies are not examined: even an error reply shows that the offer
// reached the other side, but for the agent server's refusal of a callee who
// is not signed in (CalleeOffline), so that nobody waits for a receiver that
// cannot come. (The presence list cannot tell: a user may show as offline
// and still be signed in and able to receive.) NotConnected when the
// connection could not be made or the offer's exchange failed (a socket
// failure or time-out before any reply). The connection is closed before it
// returns. It blocks up to the command time-out, so a window runs it aside
// and tells the outcome afterwards (ShowOfferPlacement).
OfferPlacement PlaceFileOffer(const BuddyTable& buddies, const ByteString& userId, const ByteString& password64,
                              const std::u16string& recipient, const FileOffer& offer);

// Tells the user of an offer that was not placed: ShowOfferFailure, or
// ShowRecipientOffline for a callee who is not signed in.
void ShowOfferPlacement(const BuddyTable& buddies, const std::u16string& recipient, OfferPlacement placement);

// Shows "%s님에게\n파일 전송을 실패하였습니다." for `recipient`.
void ShowOfferFailure(const std::u16string& recipient);

// Shows "%s님이 접속해 있지 않아 파일을 보낼 수 없습니다." for `recipient`,
// named as BuddyName names it.
void ShowRecipientOffline(const BuddyTable& buddies, const std::u16string& recipient);

}  // namespace nimbo
