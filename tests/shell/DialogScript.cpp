#include "tests/shell/DialogScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "shell/CTemplateDialog.h"

namespace nimbo::test {
namespace {

constexpr int POLL_MILLISECONDS = 5;
constexpr int SAFETY_LIMIT_MILLISECONDS = 60000;

}  // namespace

DialogScript::DialogScript() {
    m_timer.setInterval(POLL_MILLISECONDS);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Watch(); });
    m_timer.start();
}

DialogScript& DialogScript::Then(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

bool DialogScript::Done() const { return m_steps.empty() && QApplication::activeModalWidget() == nullptr; }

// The step leaves the dialog on screen or ends it; either way the next
// change of the active modal window is the next step's turn.
void DialogScript::Watch() {
    QWidget* active = QApplication::activeModalWidget();
    if (active == nullptr || active == m_lastSeen || m_steps.empty())
        return;
    auto* dialog = qobject_cast<CTemplateDialog*>(active);
    if (dialog == nullptr || !dialog->isVisible())
        return;
    m_lastSeen = active;
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(*dialog);
}

DialogScript::Step DialogScript::Accept() {
    return [](CTemplateDialog& dialog) { Press(dialog, CTemplateDialog::IDOK); };
}

DialogScript::Step DialogScript::Reject() {
    return [](CTemplateDialog& dialog) { Press(dialog, CTemplateDialog::IDCANCEL); };
}

DialogScript::Step DialogScript::TypeAndAccept(int id, const QString& text) {
    return [id, text](CTemplateDialog& dialog) {
        QWidget* control = dialog.Control(id);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(text);
        else if (auto* multiLine = qobject_cast<QPlainTextEdit*>(control))
            multiLine->setPlainText(text);
        Press(dialog, CTemplateDialog::IDOK);
    };
}

bool RunUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(SAFETY_LIMIT_MILLISECONDS);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, POLL_MILLISECONDS);
        QTest::qSleep(1);
    }
    return true;
}

void Press(CTemplateDialog& dialog, int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(dialog.Control(id)))
        button->click();
}

}  // namespace nimbo::test
