#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/PeerConnection.h"

namespace nimbo::test {

// What a scripted peer does on one accepted connection. It runs on a thread
// of its own; when it returns without closing, the peer records what else
// arrives until the other side closes, then closes too.
using Script = std::function<void(PeerConnection& connection)>;

// A scripted TCP server for tests: listens on a loopback address and port,
// accepts any number of connections, runs a script on each, and records every
// byte received per connection. Typical scripts:
//
//   peer.Expect([](PeerConnection& c) {            // answer a command
//       c.WaitForText("logout\r\n");
//       c.Send("OK\r\n\r\n");
//   });
//   peer.Expect([](PeerConnection& c) {            // a reply split up
//       c.ReadLine();
//       c.SendInChunks("ERR 202\r\nserver=h2\r\n\r\n", 3);
//   });
//   peer.Expect([](PeerConnection& c) { c.ReadLine(); c.Close(); });  // no answer
//   peer.Expect([](PeerConnection&) {});           // stay silent
//   peer.SetDefaultScript([](PeerConnection& c) {  // a whole server
//       c.AnswerEachLine([](const std::string& line) { return Answer(line); });
//   });
//
// Scripts must be given before the connections they serve arrive.
class ScriptedPeer {
public:
    // Listens on `address` (dotted IPv4) and `port`; throws
    // std::runtime_error when that is impossible.
    ScriptedPeer(const std::string& address, int port);
    // Stops accepting, wakes every script blocked in a wait, and joins them.
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // The script of the next connection that has none yet (in accept order).
    void Expect(Script script);
    // The script of every connection beyond those given by Expect; without
    // one such a connection is only recorded.
    void SetDefaultScript(Script script);

    // Every byte received on connection `index` (0-based, in accept order),
    // once that connection has ended; call it after the client closed its
    // side. Gives up after a generous safety limit and returns what arrived
    // (nothing when the connection never came).
    std::string Received(std::size_t index);
    // The number of connections accepted so far.
    std::size_t ConnectionCount();

private:
    struct Served {
        std::shared_ptr<PeerConnection> connection;
        std::thread thread;
        bool finished = false;
    };

    void AcceptLoop();
    void Serve(std::size_t index, Script script);
    Script NextScript();

    int m_listenHandle = -1;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Script> m_scripts;
    Script m_defaultScript;
    std::deque<Served> m_served;
    bool m_stopping = false;
    std::thread m_acceptThread;
};

}  // namespace nimbo::test
