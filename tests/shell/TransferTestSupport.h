#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>

#include "tests/support/StreamBytes.h"

namespace nimbo {
class CFileTransferDlg;
}

namespace nimbo::test {

// The whole file, or an empty text when it cannot be read.
std::string ReadBytes(const QString& path);
// Creates or replaces the file; false when that failed.
bool WriteBytes(const QString& path, const std::string& bytes);

// What the transfer window shows in control `id` (an edit).
QString ShownText(const nimbo::CFileTransferDlg& window, int id);
bool IsEnabled(const nimbo::CFileTransferDlg& window, int id);
int ShownPercent(const nimbo::CFileTransferDlg& window);
// Every text the window's status shows from now on, appended to `log`.
void RecordStatus(const nimbo::CFileTransferDlg& window, QStringList& log);

// Runs the event loop until everything queued so far for it has run,
// zero-time timers included.
void Settle();

// Deletes the windows closed outside any event handler now, as the
// application's event loop does once control returns to it.
void DeleteClosedWindows();

}  // namespace nimbo::test
