#include "shell/CStatusMenu.h"

#include <QActionGroup>

#include "shell/CommandIds.h"
#include "shell/OwnPresence.h"

namespace nimbo {

namespace {

constexpr const char* kCommandProperty = "nimboCommand";

}  // namespace

CStatusMenu::CStatusMenu(std::function<void(unsigned id)> command, QWidget* parent)
    : QMenu(QStringLiteral("상태(&S)"), parent), m_statuses(new QActionGroup(this)) {
    const auto add = [this, command](const QString& text, unsigned id) {
        QAction* action = addAction(text);
        action->setProperty(kCommandProperty, id);
        connect(action, &QAction::triggered, this, [command, id] { command(id); });
        return action;
    };
    for (unsigned id = ID_STATUS_ONLINE; id <= ID_STATUS_OFFLINE; ++id) {
        QAction* action = add(StatusLabel(StatusOfCommand(id)), id);
        action->setCheckable(true);
        m_statuses->addAction(action);
    }
    addSeparator();
    add(QStringLiteral("상태 메시지(&M)..."), ID_STATUS_MESSAGE);
}

void CStatusMenu::ShowStatus(int status) {
    if (QAction* action = Action(ID_STATUS_ONLINE + static_cast<unsigned>(status))) {
        action->setChecked(true);
    }
}

QAction* CStatusMenu::Action(unsigned id) const {
    for (QAction* action : actions()) {
        if (action->property(kCommandProperty).toUInt() == id && !action->isSeparator()) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace nimbo
