#pragma once

#include <QEvent>
#include <QPoint>

class QMimeData;
class QWidget;

namespace nimbo::test {

// Sends `target` the drag event `type` (DragEnter, DragMove or Drop) of
// `data` at `at`, as a file manager's drag with the left button would;
// whether the target accepted it.
bool SendDrag(QWidget& target, QEvent::Type type, const QPoint& at, const QMimeData& data);

}  // namespace nimbo::test
