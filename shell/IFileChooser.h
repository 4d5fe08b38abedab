#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace nimbo {

// The file dialogs of a transfer window. They are modal to that window only
// and never hold up the caller: the answer comes through `chosen`, at most
// once and never after `parent` was destroyed, with the full path chosen or
// an empty text when the user cancelled. Transfer windows come and go in any
// order, so none of them may wait inside a nested event loop for its answer.
class IFileChooser {
public:
    using Chosen = std::function<void(const QString& path)>;

    virtual ~IFileChooser() = default;

    // An existing file to send. `initial` is a folder (possibly empty)
    // followed by a file name or a pattern such as "*.*".
    virtual void ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) = 0;
    // The file to receive into, starting at the folder and name `initial`.
    // It asks nothing about an existing file: the transfer window does.
    virtual void ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) = 0;
};

}  // namespace nimbo
