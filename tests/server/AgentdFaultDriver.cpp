// Drives nimbo-agentd through many client sessions while the server suffers
// injected failures (see tests/fault/agentd-faults.sh), and checks what a
// messaging server promises: it keeps serving, and every note it answered
// "OK" to arrives exactly once.
//
//   agentd_fault_driver prepare DATABASE USERS
//       creates users u000... with the password "pw" (cheap hashes)
//   agentd_fault_driver run ADDRESS USERS SESSIONS NOTES
//       SESSIONS sessions over USERS users, each: login, notification
//       connection, NOTES notes to other users, logout; then every user signs
//       in until no answered note is missing. Prints the counts; exits 1 on a
//       lost or duplicated note or a session that could not be completed.
#include <sodium.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ServerHarness.h"
#include "net/AgentProtocol.h"
#include "server/Directory.h"
#include "server/ServerConfig.h"
#include "tests/support/PeerConnection.h"

namespace {

using nimbo::AGENT_PORT;
using nimbo::server::DEFAULT_NOTIFY_PORT;
using nimbo::server::test::ServerHarness;
using nimbo::test::PeerConnection;

constexpr const char* PASSWORD = "pw";
constexpr int WORKERS = 8;
// A step that keeps failing this often means the server stopped serving.
constexpr int ATTEMPTS = 25;
constexpr int DRAIN_ROUNDS = 5;

std::string UserId(int i) {
    std::string number = std::to_string(i);
    return "u" + std::string(number.size() < 3 ? 3 - number.size() : 0, '0') + number;
}

int Number(const char* text) {
    int value = 0;
    std::from_chars(text, text + std::strlen(text), value);
    return value;
}

int Prepare(const std::string& database, int users) {
    nimbo::server::Directory directory(database);
    char hash[crypto_pwhash_STRBYTES];
    if (sodium_init() < 0 ||
        crypto_pwhash_str(hash, PASSWORD, std::strlen(PASSWORD), crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN))
        return 1;
    for (int i = 0; i < users; ++i)
        directory.AddUser({UserId(i), UserId(i), hash});
    return 0;
}

// What every session saw, shared by the workers.
class Ledger {
public:
    void Answered(const std::string& note) {
        std::lock_guard lock(m_mutex);
        ++m_answered[note];
    }
    void Received(const std::string& note) {
        std::lock_guard lock(m_mutex);
        ++m_received[note];
    }
    int Missing() {
        std::lock_guard lock(m_mutex);
        int missing = 0;
        for (const auto& [note, count] : m_answered)
            missing += !m_received.contains(note);
        return missing;
    }
    int Duplicated() {
        std::lock_guard lock(m_mutex);
        int duplicated = 0;
        for (const auto& [note, count] : m_received)
            duplicated += count - 1;
        return duplicated;
    }
    std::size_t AnsweredCount() {
        std::lock_guard lock(m_mutex);
        return m_answered.size();
    }
    std::size_t ReceivedCount() {
        std::lock_guard lock(m_mutex);
        return m_received.size();
    }

private:
    std::mutex m_mutex;
    std::map<std::string, int> m_answered;
    std::map<std::string, int> m_received;
};

struct Counts {
    std::atomic<int> sessions{0};
    std::atomic<int> failedSessions{0};
    std::atomic<int> retries{0};
    std::atomic<int> notesSent{0};
};

class Driver {
public:
    Driver(std::string address, int users) : m_address(std::move(address)), m_users(users) {}

    // One session of `user`; false when a step kept failing.
    bool Session(int user, int notes, std::mt19937& random) {
        std::string id = UserId(user);
        if (!Retry([&] { return Command(id, "login " + id + " " + Password64() + " 0 0").starts_with("OK\r\nafw="); }))
            return false;
        std::unique_ptr<PeerConnection> listener;
        if (!Retry([&] { return (listener = Listen(id)) != nullptr; }))
            return false;
        std::thread reader([&] { Read(*listener); });
        for (int i = 0; i < notes; ++i)
            SendNote(id, user, random);
        bool loggedOut = Retry([&] { return Command(id, "logout") == "OK\r\n\r\n"; });
        // Logged out, the server ends the notification connection; the reader
        // takes everything that arrived before.
        if (!loggedOut)
            listener->Interrupt();
        reader.join();
        return loggedOut;
    }

    Ledger ledger;
    Counts counts;

private:
    template <typename Step>
    bool Retry(Step step) {
        for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
            try {
                if (step())
                    return true;
            } catch (const std::exception&) {
            }
            ++counts.retries;
        }
        return false;
    }
    static std::string Password64() { return ServerHarness::Base64(PASSWORD); }
    // "auth" and one command on a fresh connection, as the client does.
    std::string Command(const std::string& id, const std::string& line) {
        auto client = PeerConnection::Dial(m_address, AGENT_PORT);
        if (!line.starts_with("login ") && client->Command("auth " + id + " " + Password64() + " ") != "OK\r\n\r\n")
            return "";
        return client->Command(line);
    }
    std::unique_ptr<PeerConnection> Listen(const std::string& id) {
        auto client = PeerConnection::Dial(m_address, DEFAULT_NOTIFY_PORT);
        if (client->Command("auth " + id + " " + Password64() + " ") != "OK\r\n\r\n")
            return nullptr;
        return client;
    }
    // Counts every whole peer call until the connection ends; a cut block
    // at the end is dropped, as the client's listener drops it.
    void Read(PeerConnection& listener) {
        for (std::string block; (block = listener.ReadBlock()).ends_with("\r\n\r\n");) {
            if (!block.starts_with("peercall "))
                continue;
            std::size_t start = block.find(" instmsg ") + 9;
            ledger.Received(block.substr(start, block.find(' ', start) - start));
        }
    }
    void SendNote(const std::string& id, int user, std::mt19937& random) {
        int callee = (user + 1 + static_cast<int>(random() % static_cast<unsigned>(m_users - 1))) % m_users;
        std::string note = ServerHarness::Base64(id + " note " + std::to_string(++counts.notesSent));
        try {
            if (Command(id, "peercall " + UserId(callee) + " instmsg " + note) == "OK\r\n\r\n")
                ledger.Answered(note);
        } catch (const std::exception&) {
        }
    }

    std::string m_address;
    int m_users;
};

int Run(const std::string& address, int users, int sessions, int notes) {
    auto started = std::chrono::steady_clock::now();
    Driver driver(address, users);
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < WORKERS; ++w) {
        workers.emplace_back([&, w] {
            std::mt19937 random(static_cast<unsigned>(w));
            // Each worker has users of its own, so that no two sessions of a
            // user overlap.
            for (int s; (s = next++) < sessions;) {
                int user = w + WORKERS * ((s / WORKERS) % ((users - w + WORKERS - 1) / WORKERS));
                ++(driver.Session(user, notes, random) ? driver.counts.sessions : driver.counts.failedSessions);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    std::mt19937 random(0);
    int rounds = 0;
    for (; rounds < DRAIN_ROUNDS && driver.ledger.Missing() > 0; ++rounds) {
        for (int user = 0; user < users; ++user)
            ++(driver.Session(user, 0, random) ? driver.counts.sessions : driver.counts.failedSessions);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    int missing = driver.ledger.Missing();
    int duplicated = driver.ledger.Duplicated();
    std::printf("sessions: %d completed, %d failed (%d collecting rounds), %d retried steps\n",
                driver.counts.sessions.load(), driver.counts.failedSessions.load(), rounds,
                driver.counts.retries.load());
    std::printf("notes: %d sent, %zu answered OK, %zu received, %d answered but lost, %d duplicated\n",
                driver.counts.notesSent.load(), driver.ledger.AnsweredCount(), driver.ledger.ReceivedCount(), missing,
                duplicated);
    std::printf("time: %.1f s\n", seconds);
    return missing == 0 && duplicated == 0 && driver.counts.failedSessions == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "prepare" && argc == 4)
        return Prepare(argv[2], Number(argv[3]));
    if (mode == "run" && argc == 6)
        return Run(argv[2], Number(argv[3]), Number(argv[4]), Number(argv[5]));
    std::fprintf(stderr,
                 "usage: agentd_fault_driver prepare DATABASE USERS\n"
                 "       agentd_fault_driver run ADDRESS USERS SESSIONS NOTES\n");
    return 2;
}
