#include "shell/StatusMenu.h"

#include <QActionGroup>

#include "shell/CommandIds.h"
#include "shell/OwnPresence.h"

namespace nimbo {

namespace {

constexpr const char* COMMAND_PROPERTY = "nimboCommand";

}  // namespace

StatusMenu::StatusMenu(std::function<void(unsigned id)> command, QWidget* parent)
    : QMenu(QStringLiteral("상태(&S)"), parent), m_statuses(new QActionGroup(this)) {
    const auto add = [this, command](const QString& text, unsigned id) {
        QAction* action = addAction(text);
        action->setProperty(COMMAND_PROPERTY, id);
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

void StatusMenu::ShowStatus(int status) {
    if (QAction* action = Action(ID_STATUS_ONLINE + static_cast<unsigned>(status))) {
        action->setChecked(true);
    }
}

QAction* StatusMenu::Action(unsigned id) const {
    for (QAction* action : actions()) {
        if (action->property(COMMAND_PROPERTY).toUInt() == id && !action->isSeparator()) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace nimbo
