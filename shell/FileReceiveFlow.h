#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace nimbo {

class CFileTransferDlg;
class IFileChooser;

// The receive half of a transfer window, in the order the user meets it:
// the target is picked in a file dialog, starting in the last receive folder
// with the offered name made safe; an existing target is replaced, or
// continued from its length, only when the user says so, and otherwise the
// user picks again; then the receiving worker starts. Cancelling the file
// dialog closes the window without a word to the sender. It fills the
// window's fields and its transfer record.
class FileReceiveFlow {
public:
    FileReceiveFlow(CFileTransferDlg& window, IFileChooser& chooser);

    // As the window opens: takes the offer into the record and asks for the
    // target.
    void Begin();

private:
    void ChooseTarget();
    void OnTargetChosen(const QString& path);
    std::optional<std::int32_t> AskStartOffset(const QString& path) const;
    void StartReceiving(const QString& path, std::int32_t offset);

    CFileTransferDlg& m_window;
    IFileChooser& m_chooser;
};

}  // namespace nimbo
