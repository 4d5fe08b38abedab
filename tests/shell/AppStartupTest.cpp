// Start-up, login, logout, refresh and shutdown, with the exact commands the
// agent server receives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <algorithm>
#include <chrono>

#include <QMenu>
#include <future>

#include "shell/AppStyle.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CLoginDlg.h"
#include "shell/CMainFrame.h"
#include "shell/CNoteDlg.h"
#include "shell/CRegistryKey.h"
#include "shell/StatusMenu.h"
#include "shell/StatusMessageDlg.h"
#include "shell/TrayIcon.h"
#include "shell/CommandIds.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/MessageBoxRecorder.h"
#include "tests/support/AgentScripts.h"

namespace nimbo::test {
namespace {

using Commands = std::vector<std::string>;

const std::string LOGIN = "login kim cGFzcw== 0 0\r\n";
const std::string ONLINE = AUTH_LINE + "setlogonstat online UG9ja2V0UEM=\r\n";
const std::string FETCH_STATUS = AUTH_LINE + "getlogonstatall\r\n";
const std::string FETCH_GROUPS = AUTH_LINE + "getgroup\r\n";
const std::string OFFLINE = AUTH_LINE + "setlogonstat offline \r\n";
const std::string LOGOUT = AUTH_LINE + "logout\r\n";
const std::vector<std::string> LEE_ROWS = {"[1]친구", "[2]> lee(lee)"};
// Signed out, nobody's presence is known any more.
const std::vector<std::string> LEE_OFFLINE_ROWS = {"[1]친구", "[3]> lee(lee)"};

mode_t Mode(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

const QString TITLE = QStringLiteral("오르반티스 님보(Nimbo) - ");
const QString LOST = QStringLiteral("서버와의 연결이 끊어졌습니다. 다시 로그인하십시오.");

class AppStartupTest : public AppFixture {};

TEST_F(AppStartupTest, LoginDialogOpensAtStartAndCancelStaysLoggedOutWithoutTraffic) {
    ScriptedServers servers("127.0.11.1");
    StartApp("127.0.11.1");
    QString shownTitle;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        shownTitle = dialog.windowTitle();
        Press(dialog, CTemplateDialog::IDCANCEL);
    });
    ASSERT_TRUE(RunUntil([&] { return script.Done(); }));

    EXPECT_EQ(shownTitle, QStringLiteral("로그인"));
    EXPECT_TRUE(Frame().isVisible());
    // The Korean texts are set in a family that has them (the test
    // platform's default has no Hangul).
    EXPECT_TRUE(QFontDatabase::writingSystems(Frame().font().family()).contains(QFontDatabase::Korean));
    // Over the style the platform chose, which draws the extension arrows.
    const auto* style = dynamic_cast<const AppStyle*>(Frame().style());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->baseStyle()->name(), QStringLiteral("fusion"));
    EXPECT_FALSE(style->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16).toImage().isNull());
    EXPECT_TRUE(Wnd().RecordedUserId().isEmpty());
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(QFile::exists(SettingsFile()));  // cancelling writes nothing

    Command(ID_LOGOUT);
    Command(ID_REFRESH);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(servers.CommandCount(), 0u);
    EXPECT_EQ(servers.Notify().ConnectionCount(), 0u);
}

TEST_F(AppStartupTest, ConfirmedLoginSavesTheValuesSignsInOnlineAndFetches) {
    ScriptedServers servers("127.0.11.2");
    Save(CRegistryKey::USER_ID_VALUE, QStringLiteral("kim"));
    Save(CRegistryKey::PASSWORD_VALUE, QStringLiteral("old"));
    StartApp("127.0.11.2");

    QString offeredId;
    QString offeredPassword;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        auto* password = static_cast<QLineEdit*>(dialog.Control(CLoginDlg::IDC_PASSWORD));
        offeredId = static_cast<QComboBox*>(dialog.Control(CLoginDlg::IDC_USER_ID))->currentText();
        offeredPassword = password->text();
        password->setText(QStringLiteral("pass"));
        Press(dialog, CTemplateDialog::IDOK);
    });
    ASSERT_TRUE(RunUntil([&] { return script.Done() && !Rows().empty(); }));

    EXPECT_EQ(offeredId, QStringLiteral("kim"));
    EXPECT_EQ(offeredPassword, QStringLiteral("old"));
    EXPECT_EQ(Saved(CRegistryKey::USER_ID_VALUE), QStringLiteral("kim"));
    EXPECT_EQ(Saved(CRegistryKey::PASSWORD_VALUE), QStringLiteral("pass"));
    EXPECT_EQ(Mode(SettingsFile()), 0600u);
    EXPECT_EQ(Mode(QFileInfo(SettingsFile()).absolutePath()), 0700u);

    EXPECT_EQ(Wnd().RecordedUserId(), QStringLiteral("kim"));
    EXPECT_EQ(Rows(), LEE_ROWS);
    EXPECT_TRUE(Wnd().List().selectionModel()->isRowSelected(0));
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS}));
    // The listener connects on its own thread, maybe after the rows are shown.
    EXPECT_TRUE(RunUntil([&] { return servers.Notify().ConnectionCount() == 1u; }));
}

TEST_F(AppStartupTest, LogoutSendsOfflineThenLogoutAndKeepsTheRows) {
    ScriptedServers servers("127.0.11.3");
    StartApp("127.0.11.3");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    ASSERT_EQ(servers.CommandCount(), 4u);

    Command(ID_LOGOUT);
    EXPECT_TRUE(Wnd().RecordedUserId().isEmpty());
    EXPECT_EQ(Rows(), LEE_OFFLINE_ROWS);
    Command(ID_LOGOUT);  // logged out: nothing more
    Command(ID_REFRESH);
    EXPECT_EQ(Rows(), LEE_OFFLINE_ROWS);
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS, OFFLINE, LOGOUT}));
}

TEST_F(AppStartupTest, RefreshFetchesBothListsAgain) {
    ScriptedServers servers("127.0.11.4");
    StartApp("127.0.11.4");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    Command(ID_REFRESH);
    EXPECT_EQ(Rows(), LEE_ROWS);
    EXPECT_EQ(servers.Commands(),
              (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS, FETCH_STATUS, FETCH_GROUPS}));
}

TEST_F(AppStartupTest, ClosingWhileLoggedInLogsOutBeforeTheWindowGoes) {
    ScriptedServers servers("127.0.11.5");
    StartApp("127.0.11.5");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    EXPECT_TRUE(Frame().close());
    // The frame still exists here; the server has had both commands.
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(servers.CommandCount(), 6u);
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS, OFFLINE, LOGOUT}));
}

TEST_F(AppStartupTest, ExitCommandLogsOutAndClosesTheSameWay) {
    ScriptedServers servers("127.0.11.6");
    StartApp("127.0.11.6");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    Frame().Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS, OFFLINE, LOGOUT}));
}

TEST_F(AppStartupTest, LostNotificationConnectionLogsOutWithoutTraffic) {
    ScriptedServers servers("127.0.11.7");
    servers.Notify().SetDefaultScript(AcceptListener([](PeerConnection& connection) { connection.Abort(); }));
    StartApp("127.0.11.7");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    ASSERT_TRUE(RunUntil([&] { return Wnd().RecordedUserId().isEmpty(); }));
    EXPECT_EQ(Rows(), LEE_OFFLINE_ROWS);
    EXPECT_TRUE(Frame().close());  // logged out: closing sends nothing
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS}));
}

// An unreachable server, then one that refuses the password: each time one
// box says why, the window stays signed out, and nothing is sent after.
TEST_F(AppStartupTest, FailedSignInSaysWhyAndStaysSignedOut) {
    Save(CRegistryKey::USER_ID_VALUE, QStringLiteral("kim"));
    Save(CRegistryKey::PASSWORD_VALUE, QStringLiteral("old"));
    StartApp("127.0.11.8");
    MessageBoxRecorder boxes;
    EnterLogin(QStringLiteral("kim"), QStringLiteral("pass"));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::u16string>{
                                 u"서버(127.0.11.8)에 연결할 수 없습니다. (Connect error #111 (Connection refused))"}));
    EXPECT_EQ(Saved(CRegistryKey::PASSWORD_VALUE), QStringLiteral("pass"));  // unreachable: kept

    ScriptedServers servers("127.0.11.8", {{"login", "ERR 401\r\nmessage=wrong password\r\n\r\n"}});
    PostLogin();
    EnterLogin(QStringLiteral("kim"), QStringLiteral("wrong"));
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Texts()[1], u"서버가 ID 또는 비밀번호를 받아들이지 않았습니다. (401 wrong password)");
    EXPECT_EQ(Saved(CRegistryKey::PASSWORD_VALUE), QStringLiteral("pass"));  // refused: not kept

    EXPECT_TRUE(Wnd().RecordedUserId().isEmpty());
    EXPECT_EQ(Frame().windowTitle(), TITLE + QStringLiteral("로그아웃 상태"));
    Command(ID_REFRESH);
    Command(ID_LOGOUT);
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(servers.Commands(), (Commands{"login kim d3Jvbmc= 0 0\r\n"}));
}

TEST_F(AppStartupTest, SignedInStateShowsTheUserAndSignedOutSaysSo) {
    ScriptedServers servers("127.0.11.9");
    StartApp("127.0.11.9");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    EXPECT_EQ(Frame().windowTitle(), TITLE + QStringLiteral("kim"));
    EXPECT_EQ(Frame().StatusText(), QStringLiteral("kim · 온라인 · PocketPC"));
    EXPECT_EQ(Frame().NoticeText(), QString());
    Command(ID_LOGOUT);
    EXPECT_EQ(Frame().windowTitle(), TITLE + QStringLiteral("로그아웃 상태"));
    EXPECT_EQ(Frame().StatusText(), QStringLiteral("로그아웃 상태"));
}

// The choice is sent at once, kept, and announced instead of the default at
// the next sign-in.
TEST_F(AppStartupTest, OwnPresenceIsSetKeptAndRestoredAtTheNextSignIn) {
    ScriptedServers servers("127.0.21.10");
    StartApp("127.0.21.10");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    Frame().GetStatusMenu()->actions().at(2)->trigger();  // 바쁨
    DialogScript script;
    script.Then(DialogScript::TypeAndAccept(StatusMessageDlg::IDC_MESSAGE, QStringLiteral("회의 중")));
    Command(ID_STATUS_MESSAGE);
    EXPECT_EQ(Frame().StatusText(), QStringLiteral("kim · 바쁨 · 회의 중"));
    EXPECT_TRUE(Frame().GetStatusMenu()->actions().at(2)->isChecked());
    Command(ID_LOGOUT);
    PostLogin();
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    const std::string busy = AUTH_LINE + "setlogonstat busy yLjAxyDB3w==\r\n";  // "회의 중"
    EXPECT_EQ(servers.Commands(),
              (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS, AUTH_LINE + "setlogonstat busy \r\n",
                        FETCH_STATUS, FETCH_GROUPS, busy, FETCH_STATUS, FETCH_GROUPS, OFFLINE, LOGOUT, LOGIN, busy,
                        FETCH_STATUS, FETCH_GROUPS}));
    EXPECT_EQ(Saved("Status"), QStringLiteral("busy"));
}

TEST_F(AppStartupTest, TrayMenuShowsHidesSetsStatusSignsOutAndExits) {
    ScriptedServers servers("127.0.21.11");
    StartApp("127.0.21.11");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    TrayIcon& tray = *m_app->GetTrayIcon();
    EXPECT_EQ(tray.Icon().toolTip(), QStringLiteral("님보 — kim · 온라인 · PocketPC"));

    tray.Action(ID_SHOW_HIDE)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    tray.Action(ID_SHOW_HIDE)->trigger();
    EXPECT_TRUE(Frame().isVisible());
    tray.Action(ID_STATUS_ONLINE + 1)->trigger();  // 자리 비움
    tray.Action(ID_LOGOUT)->trigger();
    EXPECT_EQ(tray.Icon().toolTip(), QStringLiteral("님보 — 로그아웃 상태"));
    tray.Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(servers.Commands(), (Commands{LOGIN, ONLINE, FETCH_STATUS, FETCH_GROUPS,
                                            AUTH_LINE + "setlogonstat absence \r\n", FETCH_STATUS, FETCH_GROUPS,
                                            OFFLINE, LOGOUT}));
}

// A lost connection is told in the status bar, and on the desktop when the
// window is out of sight, with no box to answer.
TEST_F(AppStartupTest, LostConnectionIsToldWithoutABox) {
    ScriptedServers servers("127.0.21.12");
    std::promise<void> drop;
    servers.Notify().SetDefaultScript(AcceptListener([dropped = drop.get_future().share()](PeerConnection& c) {
        dropped.wait();
        c.Abort();
    }));
    StartApp("127.0.21.12");
    MessageBoxRecorder boxes;
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    ASSERT_TRUE(RunUntil([&] { return servers.Notify().ConnectionCount() == 1u; }));
    Frame().hide();
    drop.set_value();

    ASSERT_TRUE(RunUntil([&] { return Wnd().RecordedUserId().isEmpty(); }));
    EXPECT_EQ(Frame().NoticeText(), LOST);
    EXPECT_EQ(m_notified, QStringList{QStringLiteral("님보|") + LOST});
    EXPECT_EQ(boxes.Count(), 0u);
}

// The server takes its time over the status list; meanwhile the window
// repaints and a timer of the GUI thread fires, and a note that arrives is
// shown only after the refreshed list.
TEST_F(AppStartupTest, WindowRepaintsWhileTheServerIsSlowAndMessagesWaitTheirTurn) {
    ScriptedServers servers("127.0.21.13");
    GuiHeartbeat heartbeat;
    servers.Notify().SetDefaultScript(AcceptListener(
        heartbeat.Delayed([](PeerConnection& c) { c.Send("peercall lee instmsg " + Base64Of("hi") + "\r\n\r\n"); })));
    StartApp("127.0.21.13");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    ASSERT_TRUE(RunUntil([&] { return servers.Notify().ConnectionCount() == 1u; }));
    Wnd().List().Refill(std::vector<BuddyRow>());

    servers.Agent().SetDefaultScript(heartbeat.Delayed(ScriptedServers::AgentScript(
        "127.0.21.13",
        {{"getlogonstatall", "OK\r\n<b>lee\r\nbusy\r\n127.0.0.1\r\n0\r\n0\r\nlee\r\n\"\"</b>\r\n\r\n"}})));
    QString noteSeenWith;
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        noteSeenWith = QString::fromStdString(Rows().empty() ? "(no rows)" : Rows().back());
        Press(dialog, CTemplateDialog::IDCANCEL);
    });
    heartbeat.Start();
    Command(ID_REFRESH);
    EXPECT_GE(heartbeat.Ticks(), 3);
    ASSERT_TRUE(RunUntil([&] { return script.Done() && !noteSeenWith.isEmpty(); }));
    EXPECT_EQ(noteSeenWith, QStringLiteral("[6]> lee(lee)"));
}

// One fetch at once and one standing for the rest, at most one a second.
TEST_F(AppStartupTest, ABurstOfLogonNoticesIsFollowedByFewFetches) {
    ScriptedServers servers("127.0.11.21");
    std::string burst;
    for (int i = 0; i < 50; ++i)
        burst += "notify logon lee\r\n\r\n";
    servers.Notify().SetDefaultScript(AcceptListener([burst](PeerConnection& c) { c.Send(burst); }));
    const auto began = std::chrono::steady_clock::now();
    StartApp("127.0.11.21");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    const auto fetches = [&] {
        const Commands commands = servers.Commands();
        return std::count(commands.begin(), commands.end(), FETCH_STATUS);
    };
    ASSERT_TRUE(RunUntil([&] { return fetches() >= 3; }));  // the login's, then two
    EXPECT_TRUE(Frame().close());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began);
    EXPECT_LE(fetches(), 3 + seconds.count());
}

}  // namespace
}  // namespace nimbo::test
