#include "shell/RowIndentDelegate.h"

namespace nimbo {

int RowIndentDelegate::IndentOf(const QModelIndex& index) {
    return index.column() == 0 ? index.data(INDENT_ROLE).toInt() * INDENT_WIDTH : 0;
}

void RowIndentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(shifted.rect.left() + IndentOf(index));
    QStyledItemDelegate::paint(painter, shifted, index);
}

QSize RowIndentDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(IndentOf(index), 0);
}

}  // namespace nimbo
