#pragma once

#include <memory>
#include <string>
#include <vector>

#include "session/PeerCallRecord.h"

namespace nimbo {

// Where the buddy window hands over everything about files: the send-file
// command and every file offer that arrives. The file transfer user
// interface implements it; while none is installed, the send-file command
// does nothing and an arriving offer is released unanswered.
class IFileTransferHook {
public:
    virtual ~IFileTransferHook() = default;

    // The user asked to send a file to `peerId` (a bare user ID); `ownId` is
    // the signed-in user's ID. The file is picked in the transfer's dialog.
    virtual void StartFileTransfer(const std::u16string& ownId, const std::u16string& peerId) = 0;

    // The user gave the files at `paths` to send to `peerId`, as by dropping
    // them on the buddy: each is sent as if chosen in a transfer of its own.
    virtual void SendFiles(const std::u16string& ownId, const std::u16string& peerId,
                           const std::vector<std::u16string>& paths) = 0;

    // A peer call of kind PeerCallKind::FileOffer; the hook owns the record
    // from here on.
    virtual void OnFileOffer(std::unique_ptr<PeerCallRecord> offer) = 0;
};

}  // namespace nimbo
