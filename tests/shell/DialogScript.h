#pragma once

#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

namespace nimbo {
class CTemplateDialog;
}

namespace nimbo::test {

// Plays the user at the application's modal dialogs. Each step runs when
// the active modal window changes to a dialog (one newly opened, or one
// uncovered by closing the dialog above it), in the order the steps were
// given, from inside that dialog's own event loop; a step typically fills
// in fields and presses a button. The script watches while it lives.
class DialogScript {
public:
    using Step = std::function<void(CTemplateDialog& dialog)>;

    DialogScript();

    DialogScript& Then(Step step);
    // True once every step has run and no modal window is open.
    bool Done() const;

    // Common steps.
    static Step Accept();
    static Step Reject();
    // Types `text` into the edit control `id`, then presses OK.
    static Step TypeAndAccept(int id, const QString& text);

private:
    void Watch();

    QTimer m_timer;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_lastSeen;
};

// Runs the event loop until `done` is true; false when a generous safety
// limit ran out first (the application never got there).
bool RunUntil(const std::function<bool()>& done);

// Presses the button with template identifier `id` of `dialog`.
void Press(CTemplateDialog& dialog, int id);

}  // namespace nimbo::test
