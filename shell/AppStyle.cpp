#include "shell/AppStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>
#include <QWidget>

#include "shell/ScalableIcon.h"

namespace nimbo {

namespace {

constexpr int ARROW_SIZE = 16;

// Two chevrons pointing right ("»"), or down when turned, in the palette's
// text colour, at `scale` times ARROW_SIZE.
QPixmap Chevrons(int scale, bool turned, const QColor& colour) {
    QPixmap pixmap(ARROW_SIZE * scale, ARROW_SIZE * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (turned)
        painter.setTransform(QTransform(0, 1, 1, 0, 0, 0));
    QPainterPath path;
    for (const qreal left : {4.5, 8.5}) {
        path.moveTo(left, 4.5);
        path.lineTo(left + 3, 8);
        path.lineTo(left, 11.5);
    }
    painter.setPen(QPen(colour, 1.2));
    painter.drawPath(path);
    return pixmap;
}

}  // namespace

QIcon AppStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const {
    if (standardIcon != SP_ToolBarHorizontalExtensionButton && standardIcon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    const QColor colour = (widget ? widget->palette() : QApplication::palette()).color(QPalette::ButtonText);
    QIcon icon;
    for (const int scale : ICON_SCALES)
        icon.addPixmap(Chevrons(scale, standardIcon == SP_ToolBarVerticalExtensionButton, colour));
    return icon;
}

}  // namespace nimbo
