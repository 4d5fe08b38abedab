#include "transfer/SendFileOffer.h"

#include "buddies/CBuddyInfo.h"
#include "net/AgentProtocol.h"
#include "platform/MessageBox.h"
#include "session/AgentHost.h"
#include "session/CAgentSocket.h"

namespace nimbo {
namespace {

constexpr const char* OFFER_KIND = PeerCallWord(PeerCallKind::FileOffer);

// The replies are not examined: even an error reply shows that the offer
// reached the other side. Only an exchange that failed, where nothing or only
// part of a reply came, leaves the offer unplaced.
bool Placed(const CAgentSocket& socket, bool accepted) { return accepted || socket.m_strReply.view().starts_with("ERR"); }

bool ToBuddyListener(const CBuddyInfo& buddy, const ByteString& userId, const ByteString& callee,
                     const ByteString& body) {
    CAgentSocket socket;
    if (!socket.ConnectHost(buddy.Address(), buddy.Port()))
        return false;
    return Placed(socket, socket.CmdPeerCall(callee, userId, OFFER_KIND, body, PeerCallForm::DirectToCallee));
}

bool ThroughAgent(const ByteString& userId, const ByteString& password64, const ByteString& callee,
                  const ByteString& body) {
    CAgentSocket socket;
    if (!socket.ConnectHost(g_strAgentHost.Get(), AGENT_PORT))
        return false;
    socket.CmdAuth(userId, password64);
    return Placed(socket, socket.CmdPeerCall(callee, userId, OFFER_KIND, body, PeerCallForm::ThroughAgent));
}

}  // namespace

bool SendFileOffer(const CBuddyTable& buddies, const ByteString& userId, const ByteString& password64,
                   const std::u16string& recipient, const FileOffer& offer) {
    const CBuddyInfo* buddy = buddies.Lookup(recipient);
    if (!buddy)
        return true;
    ByteString callee;
    callee.AssignWide(recipient);
    const ByteString body = FormatFileOffer(offer);
    const bool placed = buddy->Port() != 0 ? ToBuddyListener(*buddy, userId, callee, body)
                                         : ThroughAgent(userId, password64, callee, body);
    if (!placed)
        ShowOfferFailure(recipient);
    return placed;
}

void ShowOfferFailure(const std::u16string& recipient) {
    platform::ShowMessageBox(recipient + u"님에게\n파일 전송을 실패하였습니다.");
}

}  // namespace nimbo
