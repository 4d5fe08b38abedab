#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

#include "shell/IFileChooser.h"

namespace nimbo::test {

// Plays the user at the file dialogs of transfer windows: answers each
// request with the next answer given (a path, or an empty text for
// cancel), from the event loop as a real dialog does. A request that comes
// before its answer waits for it.
class ScriptedFileChooser : public IFileChooser {
public:
    enum class Kind { Open, Save };

    struct Request {
        Kind kind;
        QString initial;
    };

    void ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) override;
    void ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) override;

    // The answer to the next request; an empty path cancels.
    void Answer(const QString& path);
    void Cancel() { Answer(QString()); }

    // Every request so far, in order.
    const std::vector<Request>& Requests() const { return m_requests; }
    // Requests still waiting for an answer.
    std::size_t Waiting() const { return m_waiting.size(); }

private:
    struct Pending {
        QPointer<QWidget> parent;
        Chosen chosen;
    };

    void Ask(Kind kind, QWidget* parent, const QString& initial, Chosen chosen);
    void Match();

    std::vector<Request> m_requests;
    std::deque<Pending> m_waiting;
    std::deque<QString> m_answers;
};

}  // namespace nimbo::test
