#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "buddies/BuddyTable.h"
#include "buddies/OwningTable.h"
#include "net/ByteString.h"
#include "session/LockedValue.h"
#include "session/PeerCallRecord.h"
#include "session/SessionFailure.h"

namespace nimbo {

class CAgentSocket;
class NotificationListener;

// Guards every AgentSession's peer-call queue; held for one append or one
// removal only, never across a network call or a window message.
extern std::mutex g_peerCallLock;

// Whether Login starts the notification listener. Only a session whose peer
// calls are taken and shown may listen: the server hands the user's kept
// notes to the first listener that identifies, so a session that never shows
// them (a one-shot command) would lose them.
enum class LoginListener { Start, None };

// The user's presence on the agent server: identity, the logged-in flag, the
// notification listener, the queue of peer calls it fills and the buddy and
// group tables a refresh fills. Every operation but the listener's runs on
// the calling (user-interface) thread over a fresh connection of its own and
// returns true when done.
class AgentSession {
public:
    AgentSession();
    // Ends the listener first (shutdown and join), so that no thread outlives
    // the session it reads.
    ~AgentSession();
    AgentSession(const AgentSession&) = delete;
    AgentSession& operator=(const AgentSession&) = delete;

    // Signs in to g_strAgentHost, following one "202" redirect (which
    // replaces g_strAgentHost), then starts the notification listener unless
    // told otherwise. A listener running from an earlier Login goes on until
    // the server has accepted the new sign-in. When it refuses, an earlier
    // sign-in whose listener still listens stays as it was (identity
    // included); otherwise the session ends up logged out.
    bool Login(const std::u16string& userId, const std::u16string& password,
               LoginListener listener = LoginListener::Start);
    // Clears the logged-in flag first (the listener then ends quietly), then
    // signs out on the server.
    bool Logout();
    // Sets the presence status (an index of LogonStatus) and its text.
    bool SetLogonStat(int status, const std::u16string& text);
    // Sends a note to `callee` through the agent server.
    bool SendInstantMessage(const std::u16string& callee, const std::u16string& text);

    // With `refresh`, empties the buddy table and fetches the status list and
    // then the group list. Returns the buddy table; nullptr when the server
    // refused the identification. An unreachable server gives an empty buddy
    // table and leaves the group table as it was.
    BuddyTable* GetLogonStatusTable(bool refresh);
    // Empties the group table and fetches the group list into it; false when
    // no identified connection could be made.
    bool LoadGroupList();

    // Appends a record to the peer-call queue (the listener's side).
    void QueuePeerCall(std::unique_ptr<PeerCallRecord> record);
    // Removes the oldest queued record; empty when the queue is empty.
    std::unique_ptr<PeerCallRecord> TakePeerCall();

    // Why the most recent operation (Login, Logout, SetLogonStat,
    // SendInstantMessage, GetLogonStatusTable, LoadGroupList) failed; kind
    // None when it did not. Belongs to the thread that runs the operations.
    const SessionFailure& LastFailure() const { return m_lastFailure; }

    bool IsLoggedIn() const { return m_bLoggedIn.load(); }
    // The identity of the last Login, safe to read from any thread.
    ByteString GetUserId() const { return m_strUserId.Get(); }
    ByteString GetPassword64() const { return m_strPassword64.Get(); }
    // The tables belong to the user-interface thread.
    const BuddyTable& GetBuddyTable() const { return m_buddyTable; }
    const CGroupTable& GetGroupTable() const { return m_groupTable; }

private:
    bool SetIdentity(const std::u16string& userId, const std::u16string& password);
    bool ExchangeLogin(CAgentSocket& socket);
    bool ConnectIdentified(CAgentSocket& socket);
    // The halves of LoadGroupList: Start empties the group table, connects
    // and sends the identification; Finish reads its answer and fetches.
    bool StartGroupList(CAgentSocket& socket);
    bool FinishGroupList(CAgentSocket& socket, bool started);
    // Records the failure of `operation` on `socket`, or none when `done`;
    // returns `done`.
    bool Judge(const char16_t* operation, const CAgentSocket& socket, bool done);
    void KeepOrEndEarlierSignIn(const ByteString& userId, const ByteString& password64);
    void EndListener();

    LockedValue<ByteString> m_strUserId;
    LockedValue<ByteString> m_strPassword64;
    std::atomic<bool> m_bLoggedIn{false};
    std::unique_ptr<NotificationListener> m_hListener;
    std::deque<std::unique_ptr<PeerCallRecord>> m_peerCalls;
    BuddyTable m_buddyTable;
    CGroupTable m_groupTable;
    // The lengths of the last replies of the two lists, which the next
    // refresh reads into room made for them at once.
    std::size_t m_nStatusReplyLength = 0;
    std::size_t m_nGroupReplyLength = 0;
    ByteString m_strNotifyHost;
    int m_nNotifyPort = 0;
    SessionFailure m_lastFailure;
};

}  // namespace nimbo
