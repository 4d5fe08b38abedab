#include "tests/shell/AppFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>

#include "net/AgentProtocol.h"
#include "platform/CodePage.h"
#include "session/AgentHost.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/DesktopNotifier.h"
#include "shell/CLoginDlg.h"
#include "shell/CRegistryKey.h"
#include "shell/CommandIds.h"
#include "tests/support/AgentScripts.h"

namespace nimbo::test {

void AppFixture::SetUp() {
    ASSERT_TRUE(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void AppFixture::TearDown() {
    m_session.reset();
    m_app.reset();
}

void AppFixture::StartApp(const std::string& agentHost) {
    g_strAgentHost.Set(platform::CodePage::FromUtf8(agentHost));
    m_app = std::make_unique<CNimboApp>();
    m_session = std::make_unique<AgentSession>();
    ASSERT_TRUE(m_app->InitInstance(*m_session));
    m_app->GetNotifier()->SetDelivery(
        [this](const QString& summary, const QString& body) { m_notified << summary + u'|' + body; });
}

// The login command runs inside one event, so it has ended once the dialog
// is seen closed.
void AppFixture::EnterLogin(const QString& userId, const QString& password) {
    DialogScript script;
    script.Then([&](CTemplateDialog& dialog) {
        static_cast<QComboBox*>(dialog.Control(CLoginDlg::IDC_USER_ID))->setEditText(userId);
        static_cast<QLineEdit*>(dialog.Control(CLoginDlg::IDC_PASSWORD))->setText(password);
        Press(dialog, CTemplateDialog::IDOK);
    });
    ASSERT_TRUE(RunUntil([&] { return script.Done(); }));
}

void AppFixture::LogIn(const QString& userId, const QString& password) {
    EnterLogin(userId, password);
    ASSERT_EQ(Wnd().RecordedUserId(), userId);
}

void AppFixture::PostLogin() { platform::PostMessage(Frame().GetSafeHwnd(), WM_COMMAND, ID_LOGIN, 0); }

std::vector<std::string> AppFixture::Rows() const {
    std::vector<std::string> rows;
    const CBuddyListCtrl& list = Wnd().List();
    for (int i = 0; i < list.RowCount(); ++i) {
        const BuddyRow* row = list.RowAt(i);
        const QString message = list.IndexOf(i, 1).data().toString();
        std::string text = "[" + std::to_string(row->Image()) + "]" + (row->indent > 0 ? ">" : "");
        text += list.IndexOf(i).data().toString().toStdString();
        if (!message.isEmpty())
            text += " | " + message.toStdString();
        rows.push_back(text);
    }
    return rows;
}

void AppFixture::SelectRow(int index) {
    CBuddyListCtrl& list = Wnd().List();
    list.selectionModel()->setCurrentIndex(list.IndexOf(index),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString AppFixture::Saved(const char* name) const {
    QString value;
    CRegistryKey().ReadString(QString::fromLatin1(name), value);
    return value;
}

void AppFixture::Save(const char* name, const QString& value) const {
    CRegistryKey().WriteString(QString::fromLatin1(name), value);
}

QString AppFixture::SettingsFile() const { return m_settings.filePath(QStringLiteral("Halvorn/Nimbo.conf")); }

namespace {

const std::string STATUS_LIST = "OK\r\n<b>lee\r\nonline\r\n127.0.0.1\r\n0\r\n0\r\nlee\r\n\"\"</b>\r\n\r\n";

std::string GroupListReply() {
    const std::string document = platform::CodePage::ToWire(
        platform::CodePage::FromUtf8("<group name=\"친구\" type=\"0\" expand=\"1\">\nlee\n</group>\n"));
    return "OK\r\n" + Base64Of(document) + "\r\n\r\n";
}

}  // namespace

ScriptedServers::ScriptedServers(const std::string& address, const std::map<std::string, std::string>& replies)
    : m_agent(address, AGENT_PORT), m_notify(address, AGENT_PORT + 1) {
    m_agent.SetDefaultScript(AgentScript(address, replies));
    m_notify.SetDefaultScript(AcceptListener());
}

Script ScriptedServers::AgentScript(const std::string& address, const std::map<std::string, std::string>& replies) {
    std::map<std::string, std::string> all = replies;
    all.insert({{"login", LoginReply(address, AGENT_PORT + 1)},
                {"getlogonstatall", STATUS_LIST},
                {"getgroup", GroupListReply()}});
    return AnswerCommands(std::move(all));
}

std::vector<std::string> ScriptedServers::Commands() {
    std::vector<std::string> commands;
    const std::size_t count = m_agent.ConnectionCount();
    for (std::size_t i = 0; i < count; ++i)
        commands.push_back(m_agent.Received(i));
    return commands;
}

GuiHeartbeat::GuiHeartbeat() : m_beat(m_beating.get_future().share()) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (++m_ticks == 3)
            m_beating.set_value();
    });
}

Script GuiHeartbeat::Delayed(Script then) const {
    return [beat = m_beat, then = std::move(then)](PeerConnection& connection) {
        beat.wait_for(std::chrono::seconds(5));
        then(connection);
    };
}

}  // namespace nimbo::test
