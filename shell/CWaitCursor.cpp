#include "shell/CWaitCursor.h"

#include <QApplication>
#include <QCursor>

namespace nimbo {

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace nimbo
