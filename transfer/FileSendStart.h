#pragma once

#include <cstdint>
#include <string>

#include "session/AgentSession.h"
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

// Listens first, on a free port of 9000-9099 (see ListenOnFreePort), then
// offers the file `fileName` of `size` bytes to `recipient` (see
// SendFileOffer) naming this device's address (OwnAddressForPeers) and that
// port. On success the listening socket is
// published in `info`, info.nPort is the port, and FileSendProc can start.
// False when no port is free, no own address is known or the offer could
// not be placed (the recipient not signed in, among others): a message has
// then been shown and nothing is left listening. Runs on the thread that owns the session's tables.
bool OfferFile(const AgentSession& session, TransferInfo& info, const std::u16string& recipient,
               const std::u16string& fileName, std::uint32_t size);

}  // namespace nimbo
