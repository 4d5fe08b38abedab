#include "tests/shell/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>

namespace nimbo::test {

namespace {

QString NameOf(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

bool InsideComposite(const QWidget& widget, const QWidget& root) {
    for (const QWidget* parent = widget.parentWidget(); parent != nullptr && parent != &root;
         parent = parent->parentWidget()) {
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractScrollArea*>(parent)) {
            return true;
        }
    }
    return false;
}

bool TakesInput(const QWidget& widget) {
    return qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QPlainTextEdit*>(&widget) || qobject_cast<const QAbstractItemView*>(&widget);
}

// An empty label shows nothing, so there is nothing to read out.
bool IsControl(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        return !label->text().isEmpty() || !label->pixmap().isNull();
    }
    return TakesInput(widget) || qobject_cast<const QAbstractButton*>(&widget) ||
           qobject_cast<const QProgressBar*>(&widget);
}

// With the cursor at its end the edit scrolls as far as it needs to (when
// painted); the whole text shows if its start is still at the left edge.
bool ShowsWhole(QLineEdit& edit) {
    const int kept = edit.cursorPosition();
    edit.end(false);
    edit.grab();
    const bool whole = edit.cursorPositionAt(QPoint(0, edit.height() / 2)) == 0;
    edit.setCursorPosition(kept);
    return whole;
}

}  // namespace

QStringList CutTexts(const QWidget& root) {
    QStringList cut;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root) || InsideComposite(*widget, root)) {
            continue;
        }
        auto* label = qobject_cast<QLabel*>(widget);
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if ((label != nullptr && !label->wordWrap() && label->sizeHint().width() > label->width()) ||
            (edit != nullptr && !ShowsWhole(*edit))) {
            cut << QStringLiteral("%1 '%2'").arg(QString::fromLatin1(widget->metaObject()->className()),
                                                 label != nullptr ? label->text() : edit->text());
        }
    }
    return cut;
}

QStringList UnnamedControls(const QWidget& root) {
    QStringList unnamed;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root) || !IsControl(*widget) || InsideComposite(*widget, root)) {
            continue;
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        const QString name = NameOf(widget);
        const QString description = accessible != nullptr ? accessible->text(QAccessible::Description) : QString();
        if (name.trimmed().isEmpty() || (TakesInput(*widget) && description.trimmed().isEmpty())) {
            unnamed << QStringLiteral("%1 '%2'").arg(QString::fromLatin1(widget->metaObject()->className()), name);
        }
    }
    return unnamed;
}

QStringList TabStops(const QWidget& root, StopOrder order) {
    QList<QWidget*> stops;
    for (QWidget* widget = root.nextInFocusChain(); widget != &root; widget = widget->nextInFocusChain()) {
        if (widget->isVisibleTo(&root) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
            !InsideComposite(*widget, root) && !stops.contains(widget)) {
            stops << widget;
        }
    }
    if (order == StopOrder::Layout) {
        const auto at = [&root](const QWidget* widget) { return widget->mapTo(&root, QPoint(0, 0)); };
        std::stable_sort(stops.begin(), stops.end(), [&](const QWidget* a, const QWidget* b) {
            return at(a).y() != at(b).y() ? at(a).y() < at(b).y() : at(a).x() < at(b).x();
        });
    }
    QStringList names;
    for (QWidget* widget : stops) {
        names << NameOf(widget);
    }
    return names;
}

}  // namespace nimbo::test
