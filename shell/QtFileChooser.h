#pragma once

#include "shell/IFileChooser.h"

class QFileDialog;

namespace nimbo {

// The file dialogs as Qt's own (not the desktop's) file dialogs, which work
// on every platform plugin, offscreen included; filter "All Files (*.*)".
// Given no folder, as before the first confirmed choice of a run, a dialog
// starts where a user looks first rather than in the process's working
// folder: an open dialog in the home folder, a save dialog in the download
// folder (the XDG user folder, or the home folder while it does not exist).
class QtFileChooser : public IFileChooser {
public:
    void ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) override;
    void ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) override;

private:
    static void Run(QFileDialog* dialog, const QString& initial, const QString& defaultFolder, Chosen chosen);
};

}  // namespace nimbo
