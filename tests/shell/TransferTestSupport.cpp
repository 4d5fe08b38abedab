#include "tests/shell/TransferTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include "shell/CFileTransferDlg.h"
#include "tests/shell/DialogScript.h"

namespace nimbo::test {

std::string ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

bool WriteBytes(const QString& path, const std::string& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

QString ShownText(const CFileTransferDlg& window, int id) {
    const auto* edit = qobject_cast<QLineEdit*>(window.Control(id));
    return edit != nullptr ? edit->text() : QString();
}

bool IsEnabled(const CFileTransferDlg& window, int id) {
    const QWidget* control = window.Control(id);
    return control != nullptr && control->isEnabled();
}

int ShownPercent(const CFileTransferDlg& window) {
    return static_cast<QProgressBar*>(window.Control(CFileTransferDlg::IDC_PROGRESS))->value();
}

void RecordStatus(const CFileTransferDlg& window, QStringList& log) {
    auto* status = static_cast<QLineEdit*>(window.Control(CFileTransferDlg::IDC_STATUS));
    QObject::connect(status, &QLineEdit::textChanged, status, [&log](const QString& text) { log.append(text); });
}

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void Settle() {
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    EXPECT_TRUE(RunUntil([&reached] { return reached; }));
}

}  // namespace nimbo::test
