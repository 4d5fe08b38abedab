#include "shell/QtFileChooser.h"

#include <QFileDialog>
#include <utility>

#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

const QString FILTER = QStringLiteral("All Files (*.*)");

bool IsPattern(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

}  // namespace

void QtFileChooser::ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) {
    auto* dialog = new QFileDialog(parent, QString(), QString(), FILTER);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    Run(dialog, initial, std::move(chosen));
}

void QtFileChooser::ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) {
    auto* dialog = new QFileDialog(parent, QString(), QString(), FILTER);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    Run(dialog, initial, std::move(chosen));
}

// The dialog belongs to `parent`: when the transfer window goes, so does an
// open dialog, and with it the pending answer.
void QtFileChooser::Run(QFileDialog* dialog, const QString& initial, Chosen chosen) {
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    const QString folder = FolderPart(initial);
    if (!folder.isEmpty()) {
        dialog->setDirectory(folder);
    }
    const QString name = FileNamePart(initial);
    if (!name.isEmpty() && !IsPattern(name)) {
        dialog->selectFile(name);
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        const QStringList files = dialog->selectedFiles();
        chosen(result == QDialog::Accepted && !files.isEmpty() ? files.first() : QString());
    });
    dialog->open();
}

}  // namespace nimbo
