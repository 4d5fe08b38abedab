// Feeds arbitrary bytes to the notification dispatch as one block from the
// notification server, with a session that is not signed in anywhere, and
// checks that what reaches the main window matches what was queued.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/FuzzCheck.h"
#include "net/AgentProtocol.h"
#include "platform/MessageLoop.h"
#include "session/AgentSession.h"
#include "session/DispatchNotification.h"
#include "session/SessionMessages.h"

namespace {

using nimbo::fuzz::Check;

// Counts the listener's messages.
class Counter : public nimbo::platform::IMessageHandler {
public:
    nimbo::platform::LRESULT HandleMessage(nimbo::platform::UINT message, nimbo::platform::WPARAM wParam,
                                           nimbo::platform::LPARAM) override {
        Check(message == nimbo::WM_PEERCALL || (message == nimbo::WM_LOGONNOTIFY && wParam == nimbo::LOGON_NOTIFY_FLAG));
        peerCalls += message == nimbo::WM_PEERCALL;
        return 0;
    }
    int peerCalls = 0;
};

struct MainWindow {
    nimbo::platform::MessageLoop loop;
    Counter counter;
    MainWindow() { nimbo::platform::SetMainWindow(nimbo::platform::CreateWindowHandle(counter, loop)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbo;
    static MainWindow* window = new MainWindow;
    window->counter.peerCalls = 0;
    AgentSession session;
    DispatchNotification(session, ByteString(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    window->loop.ProcessPending();

    int records = 0;
    while (std::unique_ptr<PeerCallRecord> record = session.TakePeerCall()) {
        Check(PeerCallKindOf(record->strKind).has_value());
        ++records;
    }
    Check(records <= 1);
    Check(window->counter.peerCalls == records);
    return 0;
}
