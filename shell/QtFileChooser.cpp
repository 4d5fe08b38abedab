#include "shell/QtFileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QStandardPaths>
#include <utility>

#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

const QString FILTER = QStringLiteral("All Files (*.*)");

bool IsPattern(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

QString DownloadFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

// The filter's pattern "*.*" is matched literally here and would hide every
// name without a dot (README, Makefile): the dialog shows the filter as it
// is named but lists every file, also after the filter is chosen again.
void ListEveryFile(QFileDialog* dialog) {
    auto* files = dialog->findChild<QFileSystemModel*>();
    if (files == nullptr) {
        return;
    }
    const auto everyName = [files] { files->setNameFilters({}); };
    everyName();
    QObject::connect(dialog, &QFileDialog::filterSelected, files, everyName);
}

}  // namespace

void QtFileChooser::ChooseFileToOpen(QWidget* parent, const QString& initial, Chosen chosen) {
    auto* dialog = new QFileDialog(parent, QString(), QString(), FILTER);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    Run(dialog, initial, QDir::homePath(), std::move(chosen));
}

void QtFileChooser::ChooseFileToSave(QWidget* parent, const QString& initial, Chosen chosen) {
    auto* dialog = new QFileDialog(parent, QString(), QString(), FILTER);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    Run(dialog, initial, DownloadFolder(), std::move(chosen));
}

// The dialog belongs to `parent`: when the transfer window goes, so does an
// open dialog, and with it the pending answer.
void QtFileChooser::Run(QFileDialog* dialog, const QString& initial, const QString& defaultFolder, Chosen chosen) {
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    const QString folder = FolderPart(initial);
    dialog->setDirectory(folder.isEmpty() ? defaultFolder : folder);
    const QString name = FileNamePart(initial);
    if (!name.isEmpty() && !IsPattern(name)) {
        dialog->selectFile(name);
    }
    ListEveryFile(dialog);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        const QStringList files = dialog->selectedFiles();
        chosen(result == QDialog::Accepted && !files.isEmpty() ? files.first() : QString());
    });
    dialog->open();
}

}  // namespace nimbo
