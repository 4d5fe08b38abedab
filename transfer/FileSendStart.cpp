#include "transfer/FileSendStart.h"

#include <memory>
#include <utility>

#include "buddies/CBuddyInfo.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "session/AgentHost.h"
#include "transfer/SendFileOffer.h"
#include "transfer/TransferPort.h"

namespace nimbo {

bool CheckSendableSize(std::uint64_t size) {
    if (size == 0) {
        platform::ShowMessageBox(u"파일 크기가 0인 파일은 전송할 수 없습니다.");
        return false;
    }
    if (size > MAX_SENDABLE_SIZE) {
        platform::ShowMessageBox(u"4GB 이상인 파일은 전송할 수 없습니다.");
        return false;
    }
    return true;
}

OfferPlacement PlaceOffer(const AgentSession& session, TransferInfo& info, const std::u16string& recipient,
                          const std::u16string& fileName, std::uint32_t size) {
    FileOffer offer;
    offer.strAddress = OwnAddressForPeers();
    offer.strFileName = fileName;
    offer.nFileSize = size;
    std::unique_ptr<CBlockingSocket> listening =
        ListenOnFreePort(platform::CodePage::ToUtf8(offer.strAddress), offer.nPort);
    if (!listening) {
        return OfferPlacement::NotConnected;
    }
    const OfferPlacement placement =
        PlaceFileOffer(session.GetBuddyTable(), session.GetUserId(), session.GetPassword64(), recipient, offer);
    if (placement != OfferPlacement::Placed) {
        listening->Close();
        return placement;
    }
    const CBuddyInfo* buddy = session.GetBuddyTable().Lookup(recipient);
    info.strPeerAddress = buddy ? buddy->Address() : std::u16string();
    info.nPort = offer.nPort;
    info.PublishListenSocket(std::move(listening));
    return placement;
}

bool OfferFile(const AgentSession& session, TransferInfo& info, const std::u16string& recipient,
               const std::u16string& fileName, std::uint32_t size) {
    const OfferPlacement placement = PlaceOffer(session, info, recipient, fileName, size);
    ShowOfferPlacement(session.GetBuddyTable(), recipient, placement);
    return placement == OfferPlacement::Placed;
}

}  // namespace nimbo
