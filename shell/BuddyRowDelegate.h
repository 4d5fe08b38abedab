#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace nimbo {

// Draws a cell of the buddy list in one line: the style's item background
// and focus frame, the image, then the text elided at the right, the first
// column moved right by the row's indent, one small image width per level,
// the way a report list indents its items. Shaping a text costs more than
// drawing it, so the texts' glyph layouts are kept: a repaint of rows
// shown before shapes nothing.
class BuddyRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int INDENT_ROLE = Qt::UserRole + 1;
    static constexpr int INDENT_WIDTH = 16;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // Layouts kept for a few screenfuls of texts; more are dropped at once.
    static constexpr qsizetype KEPT_TEXTS = 1024;
    // Names come from the server and may be of any length: a longer text is
    // laid out cut to this many characters and an ellipsis, more than any
    // cell shows, and is not kept.
    static constexpr qsizetype LONGEST_KEPT_TEXT = 256;

    struct LaidText {
        QStaticText whole;
        int elidedWidth = -1;  // the width `elided` was made for
        QStaticText elided;
    };

    static int IndentOf(const QModelIndex& index);
    // `text` laid out in `font`, elided to `width` when it is wider.
    QStaticText Laid(const QString& text, const QFont& font, int width) const;

    mutable QFont m_font;
    mutable QHash<QString, LaidText> m_texts;
};

}  // namespace nimbo
