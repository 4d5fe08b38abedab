#pragma once

#include <QStringList>

class QWidget;

namespace nimbo::test {

// The controls under `root` that a screen reader could not name, each as
// "class 'name'": buttons, labels that show something, edits, lists,
// progress bars and the like, shown with `root`, without an accessible
// name, or, for those that take input, without a description. Parts of a composite control (the
// edit of a combo box, the scroll bars of a list) count as the control.
QStringList UnnamedControls(const QWidget& root);

// The texts under `root` that cannot be seen whole, each as "class 'text'":
// a label narrower than its text, an edit that must scroll to show all of
// its text. Moves each edit's cursor and restores it.
QStringList CutTexts(const QWidget& root);

enum class StopOrder { Tab, Layout };

// The accessible names of the controls under `root` that take the focus by
// Tab, in the order Tab walks them, or top to bottom and left to right.
QStringList TabStops(const QWidget& root, StopOrder order);

}  // namespace nimbo::test
