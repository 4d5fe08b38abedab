#include "tests/shell/ScriptedFileChooser.h"

#include <QTimer>
#include <utility>

namespace nimbo::test {

void ScriptedFileChooser::ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) {
    Ask(Kind::Open, parent, initial, std::move(chosen));
}

void ScriptedFileChooser::ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) {
    Ask(Kind::Save, parent, initial, std::move(chosen));
}

void ScriptedFileChooser::Answer(const QString& path) {
    m_answers.push_back(path);
    Match();
}

void ScriptedFileChooser::Ask(Kind kind, QWidget* parent, const QString& initial, Chosen chosen) {
    m_requests.push_back({kind, initial});
    m_waiting.push_back({parent, std::move(chosen)});
    Match();
}

// The answer arrives later, from the event loop, and never for a window
// that has gone: as from a dialog owned by that window.
void ScriptedFileChooser::Match() {
    while (!m_waiting.empty() && !m_answers.empty()) {
        Pending pending = std::move(m_waiting.front());
        m_waiting.pop_front();
        QString path = std::move(m_answers.front());
        m_answers.pop_front();
        if (pending.parent) {
            QTimer::singleShot(0, pending.parent.data(),
                               [chosen = std::move(pending.chosen), path] { chosen(path); });
        }
    }
}

}  // namespace nimbo::test
