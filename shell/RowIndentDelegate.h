#pragma once

#include <QStyledItemDelegate>

namespace nimbo {

// Draws the first column of a row moved right by the row's indent, one small
// image width per level, the way a report list indents its items.
class RowIndentDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int INDENT_ROLE = Qt::UserRole + 1;
    static constexpr int INDENT_WIDTH = 16;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static int IndentOf(const QModelIndex& index);
};

}  // namespace nimbo
