#pragma once

#include <QHash>
#include <QMainWindow>

class QAction;
class QMenu;
class QToolBar;

namespace nimbo {

class ICommandHandler;

// The application's one top-level window: title, menu bar, tool bar and
// accelerators, with a single pane as its central window. Every command is
// offered to the pane's handler first and only then handled by the frame.
// Closing the frame, by its close control or the exit command, first makes
// the pane log out.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Makes `pane` the frame's central window (the frame owns it) and
    // `handler` the first receiver of every command; either may be null.
    void SetPane(QWidget* pane, ICommandHandler* handler);

    // Routes command `id`: the pane's handler, then the frame. Returns true
    // when one of them handled it.
    bool OnCmdMsg(unsigned id);

    // The buddy commands' menu ("친구"), also the buddy list's popup menu.
    QMenu* BuddyMenu() const { return m_buddyMenu; }

    // The menu or tool bar action of command `id`, or nullptr.
    QAction* Action(unsigned id) const { return m_actions.value(id, nullptr); }

    QToolBar* CommandBar() const { return m_commandBar; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateCommandBar();
    void CreateAccelerators();
    QAction* AddAction(QMenu* menu, const QString& text, unsigned id);
    bool OnFrameCommand(unsigned id);
    void OnHelp();

    ICommandHandler* m_handler = nullptr;
    QHash<unsigned, QAction*> m_actions;
    QMenu* m_buddyMenu = nullptr;
    QToolBar* m_commandBar = nullptr;
};

}  // namespace nimbo
