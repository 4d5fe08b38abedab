#include "session/DispatchNotification.h"

#include <chrono>
#include <memory>

#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "session/AgentSession.h"
#include "session/SessionMessages.h"

namespace nimbo {
namespace {

enum PeerCallWord { WORD_CALLER = 1, WORD_KIND = 2, WORD_BODY = 3 };

void OnNotify(const ByteString& head) {
    if (head.Field(" ", 1) == "logon")
        platform::PostMessage(platform::GetMainWindow(), WM_LOGONNOTIFY, LOGON_NOTIFY_FLAG, 0);
}

void OnPeerCall(AgentSession& session, const ByteString& head) {
    ByteString kind = head.Field(" ", WORD_KIND);
    if (!PeerCallKindOf(kind.view()))
        return;
    auto record = std::make_unique<PeerCallRecord>();
    record->strFrom = head.Field(" ", WORD_CALLER).ToWide();
    record->strKind = kind.ToWide();
    record->strBody = base64::DecodeText(head.Field(" ", WORD_BODY)).ToWide();
    record->receivedAt = std::chrono::system_clock::now();
    session.QueuePeerCall(std::move(record));
    platform::PostMessage(platform::GetMainWindow(), WM_PEERCALL, 0, 0);
}

}  // namespace

void DispatchNotification(AgentSession& session, const ByteString& block) {
    ByteString head = block.Field("\r\n\r\n", 0);
    ByteString word = head.Field(" ", 0);
    if (word == "notify")
        OnNotify(head);
    else if (word == "peercall")
        OnPeerCall(session, head);
}

}  // namespace nimbo
