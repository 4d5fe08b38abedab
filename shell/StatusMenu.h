#pragma once

#include <QMenu>
#include <functional>

class QActionGroup;

namespace nimbo {

// The menu that sets the own presence: one checkable item per status word,
// then the status message. Each item sends its command to `command`; the
// menu shows the status it is told.
class StatusMenu : public QMenu {
    Q_OBJECT

public:
    StatusMenu(std::function<void(unsigned id)> command, QWidget* parent = nullptr);

    // Checks the item of `status`.
    void ShowStatus(int status);
    QAction* Action(unsigned id) const;

private:
    QActionGroup* m_statuses;
};

}  // namespace nimbo
