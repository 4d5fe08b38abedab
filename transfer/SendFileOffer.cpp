#include "transfer/SendFileOffer.h"

#include "buddies/BuddyName.h"
#include "buddies/CBuddyInfo.h"
#include "net/AgentProtocol.h"
#include "platform/MessageBox.h"
#include "session/AgentHost.h"
#include "session/CAgentSocket.h"

namespace nimbo {
namespace {

constexpr const char* OFFER_KIND = PeerCallWord(PeerCallKind::FileOffer);

using Placement = OfferPlacement;

// The replies are not examined: even an error reply shows that the offer
// reached the other side. Only an exchange that failed, where nothing or only
// part of a reply came, leaves the offer unplaced.
bool Placed(const CAgentSocket& socket, bool accepted) { return accepted || socket.m_strReply.view().starts_with("ERR"); }

Placement ToBuddyListener(const CBuddyInfo& buddy, const ByteString& userId, const ByteString& callee,
                          const ByteString& body) {
    CAgentSocket socket;
    if (!socket.ConnectHost(buddy.Address(), buddy.Port()))
        return Placement::NotConnected;
    return Placed(socket, socket.CmdPeerCall(callee, userId, OFFER_KIND, body, PeerCallForm::DirectToCallee))
               ? Placement::Placed
               : Placement::NotConnected;
}

Placement ThroughAgent(const ByteString& userId, const ByteString& password64, const ByteString& callee,
                       const ByteString& body) {
    CAgentSocket socket;
    if (!socket.ConnectHost(g_strAgentHost.Get(), AGENT_PORT))
        return Placement::NotConnected;
    socket.CmdAuth(userId, password64);
    const bool accepted = socket.CmdPeerCall(callee, userId, OFFER_KIND, body, PeerCallForm::ThroughAgent);
    if (!Placed(socket, accepted))
        return Placement::NotConnected;
    // The one refusal that matters: nobody would come for the file.
    if (!accepted && socket.ParseErrorReply() && socket.m_strErrCode == CALLEE_OFFLINE_CODE)
        return Placement::CalleeOffline;
    return Placement::Placed;
}

}  // namespace

OfferPlacement PlaceFileOffer(const BuddyTable& buddies, const ByteString& userId, const ByteString& password64,
                              const std::u16string& recipient, const FileOffer& offer) {
    const CBuddyInfo* buddy = buddies.Lookup(recipient);
    if (!buddy)
        return Placement::Placed;
    ByteString callee;
    callee.AssignWide(recipient);
    const ByteString body = FormatFileOffer(offer);
    return buddy->Port() != 0 ? ToBuddyListener(*buddy, userId, callee, body)
                            : ThroughAgent(userId, password64, callee, body);
}

void ShowOfferPlacement(const BuddyTable& buddies, const std::u16string& recipient, OfferPlacement placement) {
    if (placement == Placement::NotConnected)
        ShowOfferFailure(recipient);
    else if (placement == Placement::CalleeOffline)
        ShowRecipientOffline(buddies, recipient);
}

void ShowOfferFailure(const std::u16string& recipient) {
    platform::ShowMessageBox(recipient + u"님에게\n파일 전송을 실패하였습니다.");
}

void ShowRecipientOffline(const BuddyTable& buddies, const std::u16string& recipient) {
    platform::ShowMessageBox(BuddyName(buddies, recipient) + u"님이 접속해 있지 않아 파일을 보낼 수 없습니다.");
}

}  // namespace nimbo
