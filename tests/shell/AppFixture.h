#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "session/AgentSession.h"
#include "shell/CBuddyWnd.h"
#include "shell/CMainFrame.h"
#include "shell/CNimboApp.h"
#include "tests/shell/DialogScript.h"
#include "tests/support/ScriptedPeer.h"

namespace nimbo::test {

// The application as main() builds it, signing in to the agent server at a
// test's own loopback address, with its settings in a fresh folder. The
// login dialog opens as soon as the test first runs the event loop.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // The session goes first, then the application, as at the end of main().
    void TearDown() override;

    void StartApp(const std::string& agentHost);

    CMainFrame& Frame() const { return *m_app->GetMainWnd(); }
    CBuddyWnd& Wnd() const { return *m_app->GetBuddyWnd(); }
    AgentSession& Session() const { return *m_session; }

    // Fills in the login dialog and confirms it, then waits until the whole
    // login command has run, whatever the server answered.
    void EnterLogin(const QString& userId, const QString& password);
    // EnterLogin, signing in as `userId`.
    void LogIn(const QString& userId, const QString& password);
    // Asks for the login dialog again, as the menu does.
    void PostLogin();

    // Every row as the user sees it: "[IMAGE]" (the list image index), ">"
    // for an indented row, column 0, and " | " column 1 when that is not empty.
    std::vector<std::string> Rows() const;
    // Selects row `index` as a tap would, without opening the popup menu.
    void SelectRow(int index);
    // Runs the command as the menus do.
    void Command(unsigned id) { Frame().OnCmdMsg(id); }

    // The settings the application keeps between runs.
    QString Saved(const char* name) const;
    void Save(const char* name, const QString& value) const;
    QString SettingsFile() const;

    // The desktop notifications given, "SUMMARY|BODY", instead of shown.
    QStringList m_notified;
    QTemporaryDir m_settings;
    std::unique_ptr<CNimboApp> m_app;
    std::unique_ptr<AgentSession> m_session;
};

// An agent server and a notification server played by scripts on one
// loopback address: every command is answered OK, a login names the
// notification server, and the presence and group lists hold the buddy
// "lee" (online) in the group "친구"; `replies` replaces the reply to a
// command word. Each command arrives on a connection of its own, so the
// commands sent are read back one per connection.
class ScriptedServers {
public:
    explicit ScriptedServers(const std::string& address, const std::map<std::string, std::string>& replies = {});
    // The agent's script with `replies` in place of the usual ones.
    static Script AgentScript(const std::string& address, const std::map<std::string, std::string>& replies);

    // The bytes of every command connection accepted so far, in order; each
    // once the client has closed it.
    std::vector<std::string> Commands();
    std::size_t CommandCount() { return m_agent.ConnectionCount(); }

    ScriptedPeer& Agent() { return m_agent; }
    ScriptedPeer& Notify() { return m_notify; }


private:
    ScriptedPeer m_agent;
    ScriptedPeer m_notify;
};

// A timer of the GUI thread that counts its ticks once started; a server
// script wrapped by Delayed answers once the third tick has shown the GUI
// thread's loop running, or after 5 s when it never does.
class GuiHeartbeat {
public:
    GuiHeartbeat();

    void Start() { m_timer.start(10); }
    Script Delayed(Script then) const;
    int Ticks() const { return m_ticks; }

private:
    std::promise<void> m_beating;
    std::shared_future<void> m_beat;
    QTimer m_timer;
    int m_ticks = 0;
};

}  // namespace nimbo::test
