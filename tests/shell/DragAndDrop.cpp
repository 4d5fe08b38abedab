#include "tests/shell/DragAndDrop.h"

#include <QApplication>
#include <QDropEvent>
#include <QWidget>

namespace nimbo::test {

bool SendDrag(QWidget& target, QEvent::Type type, const QPoint& at, const QMimeData& data) {
    if (type == QEvent::Drop) {
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&target, &event);
        return event.isAccepted();
    }
    QDragMoveEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, {}, type);
    QApplication::sendEvent(&target, &event);
    return event.isAccepted();
}

}  // namespace nimbo::test
