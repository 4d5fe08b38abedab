#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <vector>

#include "buddies/CBuddyInfo.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "shell/ICommandHandler.h"
#include "tests/shell/Accessibility.h"

namespace nimbo {
namespace {

// The pane's command handler: records what it is offered, and whether the
// frame was still on screen at that moment; handles the commands it claims.
class RecordingHandler : public ICommandHandler {
public:
    explicit RecordingHandler(const CMainFrame& frame) : m_frame(frame) {}

    bool OnCommand(unsigned id) override {
        offered.push_back(id);
        frameVisible.push_back(m_frame.isVisible());
        return std::find(claimed.begin(), claimed.end(), id) != claimed.end();
    }

    std::vector<unsigned> claimed;
    std::vector<unsigned> offered;
    std::vector<bool> frameVisible;

private:
    const CMainFrame& m_frame;
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_list = new CBuddyListCtrl;
        m_frame.SetPane(m_list, &m_handler);
        m_frame.resize(400, 300);
        m_frame.show();
        m_frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    }

    QMenu* MenuTitled(const QString& title) {
        for (QAction* action : m_frame.menuBar()->actions()) {
            if (action->text() == title) {
                return action->menu();
            }
        }
        return nullptr;
    }

    // The menu's items as "text=id" ("-" for a separator), ids as the pane sees them.
    std::vector<std::pair<QString, unsigned>> MenuItemsOf(QMenu* menu) {
        std::vector<std::pair<QString, unsigned>> items;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                items.emplace_back(QStringLiteral("-"), 0);
                continue;
            }
            m_handler.offered.clear();
            action->trigger();
            items.emplace_back(action->text(), m_handler.offered.empty() ? 0 : m_handler.offered.front());
        }
        return items;
    }

    // Settings of the test's own, there before the frame reads them.
    struct OwnSettings {
        OwnSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path()); }
        QTemporaryDir folder;
    } m_settings;
    CMainFrame m_frame;
    RecordingHandler m_handler{m_frame};
    CBuddyListCtrl* m_list = nullptr;
};

using MenuItems = std::vector<std::pair<QString, unsigned>>;

TEST_F(MainFrameTest, TitleIsTheFirstFieldOfTheFrameString) {
    EXPECT_EQ(m_frame.windowTitle(), QStringLiteral("오르반티스 님보(Nimbo) - 로그아웃 상태"));
    EXPECT_FALSE(m_frame.windowIcon().isNull());
}

TEST_F(MainFrameTest, MenusCarryTheirItemsAndCommands) {
    QStringList titles;
    for (QAction* action : m_frame.menuBar()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("파일"), QStringLiteral("상태(&S)"), QStringLiteral("친구"),
                                   QStringLiteral("도움말")}));

    m_handler.claimed = {ID_LOGIN, ID_LOGOUT, ID_APP_EXIT, ID_SEND_NOTE, ID_SEND_FILE, ID_REFRESH, ID_APP_ABOUT};
    EXPECT_EQ(MenuItemsOf(MenuTitled(QStringLiteral("파일"))),
              (MenuItems{{QStringLiteral("로그인(&I)"), 32771},
                         {QStringLiteral("로그아웃(&O)"), 32772},
                         {QStringLiteral("-"), 0},
                         {QStringLiteral("트레이로 최소화(&T)"), 0},  // without a tray it cannot be chosen
                         {QStringLiteral("-"), 0},
                         {QStringLiteral("종료(&X)"), 57665}}));
    EXPECT_EQ(MenuItemsOf(MenuTitled(QStringLiteral("상태(&S)"))),
              (MenuItems{{QStringLiteral("온라인"), 32776},
                         {QStringLiteral("자리 비움"), 32777},
                         {QStringLiteral("바쁨"), 32778},
                         {QStringLiteral("식사 중"), 32779},
                         {QStringLiteral("오프라인으로 표시"), 32780},
                         {QStringLiteral("오프라인"), 32781},
                         {QStringLiteral("-"), 0},
                         {QStringLiteral("상태 메시지(&M)..."), 32782}}));
    EXPECT_EQ(MenuItemsOf(MenuTitled(QStringLiteral("친구"))),
              (MenuItems{{QStringLiteral("쪽지 보내기(&M)"), 32773},
                     {QStringLiteral("파일 보내기(&F)"), 32775},
                     {QStringLiteral("-"), 0},
                     {QStringLiteral("새로고침(&R)"), 32774}}));
    EXPECT_EQ(MenuItemsOf(MenuTitled(QStringLiteral("도움말"))), (MenuItems{{QStringLiteral("님보 정보(&I)"), 57664}}));
    EXPECT_EQ(m_frame.BuddyMenu(), MenuTitled(QStringLiteral("친구")));
    EXPECT_TRUE(m_frame.isVisible());
}

TEST_F(MainFrameTest, ToolBarHasSendNoteSeparatorAbout) {
    QToolBar* bar = m_frame.CommandBar();
    const QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0], m_frame.Action(ID_SEND_NOTE));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2], m_frame.Action(ID_APP_ABOUT));
    EXPECT_EQ(bar->iconSize(), QSize(16, 16));
    EXPECT_EQ(actions[0]->icon().availableSizes().value(0), QSize(16, 16));
    EXPECT_EQ(actions[2]->toolTip(), QStringLiteral("About"));
    EXPECT_EQ(actions[0]->toolTip(), QStringLiteral("쪽지 보내기"));
    EXPECT_EQ(m_frame.Action(ID_APP_EXIT)->toolTip(), QStringLiteral("Exit"));

    m_handler.claimed = {ID_SEND_NOTE};
    QTest::mouseClick(bar->widgetForAction(actions[0]), Qt::LeftButton);
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_SEND_NOTE}));
}

TEST_F(MainFrameTest, CommandsAreOfferedToThePaneFirst) {
    m_handler.claimed = {ID_APP_EXIT};
    EXPECT_TRUE(m_frame.OnCmdMsg(ID_APP_EXIT));
    EXPECT_TRUE(m_frame.isVisible());  // the pane took it; the frame never saw it

    EXPECT_FALSE(m_frame.OnCmdMsg(ID_REFRESH));  // nobody handles it
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_APP_EXIT, ID_REFRESH}));
}

TEST_F(MainFrameTest, F1AsksForHelpThroughThePane) {
    m_handler.claimed = {ID_HELP};
    QTest::keyClick(m_list, Qt::Key_F1);
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_HELP}));
}

TEST_F(MainFrameTest, HelpThatThePaneLeavesIsShownByTheFrame) {
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        box->accept();
    });
    QTest::keyClick(m_list, Qt::Key_F1);
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_HELP}));
    EXPECT_EQ(title, QStringLiteral("님보"));
}

TEST_F(MainFrameTest, StandardEditingKeysDoNothing) {
    BuddyTable buddies;
    m_list->Refill({BuddyRow{.buddy = &buddies.Store(BuddyTexts{.userId = u"kim"})}});
    m_list->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("before"));

    QTest::keyClick(m_list, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(m_list, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(m_list, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_EDIT_COPY, ID_EDIT_COPY, ID_FILE_NEW}));
    EXPECT_TRUE(m_frame.isVisible());
}

TEST_F(MainFrameTest, ClosingLogsOutBeforeTheWindowGoes) {
    EXPECT_TRUE(m_frame.close());
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_LOGOUT}));
    EXPECT_EQ(m_handler.frameVisible, (std::vector<bool>{true}));
    EXPECT_FALSE(m_frame.isVisible());
}

// Chosen where a tray exists and remembered, closing or minimising hides
// the window, signed in; the exit command still logs out and ends.
TEST_F(MainFrameTest, MinimiseToTrayHidesTheWindowUntilExit) {
    QAction* toTray = m_frame.Action(ID_MINIMIZE_TO_TRAY);
    EXPECT_FALSE(toTray->isChecked());
    m_frame.SetTrayAvailable(true);
    toTray->trigger();
    EXPECT_TRUE(CMainFrame().Action(ID_MINIMIZE_TO_TRAY)->isChecked());

    m_handler.offered.clear();
    EXPECT_FALSE(m_frame.close());
    EXPECT_FALSE(m_frame.isVisible());
    m_frame.OnCmdMsg(ID_SHOW_HIDE);
    EXPECT_TRUE(m_frame.isVisible());
    m_frame.showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_frame.isVisible(); }));
    m_frame.OnCmdMsg(ID_SHOW_HIDE);
    EXPECT_TRUE(m_frame.isVisible() && !m_frame.isMinimized());
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_SHOW_HIDE, ID_SHOW_HIDE}));

    m_frame.OnCmdMsg(ID_APP_EXIT);
    EXPECT_FALSE(m_frame.isVisible());
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_SHOW_HIDE, ID_SHOW_HIDE, ID_APP_EXIT, ID_LOGOUT}));
}

// A screen reader names every control; F10 opens the menus, which hold
// every command, so the keyboard reaches all of them.
TEST_F(MainFrameTest, ControlsAreNamedAndTheMenusOpenFromTheKeyboard) {
    EXPECT_EQ(test::UnnamedControls(m_frame).join(u'/').toStdString(), "");
    QTest::keyClick(m_list, Qt::Key_F10);
    EXPECT_EQ(m_frame.menuBar()->activeAction(), m_frame.menuBar()->actions().value(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return MenuTitled(QStringLiteral("파일"))->isVisible(); }));
    MenuTitled(QStringLiteral("파일"))->close();
}

// Sharp on a screen scaled to 200 %: every icon holds an image drawn at
// twice its size, not its own image enlarged.
TEST_F(MainFrameTest, IconsCarryImagesDrawnForScreensScaledTo200Percent) {
    const auto doubled = [](const QIcon& icon, int size) {
        return icon.pixmap(QSize(size, size), 2.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const auto resource = [](const QString& name) {
        return QImage(QStringLiteral(":/icons/%1@2x.png").arg(name)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const QImage strip = resource(QStringLiteral("toolbar"));
    ASSERT_EQ(strip.size(), QSize(64, 32));
    EXPECT_EQ(doubled(m_frame.Action(ID_SEND_NOTE)->icon(), 16), strip.copy(0, 0, 32, 32));
    EXPECT_EQ(doubled(m_frame.Action(ID_APP_ABOUT)->icon(), 16), strip.copy(32, 0, 32, 32));
    EXPECT_EQ(doubled(m_frame.windowIcon(), 32), resource(QStringLiteral("nimbo")));
    const char* names[] = {"group-collapsed", "group-expanded", "status-online", "status-offline",
                           "status-food",     "status-absence", "status-busy"};
    for (int i = 0; i < CBuddyListCtrl::IMAGE_COUNT; ++i) {
        EXPECT_EQ(doubled(m_list->Image(i), 16), resource(QString::fromLatin1(names[i]))) << names[i];
    }
}

TEST_F(MainFrameTest, ExitCommandEndsInTheSameSequence) {
    m_frame.Action(ID_APP_EXIT)->trigger();
    EXPECT_EQ(m_handler.offered, (std::vector<unsigned>{ID_APP_EXIT, ID_LOGOUT}));
    EXPECT_EQ(m_handler.frameVisible, (std::vector<bool>{true, true}));
    EXPECT_FALSE(m_frame.isVisible());
}

}  // namespace
}  // namespace nimbo
