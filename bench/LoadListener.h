#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "net/ByteString.h"
#include "session/CAgentSocket.h"

namespace nimbo::bench {

class NoteTally;

// One signed-in client of a load run, as the real client holds it: a "login"
// on a command connection (its reply names the notification server), the
// notification connection identified by "auth", presence set online and the
// two documents fetched. A thread then reads notification blocks with the
// client's own reader and counts every note at the tally.
//
// A note's body is "#" + its number + a text; see NoteNumber.
class LoadListener {
public:
    LoadListener(std::string userId, std::uint32_t index, NoteTally& tally);
    ~LoadListener();
    LoadListener(const LoadListener&) = delete;
    LoadListener& operator=(const LoadListener&) = delete;

    enum class SignInResult { SignedIn, Busy, Failed };

    // Signs in at the agent server `host`. Busy: a step was answered "server
    // busy" (the server's check queue was full), which a user meets by trying
    // again a little later; Failed: refused or failed otherwise. Both leave
    // the reason in `failure`.
    SignInResult SignIn(const std::u16string& host, const ByteString& password64, std::string& failure);
    // Starts reading blocks; Stop wakes the reader and waits for it.
    void Start();
    void Stop();
    // False when the notification connection failed before Stop.
    bool Healthy() const noexcept { return !m_failed.load(); }

    // The note number at the start of a decoded body, or SIZE_MAX.
    static std::size_t NoteNumber(std::string_view body);

private:
    bool Login(const std::u16string& host, const ByteString& password64, std::string& failure);
    bool ConnectListener(const ByteString& password64, std::string& failure);
    bool Command(const std::u16string& host, const ByteString& password64, const ByteString& command,
                 std::string& failure);
    bool Failed(const CAgentSocket& socket, std::string what, std::string& reason);
    void Run();
    void Take(const ByteString& block);

    std::string m_userId;
    std::uint32_t m_index;
    NoteTally& m_tally;
    std::u16string m_notifyHost;
    int m_notifyPort = 0;
    CAgentSocket m_listener;
    std::thread m_reader;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_failed{false};
    bool m_busy = false;  // the last refusal was "server busy"
};

}  // namespace nimbo::bench
