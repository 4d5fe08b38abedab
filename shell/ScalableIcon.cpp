#include "shell/ScalableIcon.h"

#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>

namespace nimbo {

namespace {

QString ResourcePath(const QString& name, int scale) {
    return scale == 1 ? QStringLiteral(":/icons/%1.png").arg(name)
                      : QStringLiteral(":/icons/%1@%2x.png").arg(name).arg(scale);
}

// The resource read as the PNG it is, drawn for `scale`: a reader left to
// find out the format asks every image format plugin first, and so loads
// them all while the application starts. Read once: the windows and the
// tray ask for the same pictures.
QPixmap ResourcePixmap(const QString& name, int scale) {
    const QString path = ResourcePath(name, scale);
    QPixmap pixmap;
    if (QPixmapCache::find(path, &pixmap)) {
        return pixmap;
    }
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(scale);
    QPixmapCache::insert(path, pixmap);
    return pixmap;
}

}  // namespace

QIcon ScalableIcon(const QString& name) {
    QIcon icon;
    for (const int scale : ICON_SCALES) {
        icon.addPixmap(ResourcePixmap(name, scale));
    }
    return icon;
}

QIcon ScalableStripIcon(const QString& name, int index, int size) {
    QIcon icon;
    for (const int scale : ICON_SCALES) {
        QPixmap image = ResourcePixmap(name, scale).copy(index * size * scale, 0, size * scale, size * scale);
        image.setDevicePixelRatio(scale);
        icon.addPixmap(image);
    }
    return icon;
}

}  // namespace nimbo
