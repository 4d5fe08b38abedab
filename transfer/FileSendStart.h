#pragma once

#include <cstdint>
#include <string>

#include "session/AgentSession.h"
#include "transfer/SendFileOffer.h"
#include "transfer/TransferInfo.h"

namespace nimbo {

// The steps of a send before its worker starts, for the send dialog and
// nimbo-cli alike.

// The largest file an offer can carry: its size travels in 32 bits.
inline constexpr std::uint64_t MAX_SENDABLE_SIZE = 0xFFFFFFFFu;

// Whether a file of `size` bytes can be offered: the size must be above 0
// and at most MAX_SENDABLE_SIZE. Otherwise shows "파일 크기가 0인 파일은 전송할 수
// 없습니다." or "4GB 이상인 파일은 전송할 수 없습니다." and returns false.
bool CheckSendableSize(std::uint64_t size);

// Listens first, on this device's address (OwnAddressForPeers) and nowhere
// else, at a free port of 9000-9099 (see ListenOnFreePort), then offers the
// file `fileName` of `size` bytes to `recipient` (see PlaceFileOffer) naming
// that address and port, and shows nothing. When placed, the listening
// socket is published in `info`, info.nPort is the port, info.strPeerAddress
// the recipient's address from the buddy table (the sender takes the data
// connection only from there), and FileSendProc can start; otherwise nothing
// is left listening, and no free port or no own address known count as
// NotConnected. Blocks up to the command time-out, on any thread, while
// nothing else uses the session.
OfferPlacement PlaceOffer(const AgentSession& session, TransferInfo& info, const std::u16string& recipient,
                          const std::u16string& fileName, std::uint32_t size);

// PlaceOffer, then the message for an offer that was not placed (see
// ShowOfferPlacement); true when it was placed.
bool OfferFile(const AgentSession& session, TransferInfo& info, const std::u16string& recipient,
               const std::u16string& fileName, std::uint32_t size);

}  // namespace nimbo
