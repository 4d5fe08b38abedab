#pragma once

#include <string>

#include "buddies/CBuddyTable.h"
#include "net/ByteString.h"
#include "transfer/FileOffer.h"

namespace nimbo {

// Places `offer` as a peer call of kind "ftp" to `recipient`, by the route
// the buddy table gives:
// - not in the table: nothing is sent, and that is no failure;
// - a buddy with a port of its own: straight to its address and port, in the
//   second "peercall" form naming `userId` as the caller, without "auth";
// - otherwise: to g_strAgentHost at AGENT_PORT, "auth" with `userId` and
//   `password64`, then the first "peercall" form.
// The replies are not examined: false only when the connection could not be
// made or the offer's exchange failed (a socket failure or time-out before
// any reply), after showing the offer failure message. The connection is
// closed before it returns.
bool SendFileOffer(const CBuddyTable& buddies, const ByteString& userId, const ByteString& password64,
                   const std::u16string& recipient, const FileOffer& offer);

// Shows "%s님에게\n파일 전송을 실패하였습니다." for `recipient`.
void ShowOfferFailure(const std::u16string& recipient);

}  // namespace nimbo
