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

    // Signs in at the agent server `host`; false (with the reason in
    // `failure`) when a step was refused or failed.
    bool SignIn(const std::u16string& host, const ByteString& password64, std::string& failure);
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
};

}  // namespace nimbo::bench
