#include "shell/BuddyRowDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace nimbo {

namespace {

QStaticText PlainText(const QString& text, const QFont& font) {
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.prepare(QTransform(), font);
    return laid;
}

QIcon::Mode IconMode(const QStyleOptionViewItem& item) {
    if (!(item.state & QStyle::State_Enabled)) {
        return QIcon::Disabled;
    }
    return item.state & QStyle::State_Selected ? QIcon::Selected : QIcon::Normal;
}

// The text colour the style gives a view item in this state.
QColor TextColor(const QStyleOptionViewItem& item) {
    QPalette::ColorGroup group = item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(item.state & QStyle::State_Active)) {
        group = QPalette::Inactive;
    }
    return item.palette.color(group, item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
}

void DrawFocus(const QStyleOptionViewItem& item, const QRect& textRect, QPainter* painter, const QStyle* style) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(item);
    focus.rect = textRect;
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    focus.backgroundColor =
        item.palette.color(item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                           item.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, item.widget);
}

}  // namespace

int BuddyRowDelegate::IndentOf(const QModelIndex& index) {
    return index.column() == 0 ? index.data(INDENT_ROLE).toInt() * INDENT_WIDTH : 0;
}

// Laid out as the style lays out a view item with its image on the left:
// the image centred in its own margins, the text after it inside a margin.
void BuddyRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    item.rect.setLeft(item.rect.left() + IndentOf(index));
    const QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, item.widget);

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
    QRect textRect = item.rect;
    if (item.features & QStyleOptionViewItem::HasDecoration) {
        const QRect imageRect(item.rect.left() + margin, item.rect.top() + (item.rect.height() - item.decorationSize.height()) / 2,
                              item.decorationSize.width(), item.decorationSize.height());
        item.icon.paint(painter, imageRect, Qt::AlignCenter, IconMode(item),
                        item.state & QStyle::State_Open ? QIcon::On : QIcon::Off);
        textRect.setLeft(imageRect.right() + 1 + margin);
    }
    if (item.state & QStyle::State_HasFocus) {
        DrawFocus(item, textRect, painter, style);
    }
    textRect.adjust(margin, 0, -margin, 0);
    if (item.text.isEmpty() || textRect.width() <= 0) {
        return;
    }
    const QStaticText text = Laid(item.text, item.font, textRect.width());
    painter->save();
    painter->setFont(item.font);
    painter->setPen(TextColor(item));
    painter->setClipRect(textRect, Qt::IntersectClip);
    const qreal top = textRect.top() + (textRect.height() - QFontMetrics(item.font).height()) / 2.0;
    painter->drawStaticText(QPointF(textRect.left(), top), text);
    painter->restore();
}

QStaticText BuddyRowDelegate::Laid(const QString& text, const QFont& font, int width) const {
    if (text.size() > LONGEST_KEPT_TEXT) {
        const QString cut = text.left(LONGEST_KEPT_TEXT) + QChar(0x2026);
        return PlainText(QFontMetrics(font).elidedText(cut, Qt::ElideRight, width), font);
    }
    if (font != m_font || m_texts.size() >= KEPT_TEXTS) {
        m_texts.clear();
        m_font = font;
    }
    auto found = m_texts.find(text);
    if (found == m_texts.end()) {
        found = m_texts.insert(text, {PlainText(text, font), -1, QStaticText()});
    }
    LaidText& laid = found.value();
    if (laid.whole.size().width() <= width) {
        return laid.whole;
    }
    if (laid.elidedWidth != width) {
        laid.elided = PlainText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width), font);
        laid.elidedWidth = width;
    }
    return laid.elided;
}

QSize BuddyRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(IndentOf(index), 0);
}

}  // namespace nimbo
