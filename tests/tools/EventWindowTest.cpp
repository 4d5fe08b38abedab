#include "tools/EventWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "net/AgentProtocol.h"
#include "platform/MessageLoop.h"
#include "session/SessionMessages.h"

namespace nimbo::cli {
namespace {

TEST(EventWindow, OnlyNotesAndFileOffersAreShown) {
    AgentSession session;
    std::ostringstream out;
    EventPrinter printer(out);
    CliContext context{session, printer, out, u"kim", u"pass"};
    platform::MessageLoop loop;
    int offers = 0;
    EventWindow window(context, loop, [] {}, [&offers](const std::u16string&, const FileOffer&) { ++offers; });
    const std::u16string offerBody = u"<10.0.0.5><9042><a.txt><1500>";
    for (const std::u16string& kind :
         {std::u16string(u"close"), PeerCallText(PeerCallKind::Note), PeerCallText(PeerCallKind::FileOffer)}) {
        session.QueuePeerCall(std::make_unique<PeerCallRecord>(PeerCallRecord{u"lee", kind, offerBody}));
        window.HandleMessage(WM_PEERCALL, 0, 0);
    }
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(out.str(),
              "note\tlee\t<10.0.0.5><9042><a.txt><1500>\n"
              "offer\tlee\ta.txt\t1500\t10.0.0.5\t9042\n");
}

}  // namespace
}  // namespace nimbo::cli
