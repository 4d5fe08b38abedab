#pragma once

#include "shell/IFileChooser.h"

class QFileDialog;

namespace nimbo {

// The file dialogs as Qt's own (not the desktop's) file dialogs, which work
// on every platform plugin, offscreen included; filter "All Files (*.*)".
class QtFileChooser : public IFileChooser {
public:
    void ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) override;
    void ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) override;

private:
    static void Run(QFileDialog* dialog, const QString& initial, Chosen chosen);
};

}  // namespace nimbo
