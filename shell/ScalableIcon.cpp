#include "shell/ScalableIcon.h"

#include <QPixmap>

namespace nimbo {

namespace {

constexpr int SCALES[] = {1, 2};

QString ResourcePath(const QString& name, int scale) {
    return scale == 1 ? QStringLiteral(":/icons/%1.png").arg(name) : QStringLiteral(":/icons/%1@%2x.png").arg(name).arg(scale);
}

}  // namespace

QIcon ScalableIcon(const QString& name) {
    QIcon icon;
    for (const int scale : SCALES) {
        icon.addFile(ResourcePath(name, scale));
    }
    return icon;
}

QIcon ScalableStripIcon(const QString& name, int index, int size) {
    QIcon icon;
    for (const int scale : SCALES) {
        QPixmap image = QPixmap(ResourcePath(name, scale)).copy(index * size * scale, 0, size * scale, size * scale);
        image.setDevicePixelRatio(scale);
        icon.addPixmap(image);
    }
    return icon;
}

}  // namespace nimbo
