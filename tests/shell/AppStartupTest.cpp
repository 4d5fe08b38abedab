// Start-up, login, logout, refresh and shutdown, with the exact commands the
// agent server receives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>
#include <chrono>

#include "shell/CBuddyListCtrl.h"
#include "shell/CLoginDlg.h"
#include "shell/CRegistryKey.h"
#include "shell/CommandIds.h"
#include "tests/shell/AppFixture.h"
#include "tests/support/AgentScripts.h"

namespace nimbo::test {
namespace {

using Commands = std::vector<std::string>;

const std::string kLogin = "login kim cGFzcw== 0 0\r\n";
const std::string kOnline = AUTH_LINE + "setlogonstat online UG9ja2V0UEM=\r\n";
const std::string kFetchStatus = AUTH_LINE + "getlogonstatall\r\n";
const std::string kFetchGroups = AUTH_LINE + "getgroup\r\n";
const std::string kOffline = AUTH_LINE + "setlogonstat offline \r\n";
const std::string kLogout = AUTH_LINE + "logout\r\n";
const std::vector<std::string> kLeeRows = {"[1]친구", "[2]> lee(lee)"};

mode_t Mode(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

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
    EXPECT_EQ(Rows(), kLeeRows);
    EXPECT_TRUE(Wnd().List().topLevelItem(0)->isSelected());
    EXPECT_EQ(servers.Commands(), (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups}));
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
    EXPECT_EQ(Rows(), kLeeRows);
    Command(ID_LOGOUT);  // logged out: nothing more
    Command(ID_REFRESH);
    EXPECT_EQ(Rows(), kLeeRows);
    EXPECT_EQ(servers.Commands(), (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups, kOffline, kLogout}));
}

TEST_F(AppStartupTest, RefreshFetchesBothListsAgain) {
    ScriptedServers servers("127.0.11.4");
    StartApp("127.0.11.4");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    Command(ID_REFRESH);
    EXPECT_EQ(Rows(), kLeeRows);
    EXPECT_EQ(servers.Commands(),
              (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups, kFetchStatus, kFetchGroups}));
}

TEST_F(AppStartupTest, ClosingWhileLoggedInLogsOutBeforeTheWindowGoes) {
    ScriptedServers servers("127.0.11.5");
    StartApp("127.0.11.5");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    EXPECT_TRUE(Frame().close());
    // The frame still exists here; the server has had both commands.
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(servers.CommandCount(), 6u);
    EXPECT_EQ(servers.Commands(), (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups, kOffline, kLogout}));
}

TEST_F(AppStartupTest, ExitCommandLogsOutAndClosesTheSameWay) {
    ScriptedServers servers("127.0.11.6");
    StartApp("127.0.11.6");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    Frame().Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(servers.Commands(), (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups, kOffline, kLogout}));
}

TEST_F(AppStartupTest, LostNotificationConnectionLogsOutWithoutTraffic) {
    ScriptedServers servers("127.0.11.7");
    servers.Notify().SetDefaultScript(AcceptListener([](PeerConnection& connection) { connection.Abort(); }));
    StartApp("127.0.11.7");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));

    ASSERT_TRUE(RunUntil([&] { return Wnd().RecordedUserId().isEmpty(); }));
    EXPECT_EQ(Rows(), kLeeRows);
    EXPECT_TRUE(Frame().close());  // logged out: closing sends nothing
    EXPECT_EQ(servers.Commands(), (Commands{kLogin, kOnline, kFetchStatus, kFetchGroups}));
}

// One fetch at once and one standing for the rest, at most one a second.
TEST_F(AppStartupTest, ABurstOfLogonNoticesIsFollowedByFewFetches) {
    ScriptedServers servers("127.0.11.8");
    std::string burst;
    for (int i = 0; i < 50; ++i)
        burst += "notify logon lee\r\n\r\n";
    servers.Notify().SetDefaultScript(AcceptListener([&burst](PeerConnection& c) { c.Send(burst); }));
    const auto began = std::chrono::steady_clock::now();
    StartApp("127.0.11.8");
    LogIn(QStringLiteral("kim"), QStringLiteral("pass"));
    const auto fetches = [&] {
        const Commands commands = servers.Commands();
        return std::count(commands.begin(), commands.end(), kFetchStatus);
    };
    ASSERT_TRUE(RunUntil([&] { return fetches() >= 3; }));  // the login's, then two
    EXPECT_TRUE(Frame().close());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began);
    EXPECT_LE(fetches(), 3 + seconds.count());
}

}  // namespace
}  // namespace nimbo::test
