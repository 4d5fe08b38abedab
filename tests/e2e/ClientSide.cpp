#include "tests/e2e/ClientSide.h"

#include <gtest/gtest.h>

#include "buddies/BuddyRowBuilder.h"
#include "platform/CodePage.h"
#include "session/AgentHost.h"

namespace nimbo::e2e {

ClientSide::ClientSide(const std::string& agentHost) {
    g_strAgentHost.Set(platform::CodePage::FromUtf8(agentHost));
}

std::unique_ptr<AgentSession> ClientSide::SignIn(const std::u16string& userId, const std::u16string& password) {
    auto session = std::make_unique<AgentSession>();
    if (session->Login(userId, password))
        return session;
    ADD_FAILURE() << "login of " << platform::CodePage::ToUtf8(userId) << " refused";
    return nullptr;
}

bool ClientSide::WaitForMessages(platform::UINT message, std::size_t count) {
    return loop.RunUntil([&] { return window.Count(message) >= count; }, PATIENCE);
}

std::vector<test::ShownRow> ClientSide::RefreshedRows(AgentSession& session) {
    if (!session.GetLogonStatusTable(true))
        return {};
    return Rows(session);
}

std::vector<test::ShownRow> ClientSide::Rows(AgentSession& session) {
    return test::ShownRows(BuildBuddyRows(session.GetGroupTable(), session.GetBuddyTable()));
}

std::vector<PeerCallRecord> ClientSide::TakePeerCalls(AgentSession& session) {
    std::vector<PeerCallRecord> records;
    while (std::unique_ptr<PeerCallRecord> record = session.TakePeerCall())
        records.push_back(*record);
    return records;
}

}  // namespace nimbo::e2e
